#include "Bitmap.h"

#include "Graphics.h"

#include "platform/Error.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

namespace scorpa {
namespace {

std::uint32_t U16(std::span<const std::uint8_t> f, std::size_t at) { return f[at] | (f[at + 1] << 8); }
std::uint32_t U32(std::span<const std::uint8_t> f, std::size_t at)
{
    return f[at] | (f[at + 1] << 8) | (f[at + 2] << 16) | (std::uint32_t(f[at + 3]) << 24);
}

std::optional<TBitmapHeader> Refuse(std::string* why, std::string reason)
{
    if (why) *why = std::move(reason);
    return std::nullopt;
}

} // namespace

std::optional<TBitmapHeader> CheckBitmapHeader(std::span<const std::uint8_t> file, std::string* why)
{
    constexpr std::uint64_t kFileHeader = 14;
    const std::uint64_t size = file.size();
    if (size < kFileHeader + 4) return Refuse(why, "too short for a bitmap file");
    if (file[0] != 'B' || file[1] != 'M') return Refuse(why, "not a Windows bitmap file");
    const std::uint32_t offBits = U32(file, 10);
    const std::uint32_t infoSize = U32(file, 14);
    // The info headers there are: OS/2 1.x (12), Windows 3 (40), with bit
    // masks (52, 56), OS/2 2.x (64), Windows 95 (108) and 98 (124).
    switch (infoSize) {
    case 12: case 40: case 52: case 56: case 64: case 108: case 124: break;
    default: return Refuse(why, "unknown bitmap header size " + std::to_string(infoSize));
    }
    if (kFileHeader + infoSize > size) return Refuse(why, "bitmap header does not fit the file");

    TBitmapHeader h;
    std::int64_t width, height;
    std::uint32_t colorsUsed = 0;
    std::uint32_t imageSize = 0;
    std::uint64_t entryBytes = 4;
    if (infoSize == 12) {
        width = U16(file, 18);
        height = U16(file, 20);
        h.BitCount = static_cast<int>(U16(file, 24));
        entryBytes = 3;
    } else {
        width = static_cast<std::int32_t>(U32(file, 18));
        height = static_cast<std::int32_t>(U32(file, 22));
        h.BitCount = static_cast<int>(U16(file, 28));
        h.Compression = U32(file, 30);
        imageSize = U32(file, 34);
        colorsUsed = U32(file, 46);
    }
    h.TopDown = height < 0;
    if (height < 0) height = -height;
    if (width <= 0 || height <= 0) return Refuse(why, "bitmap has no pixels");
    if (width > MAX_BITMAP_SIDE || height > MAX_BITMAP_SIDE)
        return Refuse(why, "bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                               " pixels is larger than a card can use (at most " + std::to_string(MAX_BITMAP_SIDE) +
                               " x " + std::to_string(MAX_BITMAP_SIDE) + ")");
    h.Width = static_cast<int>(width);
    h.Height = static_cast<int>(height);

    switch (h.BitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return Refuse(why, "bitmap has " + std::to_string(h.BitCount) + " bits per pixel");
    }
    const bool rle = h.Compression == 1 || h.Compression == 2;
    switch (h.Compression) {
    case 0: break;
    case 1: if (h.BitCount == 8) break; return Refuse(why, "RLE8 compression needs 8 bits per pixel");
    case 2: if (h.BitCount == 4) break; return Refuse(why, "RLE4 compression needs 4 bits per pixel");
    case 3: if (h.BitCount == 16 || h.BitCount == 32) break; return Refuse(why, "bit fields need 16 or 32 bits per pixel");
    default: return Refuse(why, "unknown bitmap compression " + std::to_string(h.Compression));
    }
    if (rle && h.TopDown) return Refuse(why, "a compressed bitmap cannot be top-down");

    // The colour table: all 2^n entries up to 8 bits unless fewer are
    // named; above 8 bits only the entries named, and never more than 256.
    if (h.BitCount <= 8) {
        const std::uint32_t full = 1u << h.BitCount;
        if (colorsUsed > full) return Refuse(why, "bitmap names more colours than its bits can index");
        h.Colors = colorsUsed ? colorsUsed : full;
    } else {
        if (colorsUsed > 256) return Refuse(why, "bitmap names " + std::to_string(colorsUsed) + " colours");
        h.Colors = colorsUsed;
    }
    const std::uint64_t masks = (h.Compression == 3 && infoSize == 40) ? 12 : 0;
    const std::uint64_t headersEnd = kFileHeader + infoSize + masks;
    if (headersEnd + std::uint64_t(h.Colors) * entryBytes > size) return Refuse(why, "colour table does not fit the file");
    if (offBits < headersEnd || offBits > size) return Refuse(why, "pixel data offset lies outside the file");
    h.DataOffset = offBits;

    // Uncompressed rows are all there, padded to four bytes; compressed
    // data is as long as the header says.
    const std::uint64_t available = size - offBits;
    if (rle) {
        if (imageSize > available) return Refuse(why, "compressed pixel data does not fit the file");
    } else {
        const std::uint64_t stride = (std::uint64_t(h.Width) * std::uint64_t(h.BitCount) + 31) / 32 * 4;
        if (stride * std::uint64_t(h.Height) > available) return Refuse(why, "pixel data does not fit the file");
    }
    return h;
}

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
    // Larger than any bitmap we take: not even read.
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    if (length < 0 || static_cast<std::uint64_t>(length) > MAX_BITMAP_FILE_BYTES)
        throw platform::Error("Bitmap file is too large or cannot be read: " + path);
    in.seekg(0, std::ios::beg);
    std::vector<char> bytes(static_cast<std::size_t>(length));
    if (!in.read(bytes.data(), length)) throw platform::Error("Cannot read bitmap file " + path);

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
