// Windows bitmap files as Scorpa reads them for printing: the header check
// and the graphics module's decoder behind it (loaded with dlopen from
// beside this program, as the library loads it from beside itself). A file
// the check refuses is never decoded; one decoded has the size its headers
// declare, within the card limit, and for an uncompressed file every pixel
// is the colour the file gives it. The run limits memory (see
// run-fuzz.sh), so a file that talks the decoder into a huge allocation is
// a finding.
#include "Bitmap.h"
#include "FuzzCheck.h"
#include "Graphics.h"
#include "platform/Error.h"

#include <cstdint>
#include <span>

using namespace scorpa;

namespace {

std::uint32_t U32(std::span<const std::uint8_t> f, std::size_t at)
{
    return f[at] | (f[at + 1] << 8) | (f[at + 2] << 16) | (std::uint32_t(f[at + 3]) << 24);
}

// Each pixel of an uncompressed file, read straight from its bytes: rows
// padded to four bytes, bottom row first unless top-down; up to 8 bits an
// index into the colour table (blue, green, red), above that blue, green,
// red themselves.
void CheckPixels(std::span<const std::uint8_t> file, const TBitmapHeader& h, const TBitmap& bitmap)
{
    if (h.Compression != 0 || h.BitCount == 16) return;
    const std::uint32_t infoSize = U32(file, 14);
    const std::size_t entry = infoSize == 12 ? 3 : 4;
    const std::size_t table = 14 + infoSize;
    const std::size_t stride = ((static_cast<std::size_t>(h.Width) * h.BitCount + 31) / 32) * 4;
    // gdk-pixbuf reads a colour-table bitmap whose pixel data does not
    // start right where the table ends (a gap after it, or an offset inside
    // it) as all black; the header check lets such files through, so they
    // are left out of this comparison.
    if (h.BitCount <= 8 && h.DataOffset != table + h.Colors * entry) return;
    FUZZ_CHECK(h.DataOffset + stride * static_cast<std::size_t>(h.Height) <= file.size());
    for (int y = 0; y < h.Height; ++y) {
        const std::uint8_t* row = file.data() + h.DataOffset + stride * static_cast<std::size_t>(h.TopDown ? y : h.Height - 1 - y);
        const auto line = bitmap.ScanLine(y);
        for (int x = 0; x < h.Width; ++x) {
            const std::uint8_t* bgr;
            if (h.BitCount <= 8) {
                const std::size_t bit = static_cast<std::size_t>(x) * h.BitCount;
                const unsigned index = (row[bit / 8] >> (8 - h.BitCount - bit % 8)) & ((1u << h.BitCount) - 1);
                if (index >= h.Colors) continue;  // outside the table: the reader's choice
                bgr = file.data() + table + index * entry;
            } else {
                bgr = row + static_cast<std::size_t>(x) * (h.BitCount / 8);
            }
            const std::uint8_t* got = line.data() + static_cast<std::size_t>(x) * 3;
            FUZZ_CHECK(got[0] == bgr[0] && got[1] == bgr[1] && got[2] == bgr[2]);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> file(data, size);
    const auto header = CheckBitmapHeader(file);
    TBitmap bitmap;
    try {
        bitmap = DecodeBitmap(file);
    } catch (const platform::Error&) {
        return 0;
    }
    FUZZ_CHECK(header.has_value());
    FUZZ_CHECK(bitmap.Width() == header->Width && bitmap.Height() == header->Height);
    FUZZ_CHECK(bitmap.Width() >= 1 && bitmap.Width() <= MAX_BITMAP_SIDE);
    FUZZ_CHECK(bitmap.Height() >= 1 && bitmap.Height() <= MAX_BITMAP_SIDE);
    FUZZ_CHECK(bitmap.PixelFormat() == TPixelFormat::pf24bit);
    FUZZ_CHECK(bitmap.RowBytes() == static_cast<std::size_t>(bitmap.Width()) * 3);
    CheckPixels(file, *header, bitmap);

    // What printing does with it next, for the small ones.
    if (static_cast<long>(bitmap.Width()) * bitmap.Height() <= 64 * 1024) {
        TBitmap mono = bitmap;
        mono.SetPixelFormat(TPixelFormat::pf1bit);
        FUZZ_CHECK(mono.Width() == bitmap.Width() && mono.Height() == bitmap.Height());
        Rotate180(mono);
        FUZZ_CHECK(mono.PixelFormat() == TPixelFormat::pf24bit);
        FUZZ_CHECK(mono.Width() == bitmap.Width() && mono.Height() == bitmap.Height());
    }
    return 0;
}
