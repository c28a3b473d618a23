// Input side of the platform layer: the SDL event watch that feeds the
// keyboard and mouse records, and the cursor and joystick services the input
// subsystem asks for. This header carries no SDL include, so input/ may use
// it.
#pragma once

#include <cstdint>

#include "input/input_state.h"

struct SDL_Window;

namespace vlm::platform {

// Installs the event watch on the engine window (again, when SDL was shut
// down and started since). Call once the drawing surface's window exists;
// engineOpenedWindow tells that the engine opened that window itself rather
// than drawing into the application's.
void InstallInputHook(bool engineOpenedWindow = false);
void RemoveInputHook();
// Installs the watch when it is not yet and SDL's event loop runs; the
// examine procedures call it, so a forgotten install only delays input.
void EnsureInputHook();
// Engine shutdown: releases the cursor confinement, removes the watch and
// closes the joysticks.
void ShutdownInput();
// The window whose events feed the records; nullptr (the default) follows
// the drawing surface's window.
void SetInputWindow(SDL_Window* window);

// ---- Services for input/ ------------------------------------------------
// Client size of the engine window; false when there is none.
bool InputWindowSize(int* width, int* height);
bool EngineOpenedInputWindow();
// Moves the system cursor to client position (x, y) of the engine window.
bool WarpCursor(int x, int y);
bool SystemCursorShowing();
void ShowSystemCursor(bool show);
// Confines the cursor to the engine window, or releases it.
bool ConfineCursor(bool confine);

// Opens up to max joysticks into the fresh records[0..]: caps and name.
// Returns how many answered; the records of those are numbered without gaps.
int OpenJoysticks(JoystickRecord* records, int max);
void CloseJoysticks();
// Brings the device states up to date before a round of ReadJoystick.
void BeginJoystickPoll();
// Reads the state of opened joystick number index; false when that fails.
bool ReadJoystick(int index, JoystickRawState* state);
// The window system's double-click time in milliseconds (500 without one).
int64_t DoubleClickMilliseconds();
// The hat position as the desktop reports it: hundredths of a degree
// clockwise from straight ahead, 65535 when centred. hat is an SDL hat mask.
uint32_t PovFromHat(uint8_t hat);

}  // namespace vlm::platform
