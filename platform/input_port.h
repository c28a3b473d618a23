// Where input/ and platform/ meet. The platform layer offers the window,
// cursor and joystick services below and reports window-system events by
// calling the input subsystem's event procedures; neither side includes the
// other's headers. Nothing here needs SDL.
#pragma once

#include <cstdint>
#include <string>

namespace vlm {

// Capability flags of a joystick.
constexpr uint32_t kJoyHasZ = 1;
constexpr uint32_t kJoyHasR = 2;
constexpr uint32_t kJoyHasU = 4;
constexpr uint32_t kJoyHasV = 8;
constexpr uint32_t kJoyHasPov = 16;

constexpr int kMaxJoysticks = 16;
constexpr int kJoystickAxes = 6;  // X, Y, Z, R, U, V
constexpr int kJoystickButtons = 16;

// What the device reports about itself when it is opened.
struct JoystickCaps {
  uint16_t manufacturerId = 0;
  uint16_t productId = 0;
  int32_t axisMin[kJoystickAxes] = {};
  int32_t axisMax[kJoystickAxes] = {};
  int32_t buttonCount = 0;
  uint32_t flags = 0;  // kJoyHas*
};

// One poll of a device: raw axis values in the caps' ranges, the button bit
// mask (bit n = button n) and the hat in hundredths of a degree clockwise
// from straight ahead, 65535 when centred.
struct JoystickRawState {
  int32_t axis[kJoystickAxes] = {};
  uint32_t buttons = 0;
  uint32_t pov = 65535;
};

// A joystick as it answered when it was opened.
struct JoystickDevice {
  JoystickCaps caps;
  std::string name;  // may be empty
};

}  // namespace vlm

namespace vlm::platform {

// Installs the watch when it is not yet and SDL's event loop runs; the
// examine procedures call it, so a forgotten install only delays input.
void EnsureInputHook();
// Client size of the engine window; false when there is none.
bool InputWindowSize(int* width, int* height);
bool EngineOpenedInputWindow();
// Moves the system cursor to client position (x, y) of the engine window.
bool WarpCursor(int x, int y);
bool SystemCursorShowing();
void ShowSystemCursor(bool show);
// Confines the cursor to the engine window, or releases it.
bool ConfineCursor(bool confine);

// Opens up to max joysticks into devices[0..]: caps and name. Returns how
// many answered; those are numbered without gaps.
int OpenJoysticks(JoystickDevice* devices, int max);
void CloseJoysticks();
// Brings the device states up to date before a round of ReadJoystick.
void BeginJoystickPoll();
// Reads the state of opened joystick number index; false when that fails.
bool ReadJoystick(int index, JoystickRawState* state);
// The window system's double-click time in milliseconds (500 without one).
int64_t DoubleClickMilliseconds();
// The hat position as the desktop reports it: hundredths of a degree
// clockwise from straight ahead, 65535 when centred. hat is an SDL hat mask.
uint32_t PovFromHat(uint8_t hat);

}  // namespace vlm::platform

// ---- Events: the platform translates its own events into these calls -------
// Implemented by input/; all of them may be called from any thread.
namespace vlm::input {

// Key down (auto-repeat included) and key up; codes outside 1-255 are ignored.
// The side-specific modifiers also drive their generic code (Shift, Control,
// Alt), which stays down while either side is held.
void KeyDown(int vk);
void KeyUp(int vk);
// A typed character (Unicode code point); codes below 32 are ignored.
void Character(uint32_t code);

// Buttons by engine number: 1 = left, 2 = right, 4 = middle; others ignored.
void ButtonDown(int button);
void ButtonUp(int button);
// The pointer left the window: buttons are neither down nor released.
void MouseLeave();
// Wheel movement in the desktop's units of 1/120 notch (positive = away
// from the user).
void Wheel(int delta);

// The pointer moved to (mx, my) in client coordinates of a window; width
// and height are that window's client size. Returns true when the caller
// must move the system cursor to (width / 2, height / 2): the locked mode
// keeps it at the centre. The skip flag is set before returning, so a warp
// that reports its own move at once is not answered by another warp.
bool MouseMove(int mx, int my, bool engineWindow, int width, int height);

// What to do with the system cursor when the window loses or gains focus.
struct FocusActions {
  bool unconfine = false;
  bool confine = false;
  bool show = false;
  bool hide = false;
};
// cursorShowing is the system cursor's visibility right now.
FocusActions FocusLost(bool cursorShowing);
FocusActions FocusGained(bool cursorShowing);

}  // namespace vlm::input
