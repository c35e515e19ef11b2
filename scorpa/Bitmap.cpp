#include "Bitmap.h"

#include "Graphics.h"

#include "platform/Error.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace scorpa {

std::size_t TBitmap::RowBytesFor(int width, TPixelFormat format)
{
    if (width <= 0) return 0;
    const auto w = static_cast<std::size_t>(width);
    return format == TPixelFormat::pf24bit ? w * 3 : (w + 7) / 8;
}

TBitmap::TBitmap(int width, int height, TPixelFormat format)
    : width_(width < 0 ? 0 : width), height_(height < 0 ? 0 : height), format_(format),
      rowBytes_(RowBytesFor(width_, format)),
      bits_(rowBytes_ * static_cast<std::size_t>(height_), std::uint8_t(0xFF))
{
}

TBitmap TBitmap::LoadFromFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw platform::Error("Cannot open bitmap file " + path);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    try {
        return DecodeBitmap({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    } catch (const platform::Error& e) {
        throw platform::Error(std::string(e.what()) + ": " + path);
    }
}

std::span<std::uint8_t> TBitmap::ScanLine(int row)
{
    return {bits_.data() + rowBytes_ * static_cast<std::size_t>(row), rowBytes_};
}

std::span<const std::uint8_t> TBitmap::ScanLine(int row) const
{
    return {bits_.data() + rowBytes_ * static_cast<std::size_t>(row), rowBytes_};
}

void TBitmap::SetPixel24(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    std::uint8_t* p = ScanLine(y).data() + static_cast<std::size_t>(x) * 3;
    p[0] = b;
    p[1] = g;
    p[2] = r;
}

bool TBitmap::Bit(int x, int y) const
{
    return (ScanLine(y)[static_cast<std::size_t>(x) / 8] & (0x80 >> (x % 8))) != 0;
}

void TBitmap::SetBit(int x, int y, bool white)
{
    std::uint8_t& byte = ScanLine(y)[static_cast<std::size_t>(x) / 8];
    const std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (x % 8));
    byte = white ? (byte | mask) : (byte & ~mask);
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == format_) return;
    TBitmap out(width_, height_, format);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (format == TPixelFormat::pf1bit) {
                const std::uint8_t* p = ScanLine(y).data() + static_cast<std::size_t>(x) * 3;
                out.SetBit(x, y, int(p[0]) + int(p[1]) + int(p[2]) > 382);
            } else {
                const std::uint8_t v = Bit(x, y) ? 0xFF : 0x00;
                out.SetPixel24(x, y, v, v, v);
            }
        }
    }
    *this = std::move(out);
}

void Rotate180(TBitmap& bitmap)
{
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    TBitmap turned(w, h, TPixelFormat::pf24bit);
    for (int i = 0; i < h; ++i) {
        const std::uint8_t* src = bitmap.ScanLine(i).data();
        std::uint8_t* dst = turned.ScanLine(h - 1 - i).data();
        for (int j = 0; j < w; ++j)
            std::memcpy(dst + static_cast<std::size_t>(w - 1 - j) * 3, src + static_cast<std::size_t>(j) * 3, 3);
    }
    bitmap = std::move(turned);
}

std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c)
{
    if (c == 0) return -1;
    const std::int64_t p = std::int64_t(a) * b;
    std::int64_t q = p / c;
    const std::int64_t r = p % c;
    // Round half away from zero: |2r| >= |c| moves one step in the sign of the result.
    if (2 * (r < 0 ? -r : r) >= (c < 0 ? -std::int64_t(c) : std::int64_t(c))) q += ((p < 0) != (c < 0)) ? -1 : 1;
    if (q > INT32_MAX || q < INT32_MIN) return -1;
    return static_cast<std::int32_t>(q);
}

int ScreenPixelsPerInch()
{
    if (const char* s = std::getenv("TAVRIN_SCREEN_DPI")) {
        int v = 0;
        const char* end = s + std::strlen(s);
        const auto [ptr, ec] = std::from_chars(s, end, v);
        if (ec == std::errc() && ptr == end && v >= 1 && v <= 2400) return v;
    }
    return 96;
}

} // namespace scorpa
