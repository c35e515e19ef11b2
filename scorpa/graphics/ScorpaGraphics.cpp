// The image and text toolkits behind Scorpa: gdk-pixbuf reads Windows
// bitmap files, Pango and Cairo (through fontconfig) draw text.
#include "ScorpaGraphics.h"

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <pango/pangocairo.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#define GFX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

template <typename T, void (*Fn)(T*)>
struct Deleter {
    void operator()(T* p) const { Fn(p); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, Deleter<cairo_surface_t, cairo_surface_destroy>>;
using CairoPtr = std::unique_ptr<cairo_t, Deleter<cairo_t, cairo_destroy>>;
using FontDescPtr = std::unique_ptr<PangoFontDescription, Deleter<PangoFontDescription, pango_font_description_free>>;
using AttrListPtr = std::unique_ptr<PangoAttrList, Deleter<PangoAttrList, pango_attr_list_unref>>;
using FontOptionsPtr = std::unique_ptr<cairo_font_options_t, Deleter<cairo_font_options_t, cairo_font_options_destroy>>;

struct GObjectUnref {
    void operator()(gpointer p) const { g_object_unref(p); }
};
struct GErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};

int Fail(ScorpaGfxImage* out, const char* what, const GError* err = nullptr)
{
    std::snprintf(out->error, sizeof out->error, "%s%s%s%s", what, err ? " (" : "", err ? err->message : "", err ? ")" : "");
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

void RefuseOversize(GdkPixbufLoader* loader, gint width, gint height, gpointer tooLarge)
{
    if (width > SCORPA_GFX_MAX_SIDE || height > SCORPA_GFX_MAX_SIDE) {
        *static_cast<bool*>(tooLarge) = true;
        gdk_pixbuf_loader_set_size(loader, 0, 0);
    }
}

// A layout on a scratch context, set up with the font, styles and text.
std::unique_ptr<PangoLayout, GObjectUnref> MakeLayout(PangoFontMap* fontMap, cairo_t* cr, std::string_view text,
                                                     const char* family, int pixelHeight, uint32_t color, int style)
{
    FontOptionsPtr options(cairo_font_options_create());
    // Metrics hinted to whole pixels keep extents stable from run to run.
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_antialias(options.get(), color == 0 ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, options.get());

    std::unique_ptr<PangoContext, GObjectUnref> context(pango_font_map_create_context(fontMap));
    pango_cairo_update_context(cr, context.get());
    // Pixels are the unit: one device unit per pixel.
    pango_cairo_context_set_resolution(context.get(), 72.0);
    std::unique_ptr<PangoLayout, GObjectUnref> layout(pango_layout_new(context.get()));

    FontDescPtr desc(pango_font_description_new());
    pango_font_description_set_family(desc.get(), family);
    pango_font_description_set_absolute_size(desc.get(), double(pixelHeight) * PANGO_SCALE);
    pango_font_description_set_weight(desc.get(), (style & 8) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc.get(), (style & 4) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout.get(), desc.get());

    AttrListPtr attrs(pango_attr_list_new());
    if (style & 2) pango_attr_list_insert(attrs.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (style & 1) pango_attr_list_insert(attrs.get(), pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(layout.get(), attrs.get());

    pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
    // Texts are UTF-8 here; stray bytes are shown as replacement marks
    // rather than dropping the line.
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    pango_layout_set_text(layout.get(), valid, -1);
    g_free(valid);
    return layout;
}

} // namespace

GFX_EXPORT int ScorpaGfx_LoadBitmap(const uint8_t* bytes, size_t size, ScorpaGfxImage* out)
{
    *out = ScorpaGfxImage {};
    // Only the BMP reader is asked: a file named as a bitmap is read as one.
    GError* raw = nullptr;
    std::unique_ptr<GdkPixbufLoader, GObjectUnref> loader(gdk_pixbuf_loader_new_with_type("bmp", &raw));
    std::unique_ptr<GError, GErrorFree> err(raw);
    if (!loader) return Fail(out, "No bitmap reader", err.get());
    // Told the size before the pixels are allocated: asking for 0 x 0 then
    // makes the reader stop without allocating them.
    bool tooLarge = false;
    g_signal_connect(loader.get(), "size-prepared", G_CALLBACK(RefuseOversize), &tooLarge);
    raw = nullptr;
    const bool wrote = gdk_pixbuf_loader_write(loader.get(), bytes, size, &raw);
    err.reset(raw);
    raw = nullptr;
    const bool closed = gdk_pixbuf_loader_close(loader.get(), wrote ? &raw : nullptr);
    if (!err) err.reset(raw);
    GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
    if (tooLarge) return Fail(out, "Bitmap image is larger than a card can use");
    if (!wrote || !closed || !pixbuf) return Fail(out, "Bitmap image is not valid", err.get());

    const int w = gdk_pixbuf_get_width(pixbuf);
    const int h = gdk_pixbuf_get_height(pixbuf);
    if (w <= 0 || h <= 0 || w > SCORPA_GFX_MAX_SIDE || h > SCORPA_GFX_MAX_SIDE) return Fail(out, "Bitmap image is not valid");
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    if (gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 || channels < 3) return Fail(out, "Bitmap image is not valid");
    if (!Allocate(out, w, h)) return Fail(out, "Out of memory");
    const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
    for (int y = 0; y < h; ++y) {
        const guchar* src = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        uint8_t* dst = out->bgr + static_cast<size_t>(y) * static_cast<size_t>(w) * 3;
        // The 24-bit form has no alpha: the colour channels are kept as they are.
        for (int x = 0; x < w; ++x, src += channels, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    return 0;
}

GFX_EXPORT int ScorpaGfx_RenderText(const char* text, size_t length, const char* family, int32_t pixelHeight,
                                    uint32_t color, int32_t style, ScorpaGfxImage* out)
{
    *out = ScorpaGfxImage {};
    const std::string_view line(text ? text : "", text ? length : 0);
    // A font map of our own, made on the first text and kept while the
    // module is loaded (it never is unloaded): the fonts it has looked up
    // and opened serve every later text of the process, which is what makes
    // the first text slow and the later ones quick. The toolkit's shared
    // default map is left alone.
    static PangoFontMap* const fontMap = pango_cairo_font_map_new();
    // Measure on a 1 x 1 surface, then draw on one of the text's size.
    SurfacePtr scratch(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1));
    CairoPtr measure(cairo_create(scratch.get()));
    auto probe = MakeLayout(fontMap, measure.get(), line, family, pixelHeight, color, style);
    int width = 0, height = 0;
    pango_layout_get_pixel_size(probe.get(), &width, &height);
    if (width <= 0 || height <= 0) {
        Allocate(out, width < 0 ? 0 : width, height < 0 ? 0 : height);
        return 0;
    }

    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    CairoPtr cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    auto layout = MakeLayout(fontMap, cr.get(), line, family, pixelHeight, color, style);
    cairo_set_source_rgb(cr.get(), (color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, ((color >> 16) & 0xFF) / 255.0);
    cairo_move_to(cr.get(), 0, 0);
    pango_cairo_show_layout(cr.get(), layout.get());
    cairo_surface_flush(surface.get());

    if (!Allocate(out, width, height)) return Fail(out, "Out of memory");
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = data + static_cast<std::ptrdiff_t>(y) * stride;
        uint8_t* dst = out->bgr + static_cast<size_t>(y) * static_cast<size_t>(width) * 3;
        for (int x = 0; x < width; ++x, dst += 3) {
            uint32_t px;
            std::memcpy(&px, row + static_cast<std::ptrdiff_t>(x) * 4, 4);
            dst[0] = px & 0xFF;
            dst[1] = (px >> 8) & 0xFF;
            dst[2] = (px >> 16) & 0xFF;
        }
    }
    return 0;
}

GFX_EXPORT void ScorpaGfx_Free(ScorpaGfxImage* image)
{
    if (!image) return;
    std::free(image->bgr);
    image->bgr = nullptr;
}
