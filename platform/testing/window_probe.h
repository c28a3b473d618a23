// Looks at the engine's windows and GL context from tests, and queues the
// window-system events the application's event loop reads. Plain numbers
// only, so tests never see the window system's headers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vlm::testing {

// The window system's last error text ("" when there is none).
const char* LastError();
// Starts the engine's video layer; false (reason in LastError()) when no
// window system can be reached.
bool EnsureWindowSystem();

// ---- Engine windows -------------------------------------------------------
// The window system's id of the drawing surface's window; 0 without one.
uint32_t SurfaceWindowId();
// Depth bits the current GL context actually got (0 without a context).
int CurrentDepthBits();
// Window-system id and title of application window `number`; 0 and "" when
// that window is not open.
uint32_t AppWindowSystemId(int number);
std::string AppWindowTitle(int number);

// Resizes the drawing surface's window as a user would and waits (up to two
// seconds, pumping its events) until the window system reports the new
// drawable size. False (reason in LastError()) without a surface window or
// when the size does not arrive.
bool ResizeSurfaceWindow(int width, int height);

// ---- Queued events --------------------------------------------------------
// These stay in the queue for VLM_WindowEvent. False (reason in LastError())
// when the event could not be queued or the window is not open.
bool QueueUserEvent();
bool QueueQuitRequest();
bool QueueCloseRequest(int windowNumber);

// ---- A second GL context --------------------------------------------------
enum class ContextRun { kRan, kNoWindow, kNoContext };
// Makes a major.minor core-profile context in a hidden window of its own,
// makes it current and runs body. Afterwards the engine's window and context
// are current again, the context attributes are as before, and the window and
// context are gone. kNoWindow / kNoContext (reason in LastError()) when body
// could not run.
ContextRun RunInCoreContext(int major, int minor, const std::function<void()>& body);

}  // namespace vlm::testing
