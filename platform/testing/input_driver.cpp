#include "platform/testing/input_driver.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "platform/input_port.h"
#include "platform/sdl_input.h"
#include "platform/sdl_keys.h"

namespace vlm::testing {

static_assert(kButtonLeft == SDL_BUTTON_LEFT && kButtonMiddle == SDL_BUTTON_MIDDLE &&
              kButtonRight == SDL_BUTTON_RIGHT && kButtonX1 == SDL_BUTTON_X1 &&
              kButtonX2 == SDL_BUTTON_X2);
static_assert(kHatCentered == SDL_HAT_CENTERED && kHatUp == SDL_HAT_UP &&
              kHatRight == SDL_HAT_RIGHT && kHatDown == SDL_HAT_DOWN &&
              kHatLeft == SDL_HAT_LEFT && kHatRightUp == SDL_HAT_RIGHTUP &&
              kHatRightDown == SDL_HAT_RIGHTDOWN && kHatLeftUp == SDL_HAT_LEFTUP &&
              kHatLeftDown == SDL_HAT_LEFTDOWN);

namespace {

SDL_Window* g_inputWindow = nullptr;

Uint32 Target(uint32_t windowId) { return windowId != 0 ? windowId : InputWindowId(); }

// The watch runs inside SDL_PushEvent; flushing afterwards keeps the queue
// from handing the event to anyone else.
bool Send(SDL_Event& event) {
  if (SDL_PushEvent(&event) != 1) return false;
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  return true;
}

SDL_Joystick* Pad(int pad) { return pad < 0 ? nullptr : SDL_JoystickFromInstanceID(pad); }

}  // namespace

bool OpenInputWindow(int width, int height) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_JOYSTICK) != 0) return false;
  g_inputWindow = SDL_CreateWindow("input", 0, 0, width, height, SDL_WINDOW_HIDDEN);
  if (!g_inputWindow) return false;
  platform::SetInputWindow(g_inputWindow);
  platform::InstallInputHook(false);
  platform::ShowSystemCursor(true);
  return true;
}

void CloseInputWindow() {
  platform::RemoveInputHook();
  platform::SetInputWindow(nullptr);
  if (g_inputWindow) SDL_DestroyWindow(g_inputWindow);
  g_inputWindow = nullptr;
  SDL_Quit();
}

uint32_t InputWindowId() { return g_inputWindow ? SDL_GetWindowID(g_inputWindow) : 0; }

bool InputWindowGrabsMouse() {
  return g_inputWindow && (SDL_GetWindowFlags(g_inputWindow) & SDL_WINDOW_MOUSE_GRABBED) != 0;
}

bool AnySubsystemUp() { return SDL_WasInit(0) != 0; }

bool SendKey(bool down, const char* keyName, bool repeat, uint32_t windowId) {
  const int scancode = ScancodeFromName(keyName);
  if (scancode == SDL_SCANCODE_UNKNOWN) {
    SDL_SetError("No key is named \"%s\"", keyName ? keyName : "");
    return false;
  }
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.windowID = Target(windowId);
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.repeat = repeat ? 1 : 0;
  e.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
  e.key.keysym.sym = KeycodeFromName(keyName);
  return Send(e);
}

bool SendText(const char* utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  e.text.windowID = Target(0);
  std::strncpy(e.text.text, utf8 ? utf8 : "", sizeof e.text.text - 1);
  return Send(e);
}

bool SendButton(bool down, int button) {
  SDL_Event e{};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.windowID = Target(0);
  e.button.button = static_cast<Uint8>(button);
  e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.button.clicks = 1;
  return Send(e);
}

bool SendWheel(int32_t notches, bool flipped) {
  SDL_Event e{};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.windowID = Target(0);
  e.wheel.y = notches;
  e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
  return Send(e);
}

bool SendMotion(int32_t x, int32_t y, uint32_t windowId) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = Target(windowId);
  e.motion.x = x;
  e.motion.y = y;
  return Send(e);
}

bool SendWindowChange(WindowChange change) {
  // In the order of WindowChange.
  static constexpr Uint8 kEvents[] = {SDL_WINDOWEVENT_FOCUS_GAINED, SDL_WINDOWEVENT_FOCUS_LOST,
                                      SDL_WINDOWEVENT_ENTER, SDL_WINDOWEVENT_LEAVE,
                                      SDL_WINDOWEVENT_CLOSE};
  static_assert(static_cast<int>(WindowChange::kClose) == 4);
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = Target(0);
  e.window.event = kEvents[static_cast<int>(change)];
  return Send(e);
}

int ScancodeFromName(const char* keyName) {
  return keyName ? SDL_GetScancodeFromName(keyName) : SDL_SCANCODE_UNKNOWN;
}

int KeycodeFromName(const char* keyName) {
  return keyName ? SDL_GetKeyFromName(keyName) : SDLK_UNKNOWN;
}

int ScancodeCount() { return SDL_NUM_SCANCODES; }

int VirtualKeyFromCodes(int scancode, int keycode) {
  return platform::VirtualKeyFromSdl(static_cast<SDL_Scancode>(scancode), keycode);
}

OtherWindow::OtherWindow() {
  if (SDL_Window* window = SDL_CreateWindow("other", 0, 0, 10, 10, SDL_WINDOW_HIDDEN))
    id_ = SDL_GetWindowID(window);
}

OtherWindow::~OtherWindow() {
  if (SDL_Window* window = id_ ? SDL_GetWindowFromID(id_) : nullptr) SDL_DestroyWindow(window);
}

int AttachVirtualPad(const VirtualPadShape& shape) {
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
  desc.naxes = static_cast<Uint16>(shape.axes);
  desc.nbuttons = static_cast<Uint16>(shape.buttons);
  desc.nhats = static_cast<Uint16>(shape.hats);
  desc.vendor_id = shape.vendorId;
  desc.product_id = shape.productId;
  desc.name = shape.name;
  return SDL_JoystickAttachVirtualEx(&desc);
}

int OpenVirtualPad(int deviceIndex) {
  SDL_Joystick* joystick = SDL_JoystickOpen(deviceIndex);
  return joystick ? SDL_JoystickInstanceID(joystick) : -1;
}

bool SetVirtualAxis(int pad, int axis, int16_t value) {
  SDL_Joystick* joystick = Pad(pad);
  return joystick && SDL_JoystickSetVirtualAxis(joystick, axis, value) == 0;
}

bool SetVirtualButton(int pad, int button, bool pressed) {
  SDL_Joystick* joystick = Pad(pad);
  return joystick &&
         SDL_JoystickSetVirtualButton(joystick, button, pressed ? SDL_PRESSED : SDL_RELEASED) == 0;
}

bool SetVirtualHat(int pad, int hat, uint8_t position) {
  SDL_Joystick* joystick = Pad(pad);
  return joystick && SDL_JoystickSetVirtualHat(joystick, hat, position) == 0;
}

void CloseVirtualPad(int pad) {
  if (SDL_Joystick* joystick = Pad(pad)) SDL_JoystickClose(joystick);
}

bool DetachVirtualPad(int deviceIndex) { return SDL_JoystickDetachVirtual(deviceIndex) == 0; }

}  // namespace vlm::testing
