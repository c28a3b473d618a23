#include "demo_script.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sstream>

#include "velmora.h"

namespace demo {

namespace {

struct KeyName {
  const char* name;
  int code;
};

constexpr KeyName kKeyNames[] = {
    {"ESCAPE", VLM_KEY_ESCAPE}, {"SPACE", VLM_KEY_SPACE},   {"RETURN", VLM_KEY_RETURN},
    {"TAB", VLM_KEY_TAB},       {"BACK", VLM_KEY_BACK},     {"SHIFT", VLM_KEY_SHIFT},
    {"CONTROL", VLM_KEY_CONTROL}, {"ALT", VLM_KEY_ALT},     {"LEFT", VLM_KEY_LEFT},
    {"RIGHT", VLM_KEY_RIGHT},   {"UP", VLM_KEY_UP},         {"DOWN", VLM_KEY_DOWN},
};

constexpr const char* kButtonNames[] = {nullptr, "left", "right", nullptr, "middle"};

// A whole decimal number in [lo, hi].
bool ReadNumber(const std::string& word, long lo, long hi, long& value) {
  if (word.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(word.c_str(), &end, 10);
  if (errno != 0 || *end != 0 || v < lo || v > hi) return false;
  value = v;
  return true;
}

int KeyCode(const std::string& word) {
  if (word.size() == 1 && ((word[0] >= 'A' && word[0] <= 'Z') || (word[0] >= '0' && word[0] <= '9')))
    return word[0];
  for (const KeyName& k : kKeyNames)
    if (word == k.name) return k.code;
  long code = 0;
  // A single digit is the digit key above; codes need at least two digits
  // to be told apart from it, as in "08".
  if (word.size() > 1 && ReadNumber(word, 1, 255, code)) return static_cast<int>(code);
  return 0;
}

std::string KeyWord(int code) {
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) return std::string(1, static_cast<char>(code));
  for (const KeyName& k : kKeyNames)
    if (code == k.code) return k.name;
  char text[8];
  std::snprintf(text, sizeof text, "%03d", code);
  return text;
}

int ButtonCode(const std::string& word) {
  for (int b : {1, 2, 4})
    if (word == kButtonNames[b]) return b;
  return 0;
}

}  // namespace

bool ParseScript(const std::string& text, std::vector<ScriptEvent>& events, std::string& error) {
  std::istringstream lines(text);
  std::string line;
  long number = 0;
  long lastFrame = 0;
  while (std::getline(lines, line)) {
    ++number;
    const auto fail = [&](const std::string& reason) {
      error = "line " + std::to_string(number) + ": " + reason;
      return false;
    };
    if (const size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty()) continue;

    ScriptEvent event;
    if (!ReadNumber(w[0], 0, LONG_MAX, event.frame))
      return fail("\"" + w[0] + "\" is not a frame number (0 or more)");
    if (event.frame < lastFrame)
      return fail("frame " + w[0] + " comes after frame " + std::to_string(lastFrame));
    if (w.size() < 2) return fail("an event must follow the frame number");
    const std::string& what = w[1];
    if (what == "key" || what == "button") {
      if (w.size() != 4 || (w[2] != "down" && w[2] != "up"))
        return fail("expected \"" + what + " down|up <name>\"");
      const bool down = w[2] == "down";
      if (what == "key") {
        event.a = KeyCode(w[3]);
        if (event.a == 0) return fail("unknown key \"" + w[3] + "\"");
        event.kind = down ? EventKind::KeyDown : EventKind::KeyUp;
      } else {
        event.a = ButtonCode(w[3]);
        if (event.a == 0) return fail("unknown button \"" + w[3] + "\" (left, right or middle)");
        event.kind = down ? EventKind::ButtonDown : EventKind::ButtonUp;
      }
    } else if (what == "move") {
      long dx = 0, dy = 0;
      if (w.size() != 4 || !ReadNumber(w[2], -100000, 100000, dx) ||
          !ReadNumber(w[3], -100000, 100000, dy))
        return fail("expected \"move <dx> <dy>\" with whole numbers of pixels");
      event.kind = EventKind::Move;
      event.a = static_cast<int>(dx);
      event.b = static_cast<int>(dy);
    } else {
      return fail("unknown event \"" + what + "\" (key, button or move)");
    }
    lastFrame = event.frame;
    events.push_back(event);
  }
  return true;
}

std::string FormatEvent(const ScriptEvent& e) {
  const std::string frame = std::to_string(e.frame);
  switch (e.kind) {
    case EventKind::KeyDown: return frame + " key down " + KeyWord(e.a);
    case EventKind::KeyUp: return frame + " key up " + KeyWord(e.a);
    case EventKind::ButtonDown: return frame + " button down " + kButtonNames[e.a];
    case EventKind::ButtonUp: return frame + " button up " + kButtonNames[e.a];
    case EventKind::Move: break;
  }
  return frame + " move " + std::to_string(e.a) + " " + std::to_string(e.b);
}

size_t PostEvents(const std::vector<ScriptEvent>& events, size_t next, long frame) {
  for (; next < events.size() && events[next].frame <= frame; ++next) {
    const ScriptEvent& e = events[next];
    switch (e.kind) {
      case EventKind::KeyDown: VLM_PostKeyEvent(e.a, 1); break;
      case EventKind::KeyUp: VLM_PostKeyEvent(e.a, 0); break;
      case EventKind::ButtonDown: VLM_PostMouseButtonEvent(e.a, 1); break;
      case EventKind::ButtonUp: VLM_PostMouseButtonEvent(e.a, 0); break;
      case EventKind::Move: VLM_PostMouseMotion(e.a, e.b); break;
    }
  }
  return next;
}

// Rebuilds the events from the examined state: a change of the held state
// or a press and release inside one frame. The order inside one frame is
// the one that explains the state: a release before a new press when the
// key was held, a press before a release when it was not. Movements of one
// frame arrive summed, as the examined deltas hold them.
void Recorder::Frame(long frame) {
  std::string out;
  const auto emit = [&](EventKind kind, int a, int b = 0) {
    out += FormatEvent({frame, kind, a, b}) + "\n";
  };
  for (int key = 1; key < 256; ++key) {
    // Shift, Control and Alt follow their left and right keys.
    if (key == VLM_KEY_SHIFT || key == VLM_KEY_CONTROL || key == VLM_KEY_ALT) continue;
    const bool down = VLM_KeyboardDown(key) != 0;
    // Auto-repeat pushes a held key again; only a first push counts.
    const bool pushed = VLM_KeyboardPushed(key) != 0 && (!keyDown_[key] || VLM_KeyboardReleased(key));
    const bool released = VLM_KeyboardReleased(key) != 0;
    if (keyDown_[key]) {
      if (released) emit(EventKind::KeyUp, key);
      if (down && released) emit(EventKind::KeyDown, key);
    } else {
      if (pushed || down) emit(EventKind::KeyDown, key);
      if (released && !down) emit(EventKind::KeyUp, key);
    }
    keyDown_[key] = down;
  }
  for (int button : {1, 2, 4}) {
    const bool down = VLM_MouseButtonDown(button) != 0;
    const bool pushed = VLM_MouseButtonPushed(button) != 0;
    const bool released = VLM_MouseButtonReleased(button) != 0;
    if (buttonDown_[button]) {
      if (released) emit(EventKind::ButtonUp, button);
      if (down && (released || pushed)) emit(EventKind::ButtonDown, button);
    } else {
      if (pushed || down) emit(EventKind::ButtonDown, button);
      if (released && !down) emit(EventKind::ButtonUp, button);
    }
    buttonDown_[button] = down;
  }
  if (VLM_MouseDeltaX() != 0 || VLM_MouseDeltaY() != 0)
    emit(EventKind::Move, VLM_MouseDeltaX(), VLM_MouseDeltaY());
  if (!out.empty()) std::fputs(out.c_str(), file_);
}

}  // namespace demo
