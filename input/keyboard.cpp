// Keyboard: the live record fed by the window hook, the snapshot and its
// queries.
#include <cstring>

#include "core/context.h"
#include "input/input_events.h"
#include "input/live_lock.h"
#include "platform/sdl_input.h"
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
  KeyboardRecord& live = Ctx().input.keyboardLive;
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
  KeyboardRecord& live = Ctx().input.keyboardLive;
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
  Ctx().input.keyboardLive.lastChar = static_cast<int32_t>(code);
}

}  // namespace vlm::input

namespace {

// Reads one snapshot array; a key outside 0-255 is a caller error.
int SnapshotKey(const int32_t (&flags)[256], int key, const char* proc) {
  if (key < 0 || key > 255) {
    VLM_LogMessage("Fail: Key code out of range (0-255)!", VLM_COLOR_FAIL, 0, "", proc);
    return 0;
  }
  return flags[key];
}

// Encodes a code point as UTF-8; out holds at least 5 bytes.
void EncodeUtf8(uint32_t c, char* out) {
  if (c == 0) {
    out[0] = 0;
  } else if (c < 0x80) {
    out[0] = static_cast<char>(c);
    out[1] = 0;
  } else if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    out[2] = 0;
  } else if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    out[3] = 0;
  } else {
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    out[4] = 0;
  }
}

}  // namespace

extern "C" {

int VLM_ExamineKeyboard(void) {
  vlm::platform::EnsureInputHook();
  std::lock_guard<std::mutex> hold(vlm::input::LiveLock());
  vlm::InputState& input = vlm::Ctx().input;
  input.keyboard = input.keyboardLive;
  std::memset(input.keyboardLive.pressed, 0, sizeof input.keyboardLive.pressed);
  std::memset(input.keyboardLive.released, 0, sizeof input.keyboardLive.released);
  input.keyboardLive.lastChar = 0;
  return 0;
}

int VLM_KeyboardPushed(int key) {
  return SnapshotKey(vlm::Ctx().input.keyboard.pressed, key, "VLM_KeyboardPushed");
}

int VLM_KeyboardDown(int key) {
  return SnapshotKey(vlm::Ctx().input.keyboard.down, key, "VLM_KeyboardDown");
}

int VLM_KeyboardReleased(int key) {
  return SnapshotKey(vlm::Ctx().input.keyboard.released, key, "VLM_KeyboardReleased");
}

const char* VLM_KeyboardInkey(void) {
  thread_local char text[8];
  const int32_t code = vlm::Ctx().input.keyboard.lastChar;
  EncodeUtf8(code > 0 ? static_cast<uint32_t>(code) : 0u, text);
  return text;
}

}  // extern "C"
