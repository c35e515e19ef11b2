#include "Graphics.h"

#include "graphics/ScorpaGraphics.h"
#include "platform/DynamicLibrary.h"
#include "platform/Error.h"
#include "platform/Process.h"

#include <cstring>

namespace scorpa {

static_assert(MAX_BITMAP_SIDE == SCORPA_GFX_MAX_SIDE, "the module refuses what the library refuses");

namespace {

struct TGraphicsModule {
    // Never unloaded: the GObject type system the toolkits register with
    // cannot be taken out of a running process.
    platform::DynamicLibrary* library = nullptr;
    ScorpaGfx_LoadBitmapFn loadBitmap = nullptr;
    ScorpaGfx_RenderTextFn renderText = nullptr;
    ScorpaGfx_FreeFn free = nullptr;
};

const TGraphicsModule& Module()
{
    static TGraphicsModule module = [] {
        TGraphicsModule m;
#ifdef _WIN32
        static const char kFile[] = "ScorpaGraphics.dll";
#else
        static const char kFile[] = "libscorpa-graphics.so";
#endif
        std::string error;
        // Beside this library first, whichever program loaded it; then the
        // usual search.
        auto library = platform::DynamicLibrary::Load(platform::ModuleDir(reinterpret_cast<const void*>(&Module)) + kFile, &error);
        if (!library) library = platform::DynamicLibrary::Load(kFile, &error);
        if (!library) return m;
        m.library = new platform::DynamicLibrary(std::move(*library));
        m.loadBitmap = m.library->Function<ScorpaGfx_LoadBitmapFn>("ScorpaGfx_LoadBitmap");
        m.renderText = m.library->Function<ScorpaGfx_RenderTextFn>("ScorpaGfx_RenderText");
        m.free = m.library->Function<ScorpaGfx_FreeFn>("ScorpaGfx_Free");
        return m;
    }();
    if (!module.loadBitmap || !module.renderText || !module.free)
        throw platform::Error("The graphics module cannot be loaded");
    return module;
}

// Copies the module's image into a bitmap and releases it.
TBitmap Take(const TGraphicsModule& m, ScorpaGfxImage& image)
{
    TBitmap bmp(image.width, image.height, TPixelFormat::pf24bit);
    const std::size_t row = static_cast<std::size_t>(image.width) * 3;
    for (int y = 0; y < image.height; ++y)
        if (row) std::memcpy(bmp.ScanLine(y).data(), image.bgr + row * static_cast<std::size_t>(y), row);
    m.free(&image);
    return bmp;
}

} // namespace

TBitmap DecodeBitmap(std::span<const std::uint8_t> bytes)
{
    // The toolkit sizes its buffers from the headers before it has seen the
    // data: what they claim is checked first.
    std::string why;
    const auto header = CheckBitmapHeader(bytes, &why);
    if (!header) throw platform::Error("Bitmap image is not valid (" + why + ")");
    // Uncompressed layouts need no toolkit; the copy keeps the caller's bytes its own.
    if (TBitmap::DecodesDirectly(bytes, *header))
        return TBitmap::DecodeDirect(TBytes(bytes.begin(), bytes.end()), *header, false);
    const TGraphicsModule& m = Module();
    ScorpaGfxImage image {};
    if (m.loadBitmap(bytes.data(), bytes.size(), &image) != 0) {
        m.free(&image);
        throw platform::Error(image.error);
    }
    return Take(m, image);
}

TBitmap DrawText(std::string_view text, const std::string& family, int pixelHeight, std::uint32_t color, int style)
{
    const TGraphicsModule& m = Module();
    ScorpaGfxImage image {};
    if (m.renderText(text.data(), text.size(), family.c_str(), pixelHeight, color, style, &image) != 0) {
        m.free(&image);
        throw platform::Error(image.error);
    }
    return Take(m, image);
}

} // namespace scorpa
