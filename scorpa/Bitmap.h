#pragma once
// The library's in-memory bitmap: rows top to bottom (scan line 0 is the
// top row), either 24 bits per pixel stored blue, green, red, or 1 bit per
// pixel, most significant bit first, 1 = white and 0 = black.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace scorpa {

enum class TPixelFormat { pf24bit, pf1bit };

class TBitmap {
public:
    TBitmap() = default;
    // A bitmap of the given size, every pixel white.
    TBitmap(int width, int height, TPixelFormat format);

    // Reads a Windows bitmap file (every BMP variant the system's image
    // library knows); raises platform::Error when it cannot.
    static TBitmap LoadFromFile(const std::string& path);

    int Width() const { return width_; }
    int Height() const { return height_; }
    TPixelFormat PixelFormat() const { return format_; }
    std::size_t RowBytes() const { return rowBytes_; }

    // Converts in place. To 1 bit a pixel becomes white when it is nearer
    // to white than to black (R + G + B above 382), as a two-colour palette
    // match does.
    void SetPixelFormat(TPixelFormat format);

    std::span<std::uint8_t> ScanLine(int row);
    std::span<const std::uint8_t> ScanLine(int row) const;

    // 24-bit pixel access (blue, green, red in memory).
    void SetPixel24(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b);
    // 1-bit pixel access: true = white.
    bool Bit(int x, int y) const;
    void SetBit(int x, int y, bool white);

private:
    static std::size_t RowBytesFor(int width, TPixelFormat format);

    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = TPixelFormat::pf24bit;
    std::size_t rowBytes_ = 0;
    std::vector<std::uint8_t> bits_;
};

// Turns a bitmap by 180 degrees; it becomes a 24-bit bitmap first.
void Rotate180(TBitmap& bitmap);

// Windows MulDiv: a * b / c with a 64-bit product, rounded to the nearest
// integer (halves away from zero); -1 when c is 0.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c);

// The display's logical pixels per inch: 96, or the whole number in the
// environment variable TAVRIN_SCREEN_DPI when it holds one from 1 to 2400.
int ScreenPixelsPerInch();

} // namespace scorpa
