// Input side of the platform layer as the engine and the tests see it:
// installing and removing the SDL event watch that feeds the keyboard and
// mouse records. The input subsystem itself meets the platform only through
// platform/input_port.h.
#pragma once

struct SDL_Window;

namespace vlm::platform {

// Installs the event watch on the engine window (again, when SDL was shut
// down and started since). Call once the drawing surface's window exists;
// engineOpenedWindow tells that the engine opened that window itself rather
// than drawing into the application's.
void InstallInputHook(bool engineOpenedWindow = false);
void RemoveInputHook();
// Engine shutdown: releases the cursor confinement, removes the watch and
// closes the joysticks.
void ShutdownInput();
// The window whose events feed the records; nullptr (the default) follows
// the drawing surface's window.
void SetInputWindow(SDL_Window* window);

}  // namespace vlm::platform
