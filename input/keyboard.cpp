// Keyboard: the live record fed by the window hook, the snapshot and its
// queries.
#include <cstring>
#include <string>

#include "core/fail.h"
#include "core/text.h"
#include "input/input_state.h"
#include "input/live_lock.h"
#include "platform/input_port.h"
#include "velmora/core.h"
#include "velmora/input.h"

namespace vlm::input {

std::mutex& LiveLock() {
  static std::mutex lock;
  return lock;
}

namespace {

// The generic code of a side-specific modifier and its other side, or 0.
struct ModifierPair {
  int generic;
  int otherSide;
};

ModifierPair GenericOf(int vk) {
  switch (vk) {
    case VLM_KEY_LSHIFT:
      return {VLM_KEY_SHIFT, VLM_KEY_RSHIFT};
    case VLM_KEY_RSHIFT:
      return {VLM_KEY_SHIFT, VLM_KEY_LSHIFT};
    case VLM_KEY_LCONTROL:
      return {VLM_KEY_CONTROL, VLM_KEY_RCONTROL};
    case VLM_KEY_RCONTROL:
      return {VLM_KEY_CONTROL, VLM_KEY_LCONTROL};
    case VLM_KEY_LALT:
      return {VLM_KEY_ALT, VLM_KEY_RALT};
    case VLM_KEY_RALT:
      return {VLM_KEY_ALT, VLM_KEY_LALT};
    default:
      return {0, 0};
  }
}

bool ValidKey(int vk) { return vk > 0 && vk < 256; }

}  // namespace

void KeyDown(int vk) {
  if (!ValidKey(vk)) return;
  std::lock_guard<std::mutex> hold(LiveLock());
  KeyboardRecord& live = Input().keyboardLive;
  live.down[vk] = 1;
  live.pressed[vk] = 1;
  if (const ModifierPair pair = GenericOf(vk); pair.generic != 0) {
    live.down[pair.generic] = 1;
    live.pressed[pair.generic] = 1;
  }
}

void KeyUp(int vk) {
  if (!ValidKey(vk)) return;
  std::lock_guard<std::mutex> hold(LiveLock());
  KeyboardRecord& live = Input().keyboardLive;
  live.down[vk] = 0;
  live.released[vk] = 1;
  // The generic modifier stays down while the other side is still held.
  if (const ModifierPair pair = GenericOf(vk); pair.generic != 0 && !live.down[pair.otherSide]) {
    live.down[pair.generic] = 0;
    live.released[pair.generic] = 1;
  }
}

void Character(uint32_t code) {
  // Surrogates and values past Unicode cannot be given back as text.
  if (code < 32 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return;
  std::lock_guard<std::mutex> hold(LiveLock());
  Input().keyboardLive.lastChar = static_cast<int32_t>(code);
}

}  // namespace vlm::input

namespace {

// Reads one snapshot array; a key outside 0-255 is a caller error.
int SnapshotKey(const int32_t (&flags)[256], int key, const char* proc) {
  if (key < 0 || key > 255) {
    vlm::Fail("Fail: Key code out of range (0-255)!", proc);
    return 0;
  }
  return flags[key];
}

}  // namespace

extern "C" {

int VLM_ExamineKeyboard(void) {
  vlm::platform::EnsureInputHook();
  std::lock_guard<std::mutex> hold(vlm::input::LiveLock());
  vlm::InputState& input = vlm::Input();
  input.keyboard = input.keyboardLive;
  std::memset(input.keyboardLive.pressed, 0, sizeof input.keyboardLive.pressed);
  std::memset(input.keyboardLive.released, 0, sizeof input.keyboardLive.released);
  input.keyboardLive.lastChar = 0;
  return 0;
}

int VLM_KeyboardPushed(int key) {
  return SnapshotKey(vlm::Input().keyboard.pressed, key, "VLM_KeyboardPushed");
}

int VLM_KeyboardDown(int key) {
  return SnapshotKey(vlm::Input().keyboard.down, key, "VLM_KeyboardDown");
}

int VLM_KeyboardReleased(int key) {
  return SnapshotKey(vlm::Input().keyboard.released, key, "VLM_KeyboardReleased");
}

const char* VLM_KeyboardInkey(void) {
  thread_local std::string text;
  const int32_t code = vlm::Input().keyboard.lastChar;
  text.clear();
  if (code > 0) vlm::AppendUtf8(text, static_cast<uint32_t>(code));
  return text.c_str();
}

}  // extern "C"
