/* Velmora Engine: screen elements.
 *
 * A screen element is a textured quad drawn in screen pixels (x right, y
 * down from the top-left corner of the drawing area) with a material of a
 * 2D program, for example a cross-hair. Its size starts as the pixel size of
 * the material's colour texture. Positive angles turn clockwise on screen.
 *
 * Failures write a red row to the log and return 0. */
#ifndef VELMORA_ELEMENT_H
#define VELMORA_ELEMENT_H

#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VLM_ELEMENT VLM_ELEMENT;

/* `element` is the wanted ID (0..65535; one in use is freed first) or -1.
 * `topLeft` 0 puts the element's centre at the displayed position, else its
 * top-left corner; `flipV` non-zero turns the image upside down. Returns
 * the ID, or for -1 the element's address, or 0. */
VLM_HANDLE VLM_CreateElement(VLM_HANDLE element, VLM_HANDLE material, int topLeft, int flipV);
/* Draws the element now, into the bound framebuffer, at pixel (x, y). */
int VLM_DisplayElement(VLM_HANDLE element, float x, float y);
/* Angle in degrees; with `relative` non-zero it is added to the current one. */
int VLM_RotateElement(VLM_HANDLE element, float angle, int relative);
/* Size in pixels. */
int VLM_ZoomElement(VLM_HANDLE element, float width, float height);
/* The four corners in pixels, relative to the displayed position, in the
 * order top-left, bottom-left, top-right, bottom-right of the image; the
 * angle goes back to 0 and the size to 1 x 1. */
int VLM_TransformElement(VLM_HANDLE element, float x0, float y0, float x1, float y1, float x2, float y2,
                         float x3, float y3);
int VLM_FreeElement(VLM_HANDLE element);
/* The element's record, or 0 for anything that is not a live element. */
VLM_ELEMENT* VLM_IsElement(VLM_HANDLE element);

/* The engine's 102 x 102 logo, drawn by every VLM_FlipBuffers while
 * switched on (off at start), centred at (W - 52, H - 52) in the bottom-right
 * corner. Returns the previous setting. */
int VLM_ShowEngineLogo(int on);

#ifdef __cplusplus
}
#endif

#endif
