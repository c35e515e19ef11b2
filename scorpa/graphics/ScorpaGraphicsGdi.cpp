// The bitmap reader and the text renderer behind Scorpa on Windows: GDI
// draws the bitmap file's pixels and the text into 24-bit DIB sections.
#include "ScorpaGraphics.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>

#define GFX_EXPORT extern "C" __declspec(dllexport)

namespace {

int Fail(ScorpaGfxImage* out, const char* what)
{
    std::snprintf(out->error, sizeof out->error, "%s", what);
    return 1;
}

bool Allocate(ScorpaGfxImage* out, int width, int height)
{
    out->width = width;
    out->height = height;
    const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    out->bgr = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    return out->bgr != nullptr;
}

template <typename T>
T Read(const uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// A memory device context with a 24-bit top-down DIB section selected into
// it, white all over.
class Canvas {
public:
    Canvas(int width, int height)
    {
        BITMAPINFO info {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = ::CreateCompatibleDC(nullptr);
        if (!dc_) return;
        bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        if (!bitmap_) return;
        old_ = ::SelectObject(dc_, bitmap_);
        width_ = width;
        height_ = height;
        stride_ = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
        std::memset(bits_, 0xFF, stride_ * static_cast<size_t>(height));
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas()
    {
        if (old_) ::SelectObject(dc_, old_);
        if (bitmap_) ::DeleteObject(bitmap_);
        if (dc_) ::DeleteDC(dc_);
    }

    bool Ready() const { return bits_ != nullptr && old_ != nullptr; }
    HDC Dc() const { return dc_; }

    // The pixels, rows top to bottom, packed without padding.
    bool CopyTo(ScorpaGfxImage* out) const
    {
        ::GdiFlush();
        if (!Allocate(out, width_, height_)) return false;
        const size_t row = static_cast<size_t>(width_) * 3;
        for (int y = 0; y < height_; ++y)
            std::memcpy(out->bgr + row * static_cast<size_t>(y), static_cast<const uint8_t*>(bits_) + stride_ * static_cast<size_t>(y), row);
        return true;
    }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    size_t stride_ = 0;
};

std::wstring Utf16(const char* text, size_t length)
{
    if (length == 0) return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), wide.data(), n);
    return wide;
}

} // namespace

GFX_EXPORT int ScorpaGfx_LoadBitmap(const uint8_t* bytes, size_t size, ScorpaGfxImage* out)
{
    *out = ScorpaGfxImage {};
    constexpr size_t kFileHeader = 14;
    if (!bytes || size < kFileHeader + sizeof(BITMAPCOREHEADER) || bytes[0] != 'B' || bytes[1] != 'M')
        return Fail(out, "Bitmap image is not valid");
    const uint32_t dataOffset = Read<uint32_t>(bytes + 10);
    const uint8_t* info = bytes + kFileHeader;
    const uint32_t headerSize = Read<uint32_t>(info);
    if (headerSize < sizeof(BITMAPCOREHEADER) || headerSize > size - kFileHeader || dataOffset >= size ||
        dataOffset < kFileHeader + headerSize)
        return Fail(out, "Bitmap image is not valid");

    // The OS/2 core header has 16-bit sizes and no compression field.
    const bool core = headerSize == sizeof(BITMAPCOREHEADER);
    int width, height;
    if (core) {
        width = Read<uint16_t>(info + 4);
        height = Read<uint16_t>(info + 6);
    } else {
        if (headerSize < sizeof(BITMAPINFOHEADER)) return Fail(out, "Bitmap image is not valid");
        width = Read<int32_t>(info + 4);
        const int32_t h = Read<int32_t>(info + 8);
        if (h == INT32_MIN) return Fail(out, "Bitmap image is not valid");
        height = h < 0 ? -h : h;
    }
    if (width <= 0 || height <= 0) return Fail(out, "Bitmap image is not valid");
    if (width > SCORPA_GFX_MAX_SIDE || height > SCORPA_GFX_MAX_SIDE)
        return Fail(out, "Bitmap image is larger than a card can use");

    // GDI reads the colour table and the pixel data through these pointers:
    // both must lie inside the file. The pixels are handed over in a copy
    // padded to the size the header promises, so a short file reads white.
    const size_t available = size - dataOffset;
    const uint16_t bitCount = Read<uint16_t>(info + (core ? 10 : 14));
    const uint32_t compression = core ? BI_RGB : Read<uint32_t>(info + 16);
    const size_t needed = compression == BI_RGB || compression == BI_BITFIELDS
                              ? ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4 * static_cast<size_t>(height)
                              : available;
    std::vector<uint8_t> pixels(std::max(needed, available), 0xFF);
    std::memcpy(pixels.data(), bytes + dataOffset, available);
    std::vector<uint8_t> header(info, bytes + dataOffset);  // header and colour table, aligned for GDI

    Canvas canvas(width, height);
    if (!canvas.Ready()) return Fail(out, "Out of memory");
    const int drawn = ::StretchDIBits(canvas.Dc(), 0, 0, width, height, 0, 0, width, height, pixels.data(),
                                      reinterpret_cast<const BITMAPINFO*>(header.data()), DIB_RGB_COLORS, SRCCOPY);
    if (drawn == 0 || drawn == static_cast<int>(GDI_ERROR)) return Fail(out, "Bitmap image is not valid");
    if (!canvas.CopyTo(out)) return Fail(out, "Out of memory");
    return 0;
}

GFX_EXPORT int ScorpaGfx_RenderText(const char* text, size_t length, const char* family, int32_t pixelHeight,
                                    uint32_t color, int32_t style, ScorpaGfxImage* out)
{
    *out = ScorpaGfxImage {};
    const std::wstring line = Utf16(text ? text : "", text ? length : 0);
    // A negative height asks for the character height, the size a font is
    // known by, in pixels. Black text is drawn without anti-aliasing.
    // The family name is UTF-8 like the text, not the ANSI code page.
    const std::wstring face = family ? Utf16(family, std::strlen(family)) : std::wstring();
    HFONT font = ::CreateFontW(-pixelHeight, 0, 0, 0, (style & 8) ? FW_BOLD : FW_NORMAL, (style & 4) ? TRUE : FALSE,
                               (style & 2) ? TRUE : FALSE, (style & 1) ? TRUE : FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               color == 0 ? NONANTIALIASED_QUALITY : ANTIALIASED_QUALITY, DEFAULT_PITCH,
                               face.c_str());
    if (!font) return Fail(out, "The font cannot be made");
    struct FontRelease {
        HFONT f;
        ~FontRelease() { ::DeleteObject(f); }
    } release {font};

    SIZE extent {};
    {
        HDC measure = ::CreateCompatibleDC(nullptr);
        if (!measure) return Fail(out, "Out of memory");
        HGDIOBJ old = ::SelectObject(measure, font);
        const BOOL ok = ::GetTextExtentPoint32W(measure, line.c_str(), static_cast<int>(line.size()), &extent);
        ::SelectObject(measure, old);
        ::DeleteDC(measure);
        if (!ok) return Fail(out, "The text cannot be measured");
    }
    if (extent.cx <= 0 || extent.cy <= 0 || line.empty()) {
        Allocate(out, 0, extent.cy > 0 ? extent.cy : 0);
        return 0;
    }
    if (extent.cx > 32767 || extent.cy > 32767) return Fail(out, "The text is too large");

    Canvas canvas(extent.cx, extent.cy);
    if (!canvas.Ready()) return Fail(out, "Out of memory");
    HGDIOBJ old = ::SelectObject(canvas.Dc(), font);
    ::SetBkMode(canvas.Dc(), TRANSPARENT);
    ::SetTextColor(canvas.Dc(), static_cast<COLORREF>(color & 0x00FFFFFF));
    const BOOL drawn = ::TextOutW(canvas.Dc(), 0, 0, line.c_str(), static_cast<int>(line.size()));
    ::SelectObject(canvas.Dc(), old);
    if (!drawn) return Fail(out, "The text cannot be drawn");
    if (!canvas.CopyTo(out)) return Fail(out, "Out of memory");
    return 0;
}

GFX_EXPORT void ScorpaGfx_Free(ScorpaGfxImage* image)
{
    if (!image) return;
    std::free(image->bgr);
    image->bgr = nullptr;
}
