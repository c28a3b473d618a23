// Input scripts of the demo: timed input events as plain text, read for
// --script and written by --record. One event per line:
//
//   <frame> key down|up <key>        key: A-Z, 0-9, a name or a code of at
//                                    least two digits (008, 122)
//   <frame> button down|up left|right|middle
//   <frame> move <dx> <dy>           mouse movement in pixels
//
// Frames count from 0 and never decrease; "#" starts a comment; blank lines
// are skipped. Events of frame N reach the input records just before that
// frame examines mouse and keyboard.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace demo {

enum class EventKind { KeyDown, KeyUp, ButtonDown, ButtonUp, Move };

struct ScriptEvent {
  long frame = 0;
  EventKind kind = EventKind::Move;
  int a = 0;  // key code, button number or dx
  int b = 0;  // dy
  bool operator==(const ScriptEvent&) const = default;
};

// Parses a whole script. On a bad line returns false with "line N: reason"
// in error; events then holds the lines before it.
bool ParseScript(const std::string& text, std::vector<ScriptEvent>& events, std::string& error);

// The line that ParseScript reads back as this event (without line end).
std::string FormatEvent(const ScriptEvent& event);

// Posts the events of `frame` from events[next] on; returns the new next.
size_t PostEvents(const std::vector<ScriptEvent>& events, size_t next, long frame);

// Writes what the examined input of one frame shows, in script form.
class Recorder {
 public:
  explicit Recorder(FILE* file) : file_(file) {}
  void Frame(long frame);

 private:
  FILE* file_;
  bool keyDown_[256] = {};
  bool buttonDown_[5] = {};
};

}  // namespace demo
