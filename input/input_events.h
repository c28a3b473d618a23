// The window-system events that feed the live keyboard and mouse records.
// The platform layer translates its own events into these calls; nothing
// here knows the window system. All of them may be called from any thread.
#pragma once

#include <cstdint>

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
