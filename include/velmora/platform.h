/* Velmora Engine: drawing surface, application windows and runtime services. */
#ifndef VELMORA_PLATFORM_H
#define VELMORA_PLATFORM_H

#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Drawing surface ------------------------------------------------------ */

/* Opens the drawing surface at x, y with the given size in the application
 * window `window` (a value of VLM_WindowID), creates the OpenGL context with
 * `bits` colour and depth bits (depth falls back to 24 when the driver has no
 * such buffer), sets gamma 1.0 and starts the engine (VLM_Init). The surface
 * always covers the window's inner area; x and y are kept as its offset.
 * Returns the surface's identifier, or 0 (nothing else happens then). */
intptr_t VLM_OpenScreenInWindow(intptr_t window, int x, int y, int width, int height, int bits);
/* As above in a window of the engine's own, titled `title`, centred on the
 * screen (flags: the VLM_WINDOW_ values). With fullscreen set the display
 * switches to the mode closest to width x height. Returns the window's
 * identifier, or 0. */
intptr_t VLM_OpenScreenWindow(int width, int height, int bits, const char* title, int flags,
                              int fullscreen);
/* The drawing surface's size in pixels, 0 without one. When its window is
 * resized the surface follows its inner size: the next VLM_RenderWorld or
 * the end of VLM_FlipBuffers makes the render targets, the projection and
 * the 2D screen matrix for the new size. */
int VLM_ScreenWidth(void);
int VLM_ScreenHeight(void);
/* Swap interval: 0 off, 1 every vertical blank. Returns 0. */
int VLM_SetVSync(int interval);
/* Presents the frame and measures frame time and frame rate. Returns 0. */
int VLM_FlipBuffers(void);
/* Seconds the last frame took, measured frames per second, seconds since the
 * counter's zero. */
float VLM_FrameTime(void);
float VLM_RenderFrequency(void);
double VLM_ElapsedTime(void);

/* Automation: while on, every VLM_FlipBuffers keeps a copy of the frame it
 * presents (read back before the swap); VLM_SavePresentedFrame writes the
 * last kept frame as a PNG file. Both return 1 on success, 0 on failure. */
int VLM_KeepPresentedFrames(int on);
int VLM_SavePresentedFrame(const char* fileName);

/* ---- Application windows -------------------------------------------------- */

#define VLM_WINDOW_CENTERED 0x01
#define VLM_WINDOW_TITLEBAR 0x02
#define VLM_WINDOW_SYSTEMMENU 0x04
#define VLM_WINDOW_SIZEGADGET 0x08
#define VLM_WINDOW_BORDERLESS 0x10
#define VLM_WINDOW_HIDDEN 0x20

#define VLM_MAX_WINDOWS 64

/* Window events returned by VLM_WindowEvent. */
#define VLM_EVENT_NONE 0
#define VLM_EVENT_CLOSEWINDOW 1
#define VLM_EVENT_SIZEWINDOW 2
#define VLM_EVENT_MOVEWINDOW 3
#define VLM_EVENT_ACTIVATEWINDOW 4
#define VLM_EVENT_DEACTIVATEWINDOW 5
#define VLM_EVENT_INPUT 6 /* keyboard, mouse or joystick: fed to the input records */
#define VLM_EVENT_OTHER 7

/* Opens window number `window` (0 .. VLM_MAX_WINDOWS - 1) with an inner area
 * of width x height at x, y (ignored when centred). Returns its identifier,
 * or 0. An open window with the same number is closed first. */
intptr_t VLM_OpenWindow(int window, int x, int y, int width, int height, const char* title,
                        int flags);
int VLM_CloseWindow(int window);
int VLM_IsWindow(int window);
/* Identifier of an open window, or 0. */
intptr_t VLM_WindowID(int window);
int VLM_WindowInnerWidth(int window);
int VLM_WindowInnerHeight(int window);
/* Fetches one pending event; VLM_EVENT_NONE when none is pending. Input
 * events update the input records on the way. */
int VLM_WindowEvent(void);
/* Number of the window of the last event, or -1. */
int VLM_EventWindow(void);

/* ---- Runtime --------------------------------------------------------------- */

/* Current directory with a trailing "/" ("" when unknown). The text stays
 * valid until the next call. */
const char* VLM_GetCurrentDirectory(void);
/* Changes the current directory; "\" and "/" both separate names. Returns 1
 * on success, 0 (with a log row) on failure. */
int VLM_SetCurrentDirectory(const char* path);
/* Full name of the program file and its folder with a trailing "/". */
const char* VLM_ProgramFilename(void);
const char* VLM_ProgramDirectory(void);

#ifdef __cplusplus
}
#endif

#endif
