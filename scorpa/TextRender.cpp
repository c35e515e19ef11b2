#include "TextRender.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstring>
#include <memory>

namespace scorpa {
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

// A layout on a scratch context, set up with the font, styles and text.
std::unique_ptr<PangoLayout, GObjectUnref> MakeLayout(PangoFontMap* fontMap, cairo_t* cr, std::string_view text,
                                                     const TFontSpec& font)
{
    FontOptionsPtr options(cairo_font_options_create());
    // Metrics hinted to whole pixels keep extents stable from run to run.
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_antialias(options.get(), font.Color == 0 ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, options.get());

    std::unique_ptr<PangoContext, GObjectUnref> context(pango_font_map_create_context(fontMap));
    pango_cairo_update_context(cr, context.get());
    // Pixels are the unit: one device unit per pixel.
    pango_cairo_context_set_resolution(context.get(), 72.0);
    std::unique_ptr<PangoLayout, GObjectUnref> layout(pango_layout_new(context.get()));

    FontDescPtr desc(pango_font_description_new());
    pango_font_description_set_family(desc.get(), font.Name.c_str());
    pango_font_description_set_absolute_size(desc.get(), double(FontPixelHeight(font)) * PANGO_SCALE);
    pango_font_description_set_weight(desc.get(), (font.Style & fsBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc.get(), (font.Style & fsItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout.get(), desc.get());

    AttrListPtr attrs(pango_attr_list_new());
    if (font.Style & fsUnderline) pango_attr_list_insert(attrs.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font.Style & fsStrikeOut) pango_attr_list_insert(attrs.get(), pango_attr_strikethrough_new(TRUE));
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

int AlignLeft(int nLeft, int width, int nAlign)
{
    if (nAlign == 1) return nLeft - width;
    if (nAlign == 2) return nLeft - width / 2;
    return nLeft;
}

int FontPixelHeight(const TFontSpec& font)
{
    const int h = MulDiv(font.Size, font.PixelsPerInch, 72);
    return h < 1 ? 1 : h;
}

TBitmap RenderText(std::string_view text, const TFontSpec& font)
{
    // A font map of our own, released with everything it looked up: the
    // library leaves nothing behind in the toolkit's shared state.
    std::unique_ptr<PangoFontMap, GObjectUnref> fontMap(pango_cairo_font_map_new());
    // Measure on a 1 x 1 surface, then draw on one of the text's size.
    SurfacePtr scratch(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1));
    CairoPtr measure(cairo_create(scratch.get()));
    auto probe = MakeLayout(fontMap.get(), measure.get(), text, font);
    int width = 0, height = 0;
    pango_layout_get_pixel_size(probe.get(), &width, &height);
    if (width <= 0 || height <= 0) return TBitmap(width < 0 ? 0 : width, height < 0 ? 0 : height, TPixelFormat::pf24bit);

    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    CairoPtr cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    auto layout = MakeLayout(fontMap.get(), cr.get(), text, font);
    const double r = (font.Color & 0xFF) / 255.0;
    const double g = ((font.Color >> 8) & 0xFF) / 255.0;
    const double b = ((font.Color >> 16) & 0xFF) / 255.0;
    cairo_set_source_rgb(cr.get(), r, g, b);
    cairo_move_to(cr.get(), 0, 0);
    pango_cairo_show_layout(cr.get(), layout.get());
    cairo_surface_flush(surface.get());

    TBitmap bmp(width, height, TPixelFormat::pf24bit);
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = data + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            std::uint32_t px;
            std::memcpy(&px, row + static_cast<std::ptrdiff_t>(x) * 4, 4);
            bmp.SetPixel24(x, y, (px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF);
        }
    }
    return bmp;
}

} // namespace scorpa
