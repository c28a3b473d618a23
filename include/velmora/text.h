/* Velmora Engine: bitmap fonts and screen text.
 *
 * A font file (".tf") holds an atlas image, the metrics of its glyphs and
 * kerning pairs. Fonts made from the same file content share its glyphs,
 * atlas texture and material. Text is UTF-8; characters the font has no
 * glyph for (and invalid bytes) are skipped, a zero byte ends the text.
 * Text is drawn in screen pixels (x right, y down from the top-left corner)
 * into the bound framebuffer, one quad per glyph.
 *
 * Font handle -1 names the engine's built-in default font.
 * Failures write a red row to the log and return 0. */
#ifndef VELMORA_TEXT_H
#define VELMORA_TEXT_H

#include <stddef.h>

#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VLM_FONT VLM_FONT;

/* The settings of a font; a new font copies the default text settings. */
typedef struct VLM_TEXT_SETTINGS {
  float size;          /* scale of every metric (1: the baked pixel size) */
  uint32_t colour;     /* red in bits 0-7 ... alpha in bits 24-31 */
  float rotation;      /* degrees, clockwise on screen, about the drawing position */
  float alignX;        /* 0 left, 0.5 centred, 1 right: part of the block width moved left */
  float alignY;        /* the same for the block height, upwards */
  float italicAngle;   /* degrees; glyph tops lean right for positive angles */
  float letterSpacing; /* pixels added to every advance (before scaling) */
  float wrapWidth;     /* pixels; 0: lines break only at line feeds */
  int32_t kerning;     /* non-zero: kerning pairs apply */
} VLM_TEXT_SETTINGS;

/* Reads a font file. `font` is the wanted ID (0..65535; a font with that ID
 * is freed first) or -1. Returns the ID, or for -1 the font's address, or
 * 0 when the file cannot be read or is no font file. A damaged chunk ends
 * reading; what was read before it stays. */
VLM_HANDLE VLM_LoadFont(VLM_HANDLE font, const char* fileName);
/* The same from a font file in memory. */
VLM_HANDLE VLM_CatchFont(VLM_HANDLE font, const void* memory, size_t size);
int VLM_FreeFont(VLM_HANDLE font);
/* The font's record, or 0 for anything that is not a live font. */
VLM_FONT* VLM_IsFont(VLM_HANDLE font);

int VLM_GetFontSettings(VLM_HANDLE font, VLM_TEXT_SETTINGS* settings);
int VLM_SetFontSettings(VLM_HANDLE font, const VLM_TEXT_SETTINGS* settings);
/* The settings new fonts start with: size 1, colour 0xFFFFFFFF, kerning on,
 * everything else 0. */
int VLM_GetDefaultTextSettings(VLM_TEXT_SETTINGS* settings);
int VLM_SetDefaultTextSettings(const VLM_TEXT_SETTINGS* settings);

/* The first line of `text` at `size` (VLM_DEFAULTF: the font's size): returns
 * its length in bytes, its line feed included, and writes its width and line
 * height in pixels (either pointer may be 0). */
int VLM_TextLine(VLM_HANDLE font, const char* text, float size, float* width, float* lineHeight);
/* Returns the number of lines; writes the widest line and the sum of the
 * line heights. */
int VLM_TextSize(VLM_HANDLE font, const char* text, float* width, float* height, float size);
/* Draws `text` with its first line's top-left at (x, y), moved by the
 * font's alignment. VLM_DEFAULT for `colour` and VLM_DEFAULTF for `size` and
 * `italicAngle` take the font's own values. Returns the glyphs drawn. */
int VLM_DrawText(VLM_HANDLE font, float x, float y, const char* text, int64_t colour, float size,
                 float italicAngle);

#ifdef __cplusplus
}
#endif

#endif
