// Keyboard, mouse and joystick state kept in the engine context.
#pragma once

namespace vlm {

struct InputState {};

}  // namespace vlm
