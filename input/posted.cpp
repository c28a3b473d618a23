// Input events that the application posts itself (scripted and replayed
// runs): they enter the same live records as the window system's events,
// so the next examine call sees them exactly as it would see real ones.
#include "input/input_state.h"
#include "input/live_lock.h"
#include "platform/input_port.h"
#include "velmora/input.h"

using namespace vlm;
using namespace vlm::input;

int VLM_PostKeyEvent(int key, int down) {
  if (down) {
    KeyDown(key);
  } else {
    KeyUp(key);
  }
  return 0;
}

int VLM_PostMouseButtonEvent(int button, int down) {
  if (down) {
    ButtonDown(button);
  } else {
    ButtonUp(button);
  }
  return 0;
}

int VLM_PostMouseMotion(int dx, int dy) {
  std::lock_guard<std::mutex> hold(LiveLock());
  MouseRecord& live = Input().mouseLive;
  AddSaturated(live.deltaX, dx);
  AddSaturated(live.deltaY, dy);
  // A locked pointer stays at the centre; a free one moves with the event.
  if (!live.mouseLocked) {
    AddSaturated(live.x, dx);
    AddSaturated(live.y, dy);
  }
  return 0;
}
