// Mouse: the live record fed by the window hook, the snapshot and its
// queries, locked mode, cursor visibility and confinement.
#include <cstring>

#include "core/fail.h"
#include "input/input_state.h"
#include "input/live_lock.h"
#include "platform/input_port.h"
#include "velmora/core.h"
#include "velmora/input.h"

namespace vlm::input {

namespace {

bool ValidButton(int button) { return button == 1 || button == 2 || button == 4; }

void ClearFrameFlags(MouseRecord& m) {
  std::memset(m.pressed, 0, sizeof m.pressed);
  std::memset(m.released, 0, sizeof m.released);
  m.wheel = 0;
}

}  // namespace

void ButtonDown(int button) {
  if (!ValidButton(button)) return;
  std::lock_guard<std::mutex> hold(LiveLock());
  MouseRecord& live = Input().mouseLive;
  live.down[button] = 1;
  live.pressed[button] = 1;
}

void ButtonUp(int button) {
  if (!ValidButton(button)) return;
  std::lock_guard<std::mutex> hold(LiveLock());
  MouseRecord& live = Input().mouseLive;
  live.down[button] = 0;
  live.released[button] = 1;
}

void MouseLeave() {
  std::lock_guard<std::mutex> hold(LiveLock());
  MouseRecord& live = Input().mouseLive;
  for (int button : {1, 2, 4}) {
    live.down[button] = 0;
    live.released[button] = 0;
  }
}

void Wheel(int delta) {
  std::lock_guard<std::mutex> hold(LiveLock());
  // Whole notches per event; the division keeps the sign.
  AddSaturated(Input().mouseLive.wheel, delta / 120);
}

bool MouseMove(int mx, int my, bool engineWindow, int width, int height) {
  std::lock_guard<std::mutex> hold(LiveLock());
  InputState& input = Input();
  MouseRecord& live = input.mouseLive;
  if (!live.mouseLocked) {
    AddSaturated(live.deltaX, static_cast<int64_t>(mx) - live.x);
    AddSaturated(live.deltaY, static_cast<int64_t>(my) - live.y);
    live.x = mx;
    live.y = my;
    return false;
  }
  if (!engineWindow) return false;
  const int cx = width / 2;
  const int cy = height / 2;
  AddSaturated(live.deltaX, static_cast<int64_t>(mx) - cx);
  AddSaturated(live.deltaY, static_cast<int64_t>(my) - cy);
  live.x = cx;
  live.y = cy;
  if (input.skipNextWarp) {
    input.skipNextWarp = 0;
    return false;
  }
  // A cursor already at the centre needs no warp; a warp onto the cursor's
  // own position reports no move, which would leave the skip flag standing.
  if (mx == cx && my == cy) return false;
  input.skipNextWarp = 1;
  return true;
}

FocusActions FocusLost(bool cursorShowing) {
  std::lock_guard<std::mutex> hold(LiveLock());
  const MouseRecord& live = Input().mouseLive;
  FocusActions act;
  // The flags stay set so that focus coming back restores the state.
  act.unconfine = live.cursorClipped != 0;
  act.show = live.cursorHidden != 0 && !cursorShowing;
  return act;
}

FocusActions FocusGained(bool cursorShowing) {
  std::lock_guard<std::mutex> hold(LiveLock());
  const MouseRecord& live = Input().mouseLive;
  FocusActions act;
  act.confine = live.cursorClipped != 0;
  act.hide = live.cursorHidden != 0 && cursorShowing;
  return act;
}

}  // namespace vlm::input

namespace {

using vlm::input::LiveLock;

const vlm::MouseRecord& Snapshot() { return vlm::Input().mouse; }

int SnapshotButton(const int32_t (&flags)[5], int button) {
  return vlm::input::ValidButton(button) ? flags[button] : 0;
}

int NoWindow(const char* proc) {
  vlm::Fail("Fail: There is no engine window for the mouse!", proc);
  return 0;
}

}  // namespace

extern "C" {

int VLM_ExamineMouse(void) {
  vlm::platform::EnsureInputHook();
  std::lock_guard<std::mutex> hold(LiveLock());
  vlm::InputState& input = vlm::Input();
  input.mouse = input.mouseLive;
  vlm::input::ClearFrameFlags(input.mouseLive);
  input.mouseLive.deltaX = 0;
  input.mouseLive.deltaY = 0;
  return 0;
}

int VLM_ResetMouse(void) {
  vlm::platform::EnsureInputHook();
  std::lock_guard<std::mutex> hold(LiveLock());
  vlm::InputState& input = vlm::Input();
  vlm::input::ClearFrameFlags(input.mouseLive);
  input.mouse = input.mouseLive;
  return 0;
}

int VLM_MouseX(void) { return Snapshot().x; }
int VLM_MouseY(void) { return Snapshot().y; }
int VLM_MouseDeltaX(void) { return Snapshot().deltaX; }
int VLM_MouseDeltaY(void) { return Snapshot().deltaY; }
int VLM_MouseWheel(void) { return Snapshot().wheel; }

int VLM_MouseButtonDown(int button) { return SnapshotButton(Snapshot().down, button); }
int VLM_MouseButtonPushed(int button) { return SnapshotButton(Snapshot().pressed, button); }
int VLM_MouseButtonReleased(int button) { return SnapshotButton(Snapshot().released, button); }

int VLM_MouseInRect(int x, int y, int width, int height) {
  const int64_t mx = Snapshot().x;
  const int64_t my = Snapshot().y;
  return (x <= mx && mx < static_cast<int64_t>(x) + width && y <= my &&
          my < static_cast<int64_t>(y) + height)
             ? 1
             : 0;
}

int VLM_MouseInCircle(float x, float y, float radius) {
  const float dx = static_cast<float>(Snapshot().x) - x;
  const float dy = static_cast<float>(Snapshot().y) - y;
  return dx * dx + dy * dy < radius * radius ? 1 : 0;
}

int VLM_SetMousePosition(int x, int y) {
  vlm::platform::EnsureInputHook();
  if (!vlm::platform::WarpCursor(x, y)) return NoWindow("VLM_SetMousePosition");
  if (vlm::platform::EngineOpenedInputWindow()) {
    vlm::MouseRecord& snap = vlm::Input().mouse;
    snap.x = x;
    snap.y = y;
  }
  return 0;
}

int VLM_LockMouse(void) {
  int width = 0;
  int height = 0;
  if (!vlm::platform::InputWindowSize(&width, &height)) return NoWindow("VLM_LockMouse");
  vlm::platform::EnsureInputHook();
  {
    // Locked before the warp: a warp that reports its move at once then
    // lands in locked mode and adds nothing to the deltas.
    std::lock_guard<std::mutex> hold(LiveLock());
    vlm::MouseRecord& live = vlm::Input().mouseLive;
    live.x = width / 2;
    live.y = height / 2;
    live.mouseLocked = 1;
  }
  vlm::platform::WarpCursor(width / 2, height / 2);
  return 0;
}

int VLM_UnlockMouse(void) {
  std::lock_guard<std::mutex> hold(LiveLock());
  vlm::Input().mouseLive.mouseLocked = 0;
  return 0;
}

int VLM_HideCursor(void) {
  if (vlm::platform::SystemCursorShowing()) vlm::platform::ShowSystemCursor(false);
  std::lock_guard<std::mutex> hold(LiveLock());
  vlm::Input().mouseLive.cursorHidden = 1;
  return 0;
}

int VLM_ShowCursor(void) {
  if (!vlm::platform::SystemCursorShowing()) vlm::platform::ShowSystemCursor(true);
  std::lock_guard<std::mutex> hold(LiveLock());
  vlm::Input().mouseLive.cursorHidden = 0;
  return 0;
}

int VLM_ClipCursor(void) {
  if (!vlm::platform::ConfineCursor(true)) return NoWindow("VLM_ClipCursor");
  std::lock_guard<std::mutex> hold(LiveLock());
  vlm::Input().mouseLive.cursorClipped = 1;
  return 0;
}

int VLM_UnclipCursor(void) {
  vlm::platform::ConfineCursor(false);
  std::lock_guard<std::mutex> hold(LiveLock());
  vlm::Input().mouseLive.cursorClipped = 0;
  return 0;
}

}  // extern "C"
