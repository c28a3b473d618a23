// SDL glue of the input subsystem: the event watch that plays the window
// hook, the cursor services and the joystick devices.
#include "platform/sdl_input.h"

#include <SDL.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "core/fail.h"
#include "platform/input_port.h"
#include "platform/sdl_access.h"
#include "platform/sdl_keys.h"
#include "velmora/core.h"
#include "velmora/input.h"

namespace vlm::platform {

namespace {

std::atomic<SDL_Window*> g_windowOverride{nullptr};
std::atomic<bool> g_hookInstalled{false};
std::atomic<bool> g_engineOpenedWindow{false};
// Opened joysticks by engine number, kept as SDL instance ids: a handle
// would dangle once SDL shuts down, an id just stops resolving.
SDL_JoystickID g_joysticks[kMaxJoysticks] = {-1, -1, -1, -1, -1, -1, -1, -1,
                                             -1, -1, -1, -1, -1, -1, -1, -1};

SDL_Joystick* OpenedJoystick(int index) {
  if (index < 0 || index >= kMaxJoysticks || g_joysticks[index] < 0) return nullptr;
  return SDL_JoystickFromInstanceID(g_joysticks[index]);
}

SDL_Window* EngineWindow() {
  SDL_Window* window = g_windowOverride.load();
  return window ? window : SdlWindow();
}

// Events of other windows are not the engine's (the hook sits on the
// engine window only). Without an engine window every event counts, and so
// does an event SDL gives no window (0), such as the report of a warp made
// while SDL sees no window under the pointer.
bool ForEngine(Uint32 windowId, SDL_Window* engine) {
  return engine == nullptr || windowId == 0 || windowId == SDL_GetWindowID(engine);
}

void ApplyFocus(const input::FocusActions& act, SDL_Window* engine) {
  if (engine && (act.confine || act.unconfine))
    SDL_SetWindowMouseGrab(engine, act.confine ? SDL_TRUE : SDL_FALSE);
  if (act.show) SDL_ShowCursor(SDL_ENABLE);
  if (act.hide) SDL_ShowCursor(SDL_DISABLE);
}

// Every character of a text event in turn; the last one sticks.
void FeedText(const char* text, size_t size) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < size && s[i] != 0) {
    const unsigned char b = s[i];
    int extra = 0;
    uint32_t code = 0;
    if (b < 0x80) {
      code = b;
    } else if ((b & 0xE0) == 0xC0) {
      code = b & 0x1F;
      extra = 1;
    } else if ((b & 0xF0) == 0xE0) {
      code = b & 0x0F;
      extra = 2;
    } else if ((b & 0xF8) == 0xF0) {
      code = b & 0x07;
      extra = 3;
    } else {
      ++i;  // stray continuation or invalid lead byte
      continue;
    }
    bool valid = i + extra < size;
    for (int k = 1; valid && k <= extra; ++k) {
      const unsigned char c = s[i + k];
      if ((c & 0xC0) != 0x80)
        valid = false;
      else
        code = (code << 6) | (c & 0x3F);
    }
    if (!valid) {
      ++i;
      continue;
    }
    static constexpr uint32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
    if (code >= kMinimum[extra]) input::Character(code);  // overlong forms are dropped
    i += extra + 1;
  }
}

void HandleWindowEvent(const SDL_WindowEvent& ev, SDL_Window* engine) {
  switch (ev.event) {
    case SDL_WINDOWEVENT_FOCUS_LOST:
      ApplyFocus(input::FocusLost(SystemCursorShowing()), engine);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      ApplyFocus(input::FocusGained(SystemCursorShowing()), engine);
      break;
    case SDL_WINDOWEVENT_LEAVE:
      input::MouseLeave();
      break;
    default:
      break;
  }
}

int ButtonNumber(Uint8 sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT:
      return 1;
    case SDL_BUTTON_RIGHT:
      return 2;
    case SDL_BUTTON_MIDDLE:
      return 4;
    default:
      return 0;
  }
}

// The window hook: feeds the live records and never swallows an event.
int WindowInputHook(void*, SDL_Event* event) {
  SDL_Window* engine = EngineWindow();
  switch (event->type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      if (!ForEngine(event->key.windowID, engine)) break;
      const int vk = VirtualKeyFromSdl(event->key.keysym.scancode, event->key.keysym.sym);
      if (event->type == SDL_KEYDOWN)
        input::KeyDown(vk);
      else
        input::KeyUp(vk);
      break;
    }
    case SDL_TEXTINPUT:
      if (ForEngine(event->text.windowID, engine))
        FeedText(event->text.text, sizeof event->text.text);
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (ForEngine(event->button.windowID, engine))
        input::ButtonDown(ButtonNumber(event->button.button));
      break;
    case SDL_MOUSEBUTTONUP:
      if (ForEngine(event->button.windowID, engine))
        input::ButtonUp(ButtonNumber(event->button.button));
      break;
    case SDL_MOUSEWHEEL: {
      if (!ForEngine(event->wheel.windowID, engine)) break;
      int64_t notches = event->wheel.y;
      if (event->wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      // In the desktop's units of 1/120 notch, held within int.
      int64_t delta = notches * 120;
      if (delta > INT32_MAX) delta = INT32_MAX - INT32_MAX % 120;
      if (delta < INT32_MIN) delta = INT32_MIN - INT32_MIN % 120;
      input::Wheel(static_cast<int>(delta));
      break;
    }
    case SDL_MOUSEMOTION: {
      if (!ForEngine(event->motion.windowID, engine)) break;
      int width = 0;
      int height = 0;
      if (engine) SDL_GetWindowSize(engine, &width, &height);
      if (input::MouseMove(event->motion.x, event->motion.y, engine != nullptr, width, height)) {
        SDL_WarpMouseInWindow(engine, width / 2, height / 2);
      }
      break;
    }
    case SDL_WINDOWEVENT:
      if (ForEngine(event->window.windowID, engine)) HandleWindowEvent(event->window, engine);
      break;
    default:
      break;
  }
  return 1;
}

void AddInputWatch() {
  // Removing first makes a second install harmless.
  SDL_DelEventWatch(WindowInputHook, nullptr);
  SDL_AddEventWatch(WindowInputHook, nullptr);
  g_hookInstalled = true;
}

}  // namespace

void InstallInputHook(bool engineOpenedWindow) {
  g_engineOpenedWindow = engineOpenedWindow;
  AddInputWatch();
}

void RemoveInputHook() {
  SDL_DelEventWatch(WindowInputHook, nullptr);
  g_hookInstalled = false;
}

void EnsureInputHook() {
  if (!g_hookInstalled.load() && SDL_WasInit(SDL_INIT_EVENTS) != 0) AddInputWatch();
}

void SetInputWindow(SDL_Window* window) { g_windowOverride = window; }

bool InputWindowSize(int* width, int* height) {
  SDL_Window* window = EngineWindow();
  if (!window) return false;
  SDL_GetWindowSize(window, width, height);
  return true;
}

bool EngineOpenedInputWindow() { return g_engineOpenedWindow.load(); }

bool WarpCursor(int x, int y) {
  SDL_Window* window = EngineWindow();
  if (!window) return false;
  SDL_WarpMouseInWindow(window, x, y);
  return true;
}

bool SystemCursorShowing() { return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; }

void ShowSystemCursor(bool show) { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }

bool ConfineCursor(bool confine) {
  SDL_Window* window = EngineWindow();
  if (!window) return false;
  SDL_SetWindowMouseGrab(window, confine ? SDL_TRUE : SDL_FALSE);
  return true;
}

void CloseJoysticks() {
  for (int n = 0; n < kMaxJoysticks; ++n) {
    if (SDL_Joystick* joystick = OpenedJoystick(n)) SDL_JoystickClose(joystick);
    g_joysticks[n] = -1;
  }
}

void ShutdownInput() {
  VLM_UnclipCursor();
  RemoveInputHook();
  CloseJoysticks();
}

int OpenJoysticks(JoystickDevice* out, int max) {
  CloseJoysticks();
  // Without a window system (tools, headless start) there are no devices
  // to ask; with one the engine brings up the joystick layer itself.
  const bool joystickUp = SDL_WasInit(SDL_INIT_JOYSTICK) != 0;
  if (!joystickUp && SDL_WasInit(SDL_INIT_VIDEO) == 0) return 0;
  // The desktop's joystick state reads the same whichever window has the
  // focus; SDL drops joystick input without focus unless told otherwise.
  // Default priority: a setting from the environment still wins.
  SDL_SetHintWithPriority(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1", SDL_HINT_DEFAULT);
  if (!joystickUp) {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
      std::string text = std::string("Fail: Joysticks unavailable: ") + SDL_GetError();
      vlm::Fail(text.c_str(), "VLM_InitJoysticks");
      return 0;
    }
  }
  if (max > kMaxJoysticks) max = kMaxJoysticks;
  const int devices = SDL_NumJoysticks();
  int count = 0;
  for (int device = 0; device < devices && count < max; ++device) {
    SDL_Joystick* joystick = SDL_JoystickOpen(device);
    if (!joystick) continue;  // not counted
    JoystickDevice& opened = out[count];
    JoystickCaps& caps = opened.caps;
    caps.manufacturerId = SDL_JoystickGetVendor(joystick);
    caps.productId = SDL_JoystickGetProduct(joystick);
    const char* name = SDL_JoystickName(joystick);
    opened.name = name ? name : "";
    for (int a = 0; a < kJoystickAxes; ++a) {
      caps.axisMin[a] = SDL_JOYSTICK_AXIS_MIN;
      caps.axisMax[a] = SDL_JOYSTICK_AXIS_MAX;
    }
    const int axes = SDL_JoystickNumAxes(joystick);
    if (axes > 2) caps.flags |= kJoyHasZ;
    if (axes > 3) caps.flags |= kJoyHasR;
    if (axes > 4) caps.flags |= kJoyHasU;
    if (axes > 5) caps.flags |= kJoyHasV;
    if (SDL_JoystickNumHats(joystick) > 0) caps.flags |= kJoyHasPov;
    caps.buttonCount = SDL_JoystickNumButtons(joystick);
    g_joysticks[count++] = SDL_JoystickInstanceID(joystick);
  }
  return count;
}

void BeginJoystickPoll() {
  if (SDL_WasInit(SDL_INIT_JOYSTICK) != 0) SDL_JoystickUpdate();
}

bool ReadJoystick(int index, JoystickRawState* state) {
  SDL_Joystick* joystick = OpenedJoystick(index);
  if (!joystick || !SDL_JoystickGetAttached(joystick)) return false;
  const int axes = SDL_JoystickNumAxes(joystick);
  for (int a = 0; a < kJoystickAxes; ++a)
    state->axis[a] = a < axes ? SDL_JoystickGetAxis(joystick, a) : 0;
  const int buttons = SDL_JoystickNumButtons(joystick);
  state->buttons = 0;
  for (int b = 0; b < kJoystickButtons && b < buttons; ++b) {
    if (SDL_JoystickGetButton(joystick, b)) state->buttons |= 1u << b;
  }
  state->pov = PovFromHat(SDL_JoystickNumHats(joystick) > 0 ? SDL_JoystickGetHat(joystick, 0)
                                                            : SDL_HAT_CENTERED);
  return true;
}

int64_t DoubleClickMilliseconds() {
  // SDL has no system-wide double-click time; an application may set one
  // through the hint that SDL itself uses for mouse clicks.
  const char* hint = SDL_GetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_TIME);
  if (hint && *hint) {
    char* end = nullptr;
    const long value = std::strtol(hint, &end, 10);
    if (end != hint && *end == 0 && value > 0 && value < 60000) return value;
  }
  return 500;
}

uint32_t PovFromHat(uint8_t hat) {
  switch (hat) {
    case SDL_HAT_UP:
      return 0;
    case SDL_HAT_RIGHTUP:
      return 4500;
    case SDL_HAT_RIGHT:
      return 9000;
    case SDL_HAT_RIGHTDOWN:
      return 13500;
    case SDL_HAT_DOWN:
      return 18000;
    case SDL_HAT_LEFTDOWN:
      return 22500;
    case SDL_HAT_LEFT:
      return 27000;
    case SDL_HAT_LEFTUP:
      return 31500;
    default:
      return 65535;  // centred, or a combination no hat can show
  }
}

}  // namespace vlm::platform
