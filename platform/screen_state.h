// The drawing surface kept in the engine context. The window system objects
// are kept opaque here so that no file outside platform/ needs SDL.
#pragma once

#include <cstdint>

namespace vlm {

struct ScreenState {
  intptr_t appWindow = 0;   // application window the surface lives in (0: own window)
  void* window = nullptr;   // window holding the surface (SDL_Window*)
  void* glContext = nullptr;
  int32_t x = 0;            // drawing area inside the window, pixels
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t drawableWidth = 0;  // the window's drawable size the surface last followed
  int32_t drawableHeight = 0;
  int32_t colourBits = 0;   // bits asked for
  int32_t depthBits = 0;    // depth bits the surface really got asked with
  int32_t swapInterval = 0;
  bool ownWindow = false;   // the engine opened the window itself
  bool fullscreen = false;
};

ScreenState& Screen();

}  // namespace vlm
