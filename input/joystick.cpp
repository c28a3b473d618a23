// Joysticks: enumeration at start-up, polling and the queries.
#include "input/joystick.h"

#include <chrono>
#include <cmath>
#include <utility>

#include "core/fail.h"
#include "core/finite.h"
#include "input/input_state.h"
#include "platform/input_port.h"
#include "velmora/core.h"
#include "velmora/input.h"

namespace vlm::input {

float ScaleAxis(int32_t raw, int32_t min, int32_t max) {
  if (max == min) return 0.0f;
  const double value =
      (static_cast<double>(raw) - min) * 2.0 / (static_cast<double>(max) - min) - 1.0;
  // A device reporting outside its own range still gives -1..1.
  if (value < -1.0) return -1.0f;
  if (value > 1.0) return 1.0f;
  return static_cast<float>(value);
}

float ApplyDeadZone(float value, float deadZone) {
  return std::fabs(value) < deadZone ? 0.0f : value;
}

float QuantiseAxis(float value, float step) {
  if (step == 0.0f || !std::isfinite(step)) return value;
  return step * std::round(value / step);  // std::round: halves away from zero
}

float PovDegrees(uint32_t raw) {
  if (raw == 65535) return 0.0f;
  // Straight ahead is 360 so that 0 always means a centred hat.
  if (raw == 0) return 360.0f;
  return static_cast<float>(raw) / 100.0f;
}

void UpdateButtons(JoystickRecord& joystick, uint32_t mask, int64_t nowMs, int64_t doubleClickMs) {
  for (int n = 0; n < kJoystickButtons; ++n) {
    const uint32_t bit = 1u << n;
    const bool was = (joystick.previousButtons & bit) != 0;
    const bool is = (mask & bit) != 0;
    int32_t state = 0;
    if (was && !is) state |= kJoyButtonReleased;
    if (!was && is) {
      state |= kJoyButtonPushed;
      joystick.pressTime[n] = nowMs;
    }
    if (is) {
      state |= kJoyButtonDown;
      if (nowMs - joystick.pressTime[n] > doubleClickMs) state |= kJoyButtonHeld;
    }
    joystick.buttonState[n] = state;
  }
  joystick.previousButtons = mask;
}

void ApplyPoll(JoystickRecord& joystick, const JoystickRawState& state, int64_t nowMs,
               int64_t doubleClickMs) {
  static constexpr uint32_t kAxisFlag[kJoystickAxes] = {0,        0,        kJoyHasZ,
                                                        kJoyHasR, kJoyHasU, kJoyHasV};
  const JoystickCaps& caps = joystick.caps;
  for (int a = 0; a < kJoystickAxes; ++a) {
    const bool present = kAxisFlag[a] == 0 || (caps.flags & kAxisFlag[a]) != 0;
    const float value = present ? ScaleAxis(state.axis[a], caps.axisMin[a], caps.axisMax[a]) : 0.0f;
    joystick.axis[a] = ApplyDeadZone(value, joystick.deadZone[a]);
  }
  UpdateButtons(joystick, state.buttons, nowMs, doubleClickMs);
  joystick.pov = PovDegrees(state.pov);
}

}  // namespace vlm::input

namespace vlm {

void ResetInput() { Input() = InputState{}; }

}  // namespace vlm

namespace {

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The record of a joystick that answered at start-up, or nullptr with a
// failure row.
vlm::JoystickRecord* Joystick(int joystick, const char* proc) {
  vlm::InputState& input = vlm::Input();
  if (joystick < 0 || joystick >= input.joystickCount) {
    vlm::Fail("Fail: There is no joystick with this number!", proc);
    return nullptr;
  }
  return &input.joysticks[joystick];
}

int ButtonState(int joystick, int button, const char* proc) {
  const vlm::JoystickRecord* record = Joystick(joystick, proc);
  if (!record) return 0;
  if (button < 0 || button >= vlm::kJoystickButtons) {
    vlm::Fail("Fail: Joystick button out of range (0-15)!", proc);
    return 0;
  }
  return record->buttonState[button];
}

}  // namespace

extern "C" {

int VLM_InitJoysticks(void) {
  vlm::InputState& input = vlm::Input();
  for (vlm::JoystickRecord& record : input.joysticks) record = vlm::JoystickRecord{};
  vlm::JoystickDevice devices[vlm::kMaxJoysticks];
  input.joystickCount = vlm::platform::OpenJoysticks(devices, vlm::kMaxJoysticks);
  for (int n = 0; n < input.joystickCount; ++n) {
    input.joysticks[n].caps = devices[n].caps;
    input.joysticks[n].name = std::move(devices[n].name);
  }
  return input.joystickCount;
}

int VLM_ExamineJoysticks(void) {
  vlm::InputState& input = vlm::Input();
  if (input.joystickCount <= 0) return 0;
  vlm::platform::BeginJoystickPoll();
  const int64_t now = NowMs();
  const int64_t doubleClick = vlm::platform::DoubleClickMilliseconds();
  for (int n = 0; n < input.joystickCount; ++n) {
    vlm::JoystickRawState state;
    // A device that cannot be read keeps its previous values.
    if (!vlm::platform::ReadJoystick(n, &state)) continue;
    vlm::input::ApplyPoll(input.joysticks[n], state, now, doubleClick);
  }
  return 0;
}

int VLM_JoystickCount(void) { return vlm::Input().joystickCount; }

const char* VLM_JoystickName(int joystick) {
  const vlm::JoystickRecord* record = Joystick(joystick, "VLM_JoystickName");
  return record ? record->name.c_str() : "";
}

float VLM_JoystickAxis(int joystick, int axis, float step) {
  const vlm::JoystickRecord* record = Joystick(joystick, "VLM_JoystickAxis");
  if (!record) return 0.0f;
  if (axis < 0 || axis >= vlm::kJoystickAxes) {
    vlm::Fail("Fail: Joystick axis out of range (0-5)!", "VLM_JoystickAxis");
    return 0.0f;
  }
  return vlm::input::QuantiseAxis(record->axis[axis], step);
}

float VLM_JoystickPOV(int joystick) {
  const vlm::JoystickRecord* record = Joystick(joystick, "VLM_JoystickPOV");
  return record ? record->pov : 0.0f;
}

int VLM_SetJoystickDeadZone(int joystick, int axis, float value) {
  vlm::JoystickRecord* record = Joystick(joystick, "VLM_SetJoystickDeadZone");
  if (!record) return 0;
  // Axes read -1 .. 1: a zone outside 0 .. 1 cannot be meant.
  if (!vlm::RefuseUnless(std::isfinite(value), "VLM_SetJoystickDeadZone") ||
      !vlm::RefuseUnless(vlm::Within(value, 0.0f, 1.0f), "VLM_SetJoystickDeadZone",
                         "Fail: A dead zone must lie between 0 and 1!"))
    return 0;
  if (axis == -1) {
    for (float& zone : record->deadZone) zone = value;
  } else if (axis >= 0 && axis < 8) {
    record->deadZone[axis] = value;
  } else {
    vlm::Fail("Fail: Joystick axis out of range (-1-7)!", "VLM_SetJoystickDeadZone");
  }
  return 0;
}

int VLM_JoystickButton(int joystick, int button) {
  return ButtonState(joystick, button, "VLM_JoystickButton");
}

int VLM_JoystickButtonDown(int joystick, int button) {
  return ButtonState(joystick, button, "VLM_JoystickButtonDown") & vlm::kJoyButtonDown;
}

int VLM_JoystickButtonReleased(int joystick, int button) {
  return (ButtonState(joystick, button, "VLM_JoystickButtonReleased") & vlm::kJoyButtonReleased)
             ? 1
             : 0;
}

}  // extern "C"
