// Application windows of the platform layer and the window creation that the
// drawing surface shares with them. For platform/ files only.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>

namespace vlm::platform {

// How a window is to be made; kept so that the surface can make it again
// when the pixel format it needs differs from the one the window got.
struct WindowShape {
  std::string title;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  Uint32 sdlFlags = 0;  // without SDL_WINDOW_OPENGL
};

struct AppWindow {
  intptr_t id = 0;  // never reused, so a closed window's identifier stays dead
  int number = -1;
  WindowShape shape;
  SDL_Window* sdl = nullptr;
  int bits = 0;   // colour bits the window's pixel format was asked with
  int depth = 0;  // depth bits it was made with
};

// An open window by number or by identifier (a stale or forged identifier
// gives nullptr).
AppWindow* AppWindowByNumber(int number);
AppWindow* AppWindowFromId(intptr_t id);

// Depth requests for `bits`, in the order they are tried: the bits asked
// for, then 24 (no driver offers 32 depth bits over X11).
int DepthCandidates(int bits, int out[2]);
// The pixel-format attributes for a surface of `bits` colour and `depth`
// depth bits (no alpha, stencil or accumulation bits).
void SetPixelAttributes(int bits, int depth);
// Sets the pixel-format attributes and makes a GL-capable window; nullptr
// when the driver has no such pixel format.
SDL_Window* MakeGLWindow(const WindowShape& shape, int bits, int depth);
// Makes app's window (app.sdl must be nullptr) for a 32-bit surface with
// the first depth the driver offers; false when none fits.
bool MakeDefaultGLWindow(AppWindow& app);
// The SDL window flags for the engine's VLM_WINDOW_ flags.
Uint32 SdlWindowFlags(int flags);

}  // namespace vlm::platform
