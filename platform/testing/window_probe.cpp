#include "platform/testing/window_probe.h"

#include <SDL.h>

#include "platform/sdl_access.h"
#include "platform/window_list.h"

namespace vlm::testing {

namespace {

bool Queue(SDL_Event& event) { return SDL_PushEvent(&event) == 1; }

SDL_Window* AppSdlWindow(int number) {
  const platform::AppWindow* window = platform::AppWindowByNumber(number);
  return window ? window->sdl : nullptr;
}

}  // namespace

const char* LastError() { return SDL_GetError(); }

bool EnsureWindowSystem() { return platform::EnsureVideo(); }

uint32_t SurfaceWindowId() {
  SDL_Window* window = platform::SdlWindow();
  return window ? SDL_GetWindowID(window) : 0;
}

int CurrentDepthBits() {
  int depth = 0;
  if (!SDL_GL_GetCurrentContext() || SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth) != 0) return 0;
  return depth;
}

uint32_t AppWindowSystemId(int number) {
  SDL_Window* window = AppSdlWindow(number);
  return window ? SDL_GetWindowID(window) : 0;
}

std::string AppWindowTitle(int number) {
  SDL_Window* window = AppSdlWindow(number);
  return window ? SDL_GetWindowTitle(window) : "";
}

bool ResizeSurfaceWindow(int width, int height) {
  SDL_Window* window = platform::SdlWindow();
  if (!window) {
    SDL_SetError("There is no drawing surface");
    return false;
  }
  SDL_SetWindowSize(window, width, height);
  for (int tries = 0; tries < 200; ++tries) {
    SDL_PumpEvents();
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);
    if (w == width && h == height) return true;
    SDL_Delay(10);
  }
  SDL_SetError("The window did not take the size %d x %d", width, height);
  return false;
}

bool QueueUserEvent() {
  SDL_Event event{};
  event.type = SDL_USEREVENT;
  return Queue(event);
}

bool QueueQuitRequest() {
  SDL_Event event{};
  event.type = SDL_QUIT;
  return Queue(event);
}

bool QueueCloseRequest(int windowNumber) {
  const uint32_t id = AppWindowSystemId(windowNumber);
  if (id == 0) {
    SDL_SetError("Window %d is not open", windowNumber);
    return false;
  }
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = SDL_WINDOWEVENT_CLOSE;
  event.window.windowID = id;
  return Queue(event);
}

ContextRun RunInCoreContext(int major, int minor, const std::function<void()>& body) {
  SDL_Window* const engineWindow = platform::SdlWindow();
  const SDL_GLContext engineContext = SDL_GL_GetCurrentContext();
  SDL_Window* window = SDL_CreateWindow("core", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) return ContextRun::kNoWindow;

  // The attributes are process-wide; whoever makes the next context gets
  // what was set before.
  static constexpr SDL_GLattr kAttributes[] = {SDL_GL_CONTEXT_PROFILE_MASK,
                                              SDL_GL_CONTEXT_MAJOR_VERSION,
                                              SDL_GL_CONTEXT_MINOR_VERSION};
  int saved[3] = {};
  for (int i = 0; i < 3; ++i) SDL_GL_GetAttribute(kAttributes[i], &saved[i]);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, major);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, minor);
  SDL_GLContext core = SDL_GL_CreateContext(window);
  // Kept across the clean-up, which may set errors of its own.
  const std::string reason = core ? "" : SDL_GetError();
  if (core) body();

  SDL_GL_MakeCurrent(engineWindow, engineContext);
  if (core) SDL_GL_DeleteContext(core);
  SDL_DestroyWindow(window);
  for (int i = 0; i < 3; ++i) SDL_GL_SetAttribute(kAttributes[i], saved[i]);
  if (core) return ContextRun::kRan;
  SDL_SetError("%s", reason.c_str());
  return ContextRun::kNoContext;
}

}  // namespace vlm::testing
