// The drawing surface as seen by the engine core and the renderer. Nothing
// here needs the window system's headers.
#pragma once

#include <cstdint>

namespace vlm::platform {

// Closes the drawing area when it still exists and releases the cursor.
void CloseScreen();
// Shows a warning box (or prints the warning when no window system runs).
void ShowWarning(const char* title, const char* text);

// Address of a GL entry point of the current context, or nullptr.
void* GetGLProcAddress(const char* name);
// Presents the back buffer of the drawing surface.
void SwapBuffers();
// The size of the drawing surface's default framebuffer in pixels
// (0 x 0 without a surface).
void DrawableSize(int* width, int* height);
// The surface covers its window's inner area: when the window's drawable
// size is no longer the one the surface last took, the surface's size in
// the engine context becomes it. True when the size changed. A window
// with no area (minimised) changes nothing.
bool FollowWindowSize();

// Monotonic counter in nanoseconds and its frequency.
int64_t PerformanceCounter();
constexpr int64_t kCounterFrequency = 1000000000;

}  // namespace vlm::platform
