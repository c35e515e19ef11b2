// Windows bitmap files as Scorpa reads them for printing: the header check
// and the graphics module's decoder behind it (loaded with dlopen from
// beside this program, as the library loads it from beside itself). A file
// the check refuses is never decoded; one decoded has the size its headers
// declare, within the card limit, and every pixel row is there. The run
// limits memory (see run-fuzz.sh), so a file that talks the decoder into a
// huge allocation is a finding.
#include "Bitmap.h"
#include "FuzzCheck.h"
#include "Graphics.h"
#include "platform/Error.h"

#include <cstdint>
#include <span>

using namespace scorpa;

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
    unsigned sum = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (const std::uint8_t b : bitmap.ScanLine(y)) sum += b;
    (void)sum;

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
