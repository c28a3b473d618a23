// The drawing surface: a window with an OpenGL context, made current on the
// calling thread, after which the engine starts.
#include "platform/screen.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "core/engine_state.h"
#include "core/fail.h"
#include "platform/screen_state.h"
#include "platform/sdl_access.h"
#include "platform/sdl_input.h"
#include "platform/window_list.h"
#include "velmora/core.h"
#include "velmora/input.h"
#include "velmora/platform.h"

namespace vlm::platform {
namespace {

void FailLoud(const std::string& text, const char* procedure) {
  // The log is usually not open yet when a surface fails; the console
  // still tells the user why.
  vlm::Fail(text, procedure);
  std::fprintf(stderr, "%s: %s\n", procedure, text.c_str());
}

// OpenGL 3.3 compatibility profile first; when the driver refuses it,
// whatever a plain request gives; last, a 3.3 core profile (drivers that
// offer nothing else). The engine needs compatibility features only for
// parts of its initial state, which a core context ignores.
SDL_GLContext CreateContext(SDL_Window* window) {
  struct Request {
    int profile, major, minor;
  };
  static constexpr Request kRequests[] = {
      {SDL_GL_CONTEXT_PROFILE_COMPATIBILITY, 3, 3},
      {0, 2, 1},
      {SDL_GL_CONTEXT_PROFILE_CORE, 3, 3},
  };
  for (const Request& request : kRequests) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, request.profile);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, request.major);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, request.minor);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context) return context;
  }
  return nullptr;
}

struct Surface {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  int depth = 0;
};

// Makes the context on an application window. When the window's pixel
// format was asked with other bits, the window is made again with the same
// title, place, size and flags, as SDL fixes the format when it makes a
// window.
bool SurfaceInAppWindow(AppWindow& app, int bits, Surface& out) {
  int depths[2];
  const int count = DepthCandidates(bits, depths);
  int first = 0;
  if (app.bits == bits) {
    while (first < count && depths[first] != app.depth) ++first;
    if (first == count) first = 0;
  }
  for (int i = first; i < count; ++i) {
    if (app.sdl == nullptr || app.bits != bits || app.depth != depths[i]) {
      int x = app.shape.x, y = app.shape.y;
      if (app.sdl) {
        SDL_GetWindowPosition(app.sdl, &x, &y);
        SDL_DestroyWindow(app.sdl);
        app.sdl = nullptr;
      }
      WindowShape shape = app.shape;
      if (shape.x != static_cast<int>(SDL_WINDOWPOS_CENTERED)) shape.x = x;
      if (shape.y != static_cast<int>(SDL_WINDOWPOS_CENTERED)) shape.y = y;
      app.sdl = MakeGLWindow(shape, bits, depths[i]);
      app.bits = bits;
      app.depth = depths[i];
      if (!app.sdl) continue;
    }
    SetPixelAttributes(bits, depths[i]);
    out.context = CreateContext(app.sdl);
    if (out.context) {
      out.window = app.sdl;
      out.depth = depths[i];
      return true;
    }
  }
  // The application keeps a window even when no surface fits in it.
  if (!app.sdl) MakeDefaultGLWindow(app);
  return false;
}

bool SurfaceInOwnWindow(const WindowShape& shape, int bits, Surface& out) {
  int depths[2];
  const int count = DepthCandidates(bits, depths);
  for (int i = 0; i < count; ++i) {
    SDL_Window* window = MakeGLWindow(shape, bits, depths[i]);
    if (!window) continue;
    SDL_GLContext context = CreateContext(window);
    if (context) {
      out = {window, context, depths[i]};
      return true;
    }
    SDL_DestroyWindow(window);
  }
  return false;
}

bool CheckRequest(int width, int height, int bits, const char* procedure) {
  if (width <= 0 || height <= 0) {
    FailLoud("Fail: The drawing surface needs a width and a height above 0!", procedure);
    return false;
  }
  if (bits <= 0 || bits > 32) {
    FailLoud("Fail: The colour depth must be 1 to 32 bits!", procedure);
    return false;
  }
  if (Screen().glContext) {
    FailLoud("Fail: The drawing surface is already open!", procedure);
    return false;
  }
  if (!EnsureVideo()) {
    FailLoud(std::string("Fail: No window system can be reached (") + SDL_GetError() + ")!", procedure);
    return false;
  }
  return true;
}

// Stores the surface in the engine context and starts the engine. False
// when the engine closed the surface again (a size the driver cannot draw
// into), after the failure row of `procedure`.
bool StartEngine(const char* procedure, const Surface& surface, intptr_t appWindow, int x, int y, int width,
                 int height, int bits, bool own, bool fullscreen) {
  ScreenState& screen = Screen();
  screen.appWindow = appWindow;
  screen.window = surface.window;
  screen.glContext = surface.context;
  screen.x = x;
  screen.y = y;
  screen.width = width;
  screen.height = height;
  // The size the window has now: the surface follows it from its first change.
  SDL_GL_GetDrawableSize(surface.window, &screen.drawableWidth, &screen.drawableHeight);
  screen.colourBits = bits;
  screen.depthBits = surface.depth;
  screen.swapInterval = 0;
  screen.ownWindow = own;
  screen.fullscreen = fullscreen;
  TimingState& timing = Timing();
  timing.gamma = 1.0f;
  timing.lastFrameSeconds = 0.0f;
  timing.lastFrameCounter = 0;
  Engine().hasGL = true;
  // Keyboard and mouse follow the surface's window from now on.
  InstallInputHook(own);
  VLM_Init();
  if (screen.glContext) return true;
  FailLoud("Fail: The drawing surface is larger than the graphics driver can draw into!", procedure);
  return false;
}

}  // namespace

SDL_Window* SdlWindow() { return static_cast<SDL_Window*>(Screen().window); }

void CloseScreen() {
  ScreenState& screen = Screen();
  SDL_Window* window = SdlWindow();
  if (window) VLM_UnclipCursor();
  if (screen.glContext) {
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(screen.glContext));
  }
  if (window && screen.ownWindow) SDL_DestroyWindow(window);
  screen = ScreenState{};
  Engine().hasGL = false;
}

void ShowWarning(const char* title, const char* text) {
  std::fprintf(stderr, "%s: %s\n", title, text);
  // A box only where someone can see and close it.
  SDL_Window* window = SdlWindow();
  if (window && (SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN))
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, title, text, window);
}

void* GetGLProcAddress(const char* name) {
  if (!Screen().glContext) return nullptr;
  return SDL_GL_GetProcAddress(name);
}

void SwapBuffers() {
  if (SDL_Window* window = SdlWindow()) SDL_GL_SwapWindow(window);
}

void DrawableSize(int* width, int* height) {
  *width = 0;
  *height = 0;
  if (SDL_Window* window = SdlWindow()) SDL_GL_GetDrawableSize(window, width, height);
}

bool FollowWindowSize() {
  ScreenState& screen = Screen();
  if (!screen.glContext) return false;
  int width = 0, height = 0;
  DrawableSize(&width, &height);
  if (width <= 0 || height <= 0 || (width == screen.drawableWidth && height == screen.drawableHeight))
    return false;
  screen.drawableWidth = width;
  screen.drawableHeight = height;
  if (width == screen.width && height == screen.height) return false;
  screen.width = width;
  screen.height = height;
  return true;
}

int64_t PerformanceCounter() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * kCounterFrequency + now.tv_nsec;
}

}  // namespace vlm::platform

using namespace vlm::platform;

extern "C" {

intptr_t VLM_OpenScreenInWindow(intptr_t window, int x, int y, int width, int height, int bits) {
  constexpr const char* kProc = "VLM_OpenScreenInWindow";
  AppWindow* app = AppWindowFromId(window);
  if (!app) {
    FailLoud("Fail: This window does not exist!", kProc);
    return 0;
  }
  if (!CheckRequest(width, height, bits, kProc)) return 0;
  Surface surface;
  if (!SurfaceInAppWindow(*app, bits, surface)) {
    FailLoud(std::string("Fail: The OpenGL context cannot be created (") + SDL_GetError() + ")!", kProc);
    return 0;
  }
  if (!StartEngine(kProc, surface, window, x, y, width, height, bits, false, false)) return 0;
  return static_cast<intptr_t>(SDL_GetWindowID(surface.window));
}

intptr_t VLM_OpenScreenWindow(int width, int height, int bits, const char* title, int flags,
                              int fullscreen) {
  constexpr const char* kProc = "VLM_OpenScreenWindow";
  if (!CheckRequest(width, height, bits, kProc)) return 0;
  WindowShape shape;
  shape.title = title ? title : "";
  shape.x = fullscreen ? 0 : static_cast<int>(SDL_WINDOWPOS_CENTERED);
  shape.y = shape.x;
  shape.width = width;
  shape.height = height;
  shape.sdlFlags = SdlWindowFlags(flags);
  if (fullscreen) shape.sdlFlags = (shape.sdlFlags & ~SDL_WINDOW_RESIZABLE) | SDL_WINDOW_FULLSCREEN |
                                  SDL_WINDOW_BORDERLESS;
  Surface surface;
  if (!SurfaceInOwnWindow(shape, bits, surface)) {
    FailLoud(std::string("Fail: The OpenGL context cannot be created (") + SDL_GetError() + ")!", kProc);
    return 0;
  }
  if (fullscreen) {
    // The display mode closest to width x height at the colour depth asked.
    SDL_DisplayMode wanted{bits > 16 ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_RGB565, width,
                           height, 0, nullptr};
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(surface.window);
    if (SDL_GetClosestDisplayMode(display < 0 ? 0 : display, &wanted, &mode))
      SDL_SetWindowDisplayMode(surface.window, &mode);
  }
  if (!StartEngine(kProc, surface, 0, 0, 0, width, height, bits, true, fullscreen != 0)) return 0;
  return static_cast<intptr_t>(SDL_GetWindowID(surface.window));
}

int VLM_SetVSync(int interval) {
  vlm::ScreenState& screen = vlm::Screen();
  screen.swapInterval = interval;
  if (!screen.glContext) return 0;
  if (SDL_GL_SetSwapInterval(interval) != 0) {
    vlm::Fail(("Fail: The driver does not offer the swap interval " +
                    std::to_string(interval) + "!").c_str(), "VLM_SetVSync");
  }
  return 0;
}

int VLM_ScreenWidth(void) { return vlm::Screen().glContext ? vlm::Screen().width : 0; }

int VLM_ScreenHeight(void) { return vlm::Screen().glContext ? vlm::Screen().height : 0; }

}  // extern "C"
