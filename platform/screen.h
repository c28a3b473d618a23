// The drawing surface as seen by the engine core.
#pragma once

namespace vlm::platform {

// Closes the drawing area when it still exists and releases the cursor.
void CloseScreen();
// Shows a warning box (or prints the warning when no window system runs).
void ShowWarning(const char* title, const char* text);

}  // namespace vlm::platform
