// SDL objects of the platform layer, for the other platform/ files only.
#pragma once

#include <SDL.h>

namespace vlm::platform {

// The window that holds the drawing surface, or nullptr before it exists.
SDL_Window* SdlWindow();

// Starts SDL's video subsystem once; false (with SDL's reason in
// SDL_GetError) when no window system can be reached.
bool EnsureVideo();

// The application window with this SDL window id, as its number, or -1.
int WindowNumberFromSdlId(Uint32 id);

}  // namespace vlm::platform
