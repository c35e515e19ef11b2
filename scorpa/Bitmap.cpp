#include "Bitmap.h"

#include "Graphics.h"

#include "platform/Environment.h"
#include "platform/Error.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

std::size_t FileStride(const TBitmapHeader& h)
{
    return (static_cast<std::size_t>(h.Width) * static_cast<std::size_t>(h.BitCount) + 31) / 32 * 4;
}

std::size_t ColorTableAt(const TBitmapHeader& h) { return 14 + std::size_t(h.HeaderSize); }
std::size_t ColorEntryBytes(const TBitmapHeader& h) { return h.HeaderSize == 12 ? 3 : 4; }

// Where in the file scan line 0 starts, and how far on the next one is:
// backwards through the file for a bottom-up bitmap.
std::size_t FirstRowAt(const TBitmapHeader& h)
{
    return h.DataOffset + (h.TopDown ? 0 : static_cast<std::size_t>(h.Height - 1) * FileStride(h));
}
std::ptrdiff_t RowStep(const TBitmapHeader& h)
{
    const auto stride = static_cast<std::ptrdiff_t>(FileStride(h));
    return h.TopDown ? stride : -stride;
}

// The file's row that becomes scan line y.
const std::uint8_t* FileRow(const TBytes& file, const TBitmapHeader& h, int y)
{
    return file.data() + FirstRowAt(h) + RowStep(h) * y;
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
    if (infoSize == 12) {
        width = U16(file, 18);
        height = U16(file, 20);
        h.BitCount = static_cast<int>(U16(file, 24));
    } else {
        width = static_cast<std::int32_t>(U32(file, 18));
        height = static_cast<std::int32_t>(U32(file, 22));
        h.BitCount = static_cast<int>(U16(file, 28));
        h.Compression = U32(file, 30);
        imageSize = U32(file, 34);
        colorsUsed = U32(file, 46);
    }
    h.HeaderSize = infoSize;
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
    if (headersEnd + std::uint64_t(h.Colors) * ColorEntryBytes(h) > size)
        return Refuse(why, "colour table does not fit the file");
    if (offBits < headersEnd || offBits > size) return Refuse(why, "pixel data offset lies outside the file");
    h.DataOffset = offBits;

    // Uncompressed rows are all there, padded to four bytes; compressed
    // data is as long as the header says.
    const std::uint64_t available = size - offBits;
    if (rle) {
        if (imageSize > available) return Refuse(why, "compressed pixel data does not fit the file");
    } else {
        if (std::uint64_t(FileStride(h)) * std::uint64_t(h.Height) > available)
            return Refuse(why, "pixel data does not fit the file");
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
      bits_(rowBytes_ * static_cast<std::size_t>(height_), std::uint8_t(0xFF)),
      stride_(static_cast<std::ptrdiff_t>(rowBytes_))
{
}

TBitmap::TBitmap(int width, int height, TPixelFormat format, TBytes storage, std::size_t origin, std::ptrdiff_t stride)
    : width_(width), height_(height), format_(format), rowBytes_(RowBytesFor(width, format)), bits_(std::move(storage)),
      origin_(origin), stride_(stride)
{
}

TBitmap TBitmap::Uncleared(int width, int height, TPixelFormat format)
{
    const std::size_t row = RowBytesFor(width, format);
    return TBitmap(width, height, format, TBytes(row * static_cast<std::size_t>(height)), 0,
                   static_cast<std::ptrdiff_t>(row));
}

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The whole file, in one read into a buffer that is not cleared first.
TBytes ReadBitmapFile(const std::string& path)
{
    std::unique_ptr<std::FILE, FileCloser> in(std::fopen(path.c_str(), "rb"));
    if (!in) throw platform::Error("Cannot open bitmap file " + path);
    // Read straight into the buffer, without the stream's own.
    std::setvbuf(in.get(), nullptr, _IONBF, 0);
    // Larger than any bitmap we take: not even read.
    long length = -1;
    if (std::fseek(in.get(), 0, SEEK_END) == 0) length = std::ftell(in.get());
    if (length < 0 || static_cast<std::uint64_t>(length) > MAX_BITMAP_FILE_BYTES || std::fseek(in.get(), 0, SEEK_SET) != 0)
        throw platform::Error("Bitmap file is too large or cannot be read: " + path);
    TBytes bytes(static_cast<std::size_t>(length));
    if (std::fread(bytes.data(), 1, bytes.size(), in.get()) != bytes.size())
        throw platform::Error("Cannot read bitmap file " + path);
    return bytes;
}

} // namespace

bool TBitmap::DecodesDirectly(std::span<const std::uint8_t> file, const TBitmapHeader& h)
{
    if (h.Compression != 0) return false;
    if (h.BitCount == 24 || h.BitCount == 32) return true;
    if (h.BitCount != 1 && h.BitCount != 4 && h.BitCount != 8) return false;
    return h.Colors == (1u << h.BitCount) && h.DataOffset == ColorTableAt(h) + h.Colors * ColorEntryBytes(h) &&
           h.DataOffset <= file.size();
}

TBitmap TBitmap::DecodeDirect(TBytes file, const TBitmapHeader& h, bool keepTwoColours)
{
    const int w = h.Width;
    const int height = h.Height;
    if (h.BitCount == 24) {
        // The file's rows are already blue, green, red: they are used where
        // they lie, last row first for a bottom-up file.
        return TBitmap(w, height, TPixelFormat::pf24bit, std::move(file), FirstRowAt(h), RowStep(h));
    }

    if (h.BitCount == 32) {
        TBitmap out = Uncleared(w, height, TPixelFormat::pf24bit);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* src = FileRow(file, h, y);
            std::uint8_t* dst = out.ScanLine(y).data();
            for (int x = 0; x < w; ++x, src += 4, dst += 3) {
                dst[0] = src[0];
                dst[1] = src[1];
                dst[2] = src[2];
            }
        }
        return out;
    }

    // Up to 8 bits: indexes into a full colour table.
    const std::uint8_t* table = file.data() + ColorTableAt(h);
    const std::size_t entry = ColorEntryBytes(h);
    auto color = [&](unsigned i) { return table + i * entry; };
    auto is = [](const std::uint8_t* c, std::uint8_t v) { return c[0] == v && c[1] == v && c[2] == v; };
    if (h.BitCount == 1 && keepTwoColours) {
        const bool blackWhite = is(color(0), 0x00) && is(color(1), 0xFF);
        const bool whiteBlack = is(color(0), 0xFF) && is(color(1), 0x00);
        if (blackWhite) return TBitmap(w, height, TPixelFormat::pf1bit, std::move(file), FirstRowAt(h), RowStep(h));
        if (whiteBlack) {
            TBitmap out = Uncleared(w, height, TPixelFormat::pf1bit);
            const std::size_t row = out.rowBytes_;
            for (int y = 0; y < height; ++y) {
                const std::uint8_t* src = FileRow(file, h, y);
                std::uint8_t* dst = out.ScanLine(y).data();
                for (std::size_t i = 0; i < row; ++i) dst[i] = static_cast<std::uint8_t>(~src[i]);
            }
            return out;
        }
    }

    // The colours of all index values, three bytes each.
    std::array<std::uint8_t, 256 * 3> lookup {};
    for (unsigned i = 0; i < h.Colors; ++i) std::memcpy(lookup.data() + i * 3, color(i), 3);
    TBitmap out = Uncleared(w, height, TPixelFormat::pf24bit);
    const int bits = h.BitCount;
    const unsigned mask = (1u << bits) - 1;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = FileRow(file, h, y);
        std::uint8_t* dst = out.ScanLine(y).data();
        if (bits == 8) {
            for (int x = 0; x < w; ++x, dst += 3) std::memcpy(dst, lookup.data() + src[x] * 3u, 3);
            continue;
        }
        for (int x = 0; x < w; ++x, dst += 3) {
            const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bits);
            const unsigned index = (src[bit / 8] >> (8 - bits - static_cast<int>(bit % 8))) & mask;
            std::memcpy(dst, lookup.data() + index * 3, 3);
        }
    }
    return out;
}

TBitmap TBitmap::LoadFromFile(const std::string& path)
{
    TBytes bytes = ReadBitmapFile(path);
    // What the headers claim is checked before anything is sized from it.
    std::string why;
    const auto header = CheckBitmapHeader(bytes, &why);
    if (!header) throw platform::Error("Bitmap image is not valid (" + why + "): " + path);
    if (DecodesDirectly(bytes, *header)) return DecodeDirect(std::move(bytes), *header, true);
    try {
        return DecodeBitmap({bytes.data(), bytes.size()});
    } catch (const platform::Error& e) {
        throw platform::Error(std::string(e.what()) + ": " + path);
    }
}

std::span<std::uint8_t> TBitmap::ScanLine(int row)
{
    return {bits_.data() + static_cast<std::ptrdiff_t>(origin_) + stride_ * row, rowBytes_};
}

std::span<const std::uint8_t> TBitmap::ScanLine(int row) const
{
    return {bits_.data() + static_cast<std::ptrdiff_t>(origin_) + stride_ * row, rowBytes_};
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
    TBitmap out = Uncleared(width_, height_, format);
    const std::size_t row = out.rowBytes_;
    const auto w = static_cast<std::size_t>(width_);
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* src = ScanLine(y).data();
        std::uint8_t* dst = out.ScanLine(y).data();
        if (format == TPixelFormat::pf1bit) {
            // White when nearer to white than to black; the bits past the
            // last pixel stay white.
            std::size_t x = 0;
            for (std::size_t i = 0; i < row; ++i) {
                unsigned byte = 0;
                for (unsigned b = 0; b < 8; ++b, ++x) {
                    bool white = true;
                    if (x < w) {
                        const std::uint8_t* p = src + x * 3;
                        white = unsigned(p[0]) + p[1] + p[2] > 382;
                    }
                    byte = (byte << 1) | (white ? 1u : 0u);
                }
                dst[i] = static_cast<std::uint8_t>(byte);
            }
        } else {
            for (std::size_t x = 0; x < w; ++x, dst += 3) {
                const std::uint8_t v = (src[x / 8] & (0x80 >> (x % 8))) ? 0xFF : 0x00;
                dst[0] = v;
                dst[1] = v;
                dst[2] = v;
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
    const unsigned long dpi = platform::EnvironmentNumber("TAVRIN_SCREEN_DPI", 96, 2400);
    return dpi >= 1 ? static_cast<int>(dpi) : 96;
}

} // namespace scorpa
