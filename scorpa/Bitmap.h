#pragma once
// The library's in-memory bitmap: rows top to bottom (scan line 0 is the
// top row), either 24 bits per pixel stored blue, green, red, or 1 bit per
// pixel, most significant bit first, 1 = white and 0 = black.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace scorpa {

// The largest bitmap read from a file, in pixels each way. Pixels go to the
// printer one per dot, and a card (85.6 x 54 mm) is 1012 x 638 dots at 300
// dpi; 4096 still holds a whole card at 1200 dpi, so nothing a printer can
// print is lost, while a file that claims more is refused before anything
// is allocated for it.
constexpr int MAX_BITMAP_SIDE = 4096;
// The largest bitmap file read: the largest accepted bitmap at 32 bits per
// pixel, plus a mebibyte for headers, colour table and trailing data.
constexpr std::uint64_t MAX_BITMAP_FILE_BYTES =
    std::uint64_t(MAX_BITMAP_SIDE) * MAX_BITMAP_SIDE * 4 + (std::uint64_t(1) << 20);

// What the headers of a Windows bitmap file declare.
struct TBitmapHeader {
    int Width = 0;
    int Height = 0;              // rows, whatever their order
    bool TopDown = false;
    int BitCount = 0;            // 1, 4, 8, 16, 24 or 32
    std::uint32_t Compression = 0;  // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
    std::uint32_t Colors = 0;    // entries in the colour table
    std::uint32_t DataOffset = 0;   // where the pixel data starts
    std::uint32_t HeaderSize = 0;   // the info header's size (12 for OS/2 1.x)
};

// Checks a bitmap file's headers (BITMAPFILEHEADER and the info header that
// follows) against the file's own size and against MAX_BITMAP_SIDE, without
// decoding or allocating anything in proportion to what they claim: the
// header size, bit count, compression, colour count, width and height must
// be ones a bitmap can have, the colour table and (uncompressed) pixel data
// must lie within the file. nullopt when refused, with the reason in *why.
std::optional<TBitmapHeader> CheckBitmapHeader(std::span<const std::uint8_t> file, std::string* why = nullptr);

enum class TPixelFormat { pf24bit, pf1bit };

// Bytes that are not cleared when they are allocated: pixel buffers and
// file contents are written whole before they are read, so clearing them
// first would be one more pass over the image for nothing.
template <typename T>
struct TUninitializedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = TUninitializedAllocator<U>;
    };
    TUninitializedAllocator() = default;
    template <typename U>
    TUninitializedAllocator(const TUninitializedAllocator<U>&) noexcept {}
    template <typename U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using TBytes = std::vector<std::uint8_t, TUninitializedAllocator<std::uint8_t>>;

class TBitmap {
public:
    TBitmap() = default;
    // A bitmap of the given size, every pixel white.
    TBitmap(int width, int height, TPixelFormat format);

    // Reads a Windows bitmap file (every BMP variant the system's image
    // library knows); raises platform::Error when it cannot, or when the
    // file is refused by CheckBitmapHeader (or is larger than
    // MAX_BITMAP_FILE_BYTES), before any of it is decoded. Uncompressed
    // files are read here (see DecodeDirect), with their pixel rows used
    // where they lie in the file, and a file of black and white alone may
    // come back as a 1-bit bitmap; everything else goes to the graphics
    // module. Either way the pixels are the ones the file gives.
    static TBitmap LoadFromFile(const std::string& path);

    // Whether DecodeDirect reads a file with these (checked) headers: no
    // compression; 24 or 32 bits per pixel, or 1, 4 or 8 bits with a full
    // colour table that ends where the pixel data starts. Everything else
    // is left to the graphics module, whose reading of it is the rule.
    static bool DecodesDirectly(std::span<const std::uint8_t> file, const TBitmapHeader& h);
    // Decodes such a file (the whole file, headers included, checked by
    // CheckBitmapHeader into h). 24-bit rows stay in the file's buffer, in
    // place. With keepTwoColours, a 1-bit file whose colour table is black
    // and white becomes a 1-bit bitmap (in place when index 1 is white);
    // otherwise the result is 24-bit.
    static TBitmap DecodeDirect(TBytes file, const TBitmapHeader& h, bool keepTwoColours);

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
    // Rows of rowBytes_ bytes taken from storage: row 0 at origin, each
    // next row stride bytes on (negative for a bottom-up file).
    TBitmap(int width, int height, TPixelFormat format, TBytes storage, std::size_t origin, std::ptrdiff_t stride);
    // A bitmap whose pixels are left as allocated, for a caller that
    // writes every row whole.
    static TBitmap Uncleared(int width, int height, TPixelFormat format);

    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = TPixelFormat::pf24bit;
    std::size_t rowBytes_ = 0;
    TBytes bits_;
    std::size_t origin_ = 0;
    std::ptrdiff_t stride_ = 0;
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
