// SDL objects of the platform layer, for the other platform/ files only.
#pragma once

#include <SDL.h>

namespace vlm::platform {

// The window that holds the drawing surface, or nullptr before it exists.
SDL_Window* SdlWindow();

}  // namespace vlm::platform
