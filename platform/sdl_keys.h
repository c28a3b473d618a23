// SDL keys onto the classic desktop virtual-key codes (0-255) by which the
// engine indexes its keyboard records.
#pragma once

#include <SDL.h>

namespace vlm::platform {

// Letters follow the keyboard layout (the key labelled Z gives 'Z'), as the
// desktop's codes do; every other key goes by its position. The modifiers
// give their side-specific codes (0xA0-0xA5). Returns 0 for keys without a
// code.
int VirtualKeyFromSdl(SDL_Scancode scancode, SDL_Keycode keycode);

}  // namespace vlm::platform
