#pragma once
/* libscorpa-graphics.so: the bitmap reader and the text renderer, kept in a
 * module of their own so that loading libscorpa.so (and every program bound
 * to it) does not pull in the image and text toolkits; Scorpa loads this
 * module the first time an image or a text is printed.
 *
 * Images cross as 24-bit pixels, rows top to bottom, blue, green, red. */
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A bitmap wider or taller than this many pixels is refused as soon as its
 * size is known, before its pixels are allocated. */
#define SCORPA_GFX_MAX_SIDE 4096

typedef struct ScorpaGfxImage {
    int32_t width;
    int32_t height;
    uint8_t* bgr;       /* width * height * 3 bytes, owned by the module */
    char error[256];    /* why a call failed */
} ScorpaGfxImage;

/* Reads a Windows bitmap file's bytes; 0 on success (never for one larger
 * than SCORPA_GFX_MAX_SIDE either way). */
typedef int (*ScorpaGfx_LoadBitmapFn)(const uint8_t* bytes, size_t size, ScorpaGfxImage* out);
/* One line of text at (0, 0) on an image of the text's size, white behind;
 * style bits: 1 strike-out, 2 underline, 4 italic, 8 bold; colour
 * 0x00BBGGRR; black text is drawn without anti-aliasing. 0 on success. */
typedef int (*ScorpaGfx_RenderTextFn)(const char* text, size_t length, const char* family, int32_t pixelHeight,
                                      uint32_t color, int32_t style, ScorpaGfxImage* out);
/* Releases an image's pixels. */
typedef void (*ScorpaGfx_FreeFn)(ScorpaGfxImage* image);

#ifdef __cplusplus
}
#endif
