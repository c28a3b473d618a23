// Keyboard, mouse and joystick state kept in the engine context.
//
// Keyboard and mouse each have a live record, written by the window hook as
// events arrive, and a snapshot record that the queries read; the examine
// calls copy one to the other once per frame. Joysticks are polled.
#pragma once

#include <cstdint>
#include <string>

#include "platform/input_port.h"

namespace vlm {

// Keys are indexed by the classic desktop virtual-key code (0-255).
// 769 32-bit integers; live and snapshot share the layout.
struct KeyboardRecord {
  int32_t pressed[256];   // key-down arrived since the last examine (repeats too)
  int32_t down[256];      // key held
  int32_t released[256];  // key-up arrived since the last examine
  int32_t lastChar;       // last character code >= 32, 0 when none
};
static_assert(sizeof(KeyboardRecord) == 769 * 4, "keyboard record is 769 integers");

// 23 32-bit integers. Buttons are indexed 1 = left, 2 = right, 4 = middle;
// slots 0 and 3 stay 0.
struct MouseRecord {
  int32_t x, y;            // cursor in window client coordinates
  int32_t deltaX, deltaY;  // movement since the last examine
  int32_t pressed[5];
  int32_t down[5];
  int32_t released[5];
  int32_t wheel;  // notches since the last examine, positive = away from the user
  int32_t cursorHidden;
  int32_t mouseLocked;
  int32_t cursorClipped;
};
static_assert(sizeof(MouseRecord) == 23 * 4, "mouse record is 23 integers");

// Joystick button state bits.
constexpr int32_t kJoyButtonDown = 1;
constexpr int32_t kJoyButtonHeld = 2;  // down longer than the double-click time
constexpr int32_t kJoyButtonPushed = 4;
constexpr int32_t kJoyButtonReleased = 8;

struct JoystickRecord {
  JoystickCaps caps;
  std::string name;  // the device's name, may be empty
  float axis[kJoystickAxes] = {};
  float deadZone[8] = {};  // only the first six are used
  uint32_t previousButtons = 0;
  int64_t pressTime[kJoystickButtons] = {};  // ms
  int32_t buttonState[kJoystickButtons] = {};
  float pov = 0.0f;  // degrees; 0 = centred, 360 = straight ahead
};

struct InputState {
  KeyboardRecord keyboardLive{};
  KeyboardRecord keyboard{};  // snapshot
  MouseRecord mouseLive{};
  MouseRecord mouse{};  // snapshot
  // Locked mode: the next move is the echo of our own warp to the centre.
  int32_t skipNextWarp = 0;
  JoystickRecord joysticks[kMaxJoysticks];
  int32_t joystickCount = 0;
};

InputState& Input();

// Keyboard, mouse and joystick records as at start-up: a fresh start for tests.
void ResetInput();

}  // namespace vlm
