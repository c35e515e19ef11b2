#include "TextRender.h"

#include "Graphics.h"

namespace scorpa {

int AlignLeft(int nLeft, int width, int nAlign)
{
    if (nAlign == 1) return nLeft - width;
    if (nAlign == 2) return nLeft - width / 2;
    return nLeft;
}

int FontPixelHeight(const TFontSpec& font)
{
    const int h = MulDiv(font.Size, font.PixelsPerInch, 72);
    return h < 1 ? 1 : h;
}

TBitmap RenderText(std::string_view text, const TFontSpec& font)
{
    return DrawText(text, font.Name, FontPixelHeight(font), font.Color, font.Style);
}

} // namespace scorpa
