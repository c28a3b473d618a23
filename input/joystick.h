// Joystick arithmetic: axis scaling, dead zones, button state bits and the
// hat direction. Pure functions over the records of input_state.h.
#pragma once

#include <cstdint>

#include "input/input_state.h"

namespace vlm::input {

// Maps raw in [min, max] linearly onto [-1, +1]. An empty range (min == max)
// gives 0.
float ScaleAxis(int32_t raw, int32_t min, int32_t max);
// 0 when |value| is below the dead zone, else value unchanged.
float ApplyDeadZone(float value, float deadZone);
// step * round(value / step), halves away from zero; step 0 keeps value.
float QuantiseAxis(float value, float step);
// Hat in hundredths of a degree: 65535 (centred) gives 0, 0 (straight
// ahead) gives 360, anything else raw / 100.
float PovDegrees(uint32_t raw);
// Button state bits for buttons 0-15 from the new mask; updates the press
// times and previousButtons.
void UpdateButtons(JoystickRecord& joystick, uint32_t mask, int64_t nowMs, int64_t doubleClickMs);
// Axes, dead zones, buttons and hat of one successful poll.
void ApplyPoll(JoystickRecord& joystick, const JoystickRawState& state, int64_t nowMs,
               int64_t doubleClickMs);

}  // namespace vlm::input
