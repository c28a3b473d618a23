// Drives the input side of the platform layer from tests: a hidden input
// window on the dummy video driver, hand-made device events, a second window
// and a virtual joystick. Plain numbers only, so tests never see the window
// system's headers.
#pragma once

#include <cstdint>

namespace vlm::testing {

// ---- Input window ---------------------------------------------------------
// Starts video, events and joysticks on the dummy driver, opens a hidden
// width x height window, makes it the input window with the event watch
// installed (application window, not the engine's own) and shows the cursor.
// False with the reason in LastError() when it cannot.
bool OpenInputWindow(int width, int height);
// Removes the watch, forgets and destroys the window and shuts the whole
// window-system layer down again.
void CloseInputWindow();
// The window system's id of the input window (0 when none is open).
uint32_t InputWindowId();
// True while the input window confines the mouse.
bool InputWindowGrabsMouse();
// True when any part of the window-system layer (video, events, joysticks,
// ...) is started.
bool AnySubsystemUp();

// ---- Device events --------------------------------------------------------
// Each event goes to the input window (or to windowId when not 0) and is
// flushed right after: the event watch has seen it, the queue keeps nothing.
// False with the reason in LastError() when it could not be sent.

// keyName as the window system names keys: "W", "Left Shift", "Return",
// "Keypad 0", ... Scancode and keycode both follow from the name.
bool SendKey(bool down, const char* keyName, bool repeat = false, uint32_t windowId = 0);
// Up to 31 bytes of UTF-8; longer text is cut.
bool SendText(const char* utf8);

// Mouse button numbers of the window system.
inline constexpr int kButtonLeft = 1;
inline constexpr int kButtonMiddle = 2;
inline constexpr int kButtonRight = 3;
inline constexpr int kButtonX1 = 4;
inline constexpr int kButtonX2 = 5;
bool SendButton(bool down, int button);
// notches > 0 away from the user; flipped marks a device that reports the
// opposite direction.
bool SendWheel(int32_t notches, bool flipped = false);
bool SendMotion(int32_t x, int32_t y, uint32_t windowId = 0);

enum class WindowChange { kFocusGained, kFocusLost, kEnter, kLeave, kClose };
bool SendWindowChange(WindowChange change);

// ---- Key codes ------------------------------------------------------------
// The window system's scancode / keycode for a key name; 0 when the name is
// no key's.
int ScancodeFromName(const char* keyName);
int KeycodeFromName(const char* keyName);
// One past the highest scancode.
int ScancodeCount();
// The engine's virtual-key code for a scancode and keycode (out-of-range
// scancodes included).
int VirtualKeyFromCodes(int scancode, int keycode);

// ---- A second window ------------------------------------------------------
// A hidden 10 x 10 window that is not the input window; id() is 0 when it
// could not be made.
class OtherWindow {
 public:
  OtherWindow();
  ~OtherWindow();
  OtherWindow(const OtherWindow&) = delete;
  OtherWindow& operator=(const OtherWindow&) = delete;
  uint32_t id() const { return id_; }

 private:
  uint32_t id_ = 0;
};

// ---- Virtual joystick -----------------------------------------------------
// Hat positions as bit sets; the values are the window system's own.
inline constexpr uint8_t kHatCentered = 0;
inline constexpr uint8_t kHatUp = 1;
inline constexpr uint8_t kHatRight = 2;
inline constexpr uint8_t kHatDown = 4;
inline constexpr uint8_t kHatLeft = 8;
inline constexpr uint8_t kHatRightUp = kHatRight | kHatUp;
inline constexpr uint8_t kHatRightDown = kHatRight | kHatDown;
inline constexpr uint8_t kHatLeftUp = kHatLeft | kHatUp;
inline constexpr uint8_t kHatLeftDown = kHatLeft | kHatDown;

struct VirtualPadShape {
  int axes = 0;
  int buttons = 0;
  int hats = 0;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  const char* name = "";
};

// Adds a virtual device; its device index, or -1 (reason in LastError()).
int AttachVirtualPad(const VirtualPadShape& shape);
// Opens the device at deviceIndex; a pad id for the calls below, or -1.
int OpenVirtualPad(int deviceIndex);
// Values take effect at the next joystick update. False for an unknown pad,
// axis, button or hat.
bool SetVirtualAxis(int pad, int axis, int16_t value);
bool SetVirtualButton(int pad, int button, bool pressed);
bool SetVirtualHat(int pad, int hat, uint8_t position);
void CloseVirtualPad(int pad);
bool DetachVirtualPad(int deviceIndex);

}  // namespace vlm::testing
