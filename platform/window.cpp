// Application windows and the window-event loop on SDL.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/fail.h"
#include "platform/screen.h"
#include "platform/sdl_access.h"
#include "platform/window_list.h"
#include "velmora/core.h"
#include "velmora/platform.h"

namespace vlm::platform {
namespace {

std::array<std::unique_ptr<AppWindow>, VLM_MAX_WINDOWS> g_windows;
int g_eventWindow = -1;
// Identifiers lie above the window numbers so that one is not taken for the other.
intptr_t g_lastId = 0xFFFF;
bool g_videoUp = false;

struct Size {
  int w = 0;
  int h = 0;
};

// Inner size of an open window; 0 x 0 when there is none.
Size InnerSize(int number) {
  Size size;
  const AppWindow* record = AppWindowByNumber(number);
  if (record && record->sdl) SDL_GetWindowSize(record->sdl, &size.w, &size.h);
  return size;
}

void QuitVideo() {
  CloseScreen();
  for (auto& window : g_windows) {
    if (window && window->sdl) SDL_DestroyWindow(window->sdl);
    window.reset();
  }
  // SDL stays up: quitting it closes the display connection, which makes
  // the GL driver unload itself while the process ends anyway.
}

}  // namespace

bool EnsureVideo() {
  if (g_videoUp) return true;
  // Desktop windows only: the console and off-screen drivers would load a
  // GL driver just to find there is no window system. SDL_VIDEODRIVER in
  // the environment still chooses otherwise.
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
  static bool registered = false;
  if (!registered) {
    registered = true;
    std::atexit(QuitVideo);
  }
  g_videoUp = true;
  return true;
}

AppWindow* AppWindowByNumber(int number) {
  if (number < 0 || number >= VLM_MAX_WINDOWS) return nullptr;
  return g_windows[number].get();
}

AppWindow* AppWindowFromId(intptr_t id) {
  if (id == 0) return nullptr;
  for (auto& window : g_windows) {
    if (window && window->id == id) return window.get();
  }
  return nullptr;
}

int WindowNumberFromSdlId(Uint32 id) {
  for (auto& window : g_windows) {
    if (window && window->sdl && SDL_GetWindowID(window->sdl) == id) return window->number;
  }
  return -1;
}

int DepthCandidates(int bits, int out[2]) {
  out[0] = bits;
  if (bits == 24) return 1;
  out[1] = 24;
  return 2;
}

void SetPixelAttributes(int bits, int depth) {
  const bool high = bits > 16;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, high ? 8 : 5);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, high ? 8 : (bits == 16 ? 6 : 5));
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, high ? 8 : 5);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

SDL_Window* MakeGLWindow(const WindowShape& shape, int bits, int depth) {
  if (!EnsureVideo()) return nullptr;
  SetPixelAttributes(bits, depth);
  return SDL_CreateWindow(shape.title.c_str(), shape.x, shape.y, shape.width, shape.height,
                          shape.sdlFlags | SDL_WINDOW_OPENGL);
}

bool MakeDefaultGLWindow(AppWindow& app) {
  // Ready for a 32-bit surface, the usual request, so that opening the
  // surface seldom has to make the window again.
  app.bits = 32;
  int depths[2];
  const int count = DepthCandidates(app.bits, depths);
  for (int i = 0; i < count && !app.sdl; ++i) {
    app.depth = depths[i];
    app.sdl = MakeGLWindow(app.shape, app.bits, app.depth);
  }
  return app.sdl != nullptr;
}

Uint32 SdlWindowFlags(int flags) {
  Uint32 sdl = (flags & VLM_WINDOW_HIDDEN) ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN;
  if (flags & VLM_WINDOW_SIZEGADGET) sdl |= SDL_WINDOW_RESIZABLE;
  if (flags & VLM_WINDOW_BORDERLESS) sdl |= SDL_WINDOW_BORDERLESS;
  return sdl;
}

}  // namespace vlm::platform

using namespace vlm::platform;

extern "C" {

intptr_t VLM_OpenWindow(int window, int x, int y, int width, int height, const char* title,
                        int flags) {
  constexpr const char* kProc = "VLM_OpenWindow";
  if (window < 0 || window >= VLM_MAX_WINDOWS) {
    vlm::Fail("Fail: This window number is not available!", kProc);
    return 0;
  }
  if (width <= 0 || height <= 0) {
    vlm::Fail("Fail: A window needs a width and a height above 0!", kProc);
    return 0;
  }
  VLM_CloseWindow(window);
  auto record = std::make_unique<AppWindow>();
  record->number = window;
  record->shape.title = title ? title : "";
  const bool centred = (flags & VLM_WINDOW_CENTERED) != 0;
  record->shape.x = centred ? static_cast<int>(SDL_WINDOWPOS_CENTERED) : x;
  record->shape.y = centred ? static_cast<int>(SDL_WINDOWPOS_CENTERED) : y;
  record->shape.width = width;
  record->shape.height = height;
  record->shape.sdlFlags = SdlWindowFlags(flags);
  if (!MakeDefaultGLWindow(*record)) {
    std::string text = "Fail: The window cannot be opened (";
    text += SDL_GetError();
    text += ")!";
    vlm::Fail(text.c_str(), kProc);
    std::fprintf(stderr, "VLM_OpenWindow: %s\n", SDL_GetError());
    return 0;
  }
  record->id = ++g_lastId;
  g_windows[window] = std::move(record);
  return g_windows[window]->id;
}

int VLM_CloseWindow(int window) {
  AppWindow* record = AppWindowByNumber(window);
  if (!record) return 0;
  // The surface goes with the window it lives in.
  if (record->sdl && record->sdl == SdlWindow()) CloseScreen();
  if (record->sdl) SDL_DestroyWindow(record->sdl);
  g_windows[window].reset();
  return 1;
}

int VLM_IsWindow(int window) { return AppWindowByNumber(window) ? 1 : 0; }

intptr_t VLM_WindowID(int window) {
  const AppWindow* record = AppWindowByNumber(window);
  return record ? record->id : 0;
}

int VLM_WindowInnerWidth(int window) { return InnerSize(window).w; }

int VLM_WindowInnerHeight(int window) { return InnerSize(window).h; }

int VLM_WindowEvent(void) {
  g_eventWindow = -1;
  if (!SDL_WasInit(SDL_INIT_EVENTS)) return VLM_EVENT_NONE;
  SDL_Event event;
  if (!SDL_PollEvent(&event)) return VLM_EVENT_NONE;
  // The input records were fed by the input layer's event watch when the
  // event entered the queue.
  switch (event.type) {
    case SDL_QUIT:
      // The session asks the program to end (last window closed, signal).
      return VLM_EVENT_CLOSEWINDOW;
    case SDL_WINDOWEVENT:
      g_eventWindow = WindowNumberFromSdlId(event.window.windowID);
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE: return VLM_EVENT_CLOSEWINDOW;
        case SDL_WINDOWEVENT_SIZE_CHANGED: return VLM_EVENT_SIZEWINDOW;
        case SDL_WINDOWEVENT_MOVED: return VLM_EVENT_MOVEWINDOW;
        case SDL_WINDOWEVENT_FOCUS_GAINED: return VLM_EVENT_ACTIVATEWINDOW;
        case SDL_WINDOWEVENT_FOCUS_LOST: return VLM_EVENT_DEACTIVATEWINDOW;
        default: return VLM_EVENT_OTHER;
      }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      g_eventWindow = WindowNumberFromSdlId(event.key.windowID);
      return VLM_EVENT_INPUT;
    case SDL_TEXTINPUT:
      g_eventWindow = WindowNumberFromSdlId(event.text.windowID);
      return VLM_EVENT_INPUT;
    case SDL_MOUSEMOTION:
      g_eventWindow = WindowNumberFromSdlId(event.motion.windowID);
      return VLM_EVENT_INPUT;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      g_eventWindow = WindowNumberFromSdlId(event.button.windowID);
      return VLM_EVENT_INPUT;
    case SDL_MOUSEWHEEL:
      g_eventWindow = WindowNumberFromSdlId(event.wheel.windowID);
      return VLM_EVENT_INPUT;
    case SDL_JOYAXISMOTION:
    case SDL_JOYBALLMOTION:
    case SDL_JOYHATMOTION:
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
    case SDL_JOYDEVICEADDED:
    case SDL_JOYDEVICEREMOVED:
      return VLM_EVENT_INPUT;
    default:
      return VLM_EVENT_OTHER;
  }
}

int VLM_EventWindow(void) { return g_eventWindow; }

}  // extern "C"
