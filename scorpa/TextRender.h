#pragma once
// One line of text drawn into a bitmap, as a canvas with a font would:
// the bitmap is exactly the text's extent, white behind black or coloured
// glyphs. Fonts are found through fontconfig by family name.
#include "Bitmap.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace scorpa {

// Style bits of a font.
constexpr int fsStrikeOut = 1;
constexpr int fsUnderline = 2;
constexpr int fsItalic = 4;
constexpr int fsBold = 8;

struct TFontSpec {
    std::string Name;
    int Size = 0;              // points
    std::uint32_t Color = 0;   // 0x00BBGGRR
    int Style = 0;             // fsBold | fsItalic | fsUnderline | fsStrikeOut
    int PixelsPerInch = 96;
};

// The character height in pixels of a font of Size points: MulDiv(Size, P, 72).
int FontPixelHeight(const TFontSpec& font);

// Draws text at (0, 0) on a 24-bit bitmap sized to the text's width and
// height. Black text (colour 0) is drawn without anti-aliasing, so that its
// 1-bit form is clean.
TBitmap RenderText(std::string_view text, const TFontSpec& font);

// The left edge of a text of the given width for nAlign: 1 means nLeft is
// the right edge, 2 the centre (half the width, truncated), anything else
// the left edge.
int AlignLeft(int nLeft, int width, int nAlign);

} // namespace scorpa
