// Refusing numbers that cannot be meant: every entry point that stores a
// caller's number checks it here, so that not-a-number, infinity and values
// outside what a field can mean never reach a record.
//
//   if (!RefuseUnless(NotNegative(volume), kProc, "Fail: ...!")) return 0;
//
// A number read from a definition key that cannot be meant gives the key's
// default instead, with an Info row naming the key (KeyUsable). The value
// -65535 (VLM_DEFAULTF) that optional parameters take for "the default" is
// finite: callers test for it before they check a range.
#pragma once

#include <cmath>
#include <initializer_list>
#include <string>

#include "velmora/core.h"

namespace vlm {

inline bool AllFinite(std::initializer_list<float> values) {
  for (float v : values) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

// Each false for not-a-number and infinity.
inline bool Positive(float v) { return std::isfinite(v) && v > 0.0f; }
inline bool NotNegative(float v) { return std::isfinite(v) && v >= 0.0f; }
inline bool Within(float v, float lo, float hi) { return v >= lo && v <= hi; }

inline constexpr const char* kNotFinite = "Fail: Numbers must be finite!";

// The largest magnitude of a position (m), velocity (m/s, rad/s), gravity
// (m/s^2) or joint length (m) the physics takes. Squares of sums of such
// numbers (1e24) and their products with masses stay far inside the float
// range (3e38), so a step cannot overflow from them; a world of 1e12 m is
// far beyond what float positions resolve usefully anyway.
inline constexpr float kMaxWorldNumber = 1.0e12f;
inline constexpr const char* kBeyondWorld = "Fail: Physics numbers must lie between -1e12 and 1e12!";

// The failure row for physics numbers that cannot be meant: kNotFinite,
// kBeyondWorld, or null when all of them are usable.
inline const char* WorldNumberFault(std::initializer_list<float> values) {
  if (!AllFinite(values)) return kNotFinite;
  for (float v : values) {
    if (!Within(v, -kMaxWorldNumber, kMaxWorldNumber)) return kBeyondWorld;
  }
  return nullptr;
}

// Writes the failure row for a refused number and gives the 0 to return.
inline int RefuseNumber(const char* procedure, const char* text = kNotFinite) {
  VLM_LogMessage(text, VLM_COLOR_FAIL, 0, "", procedure);
  return 0;
}

// `ok`, after writing the failure row `text` when it is false.
inline bool RefuseUnless(bool ok, const char* procedure, const char* text = kNotFinite) {
  if (!ok) RefuseNumber(procedure, text);
  return ok;
}

// `usable`, after writing the Info row that the key's default is used when
// it is false. `key` is the key's path below its block ("Volume",
// "Emission\Frequency").
inline bool KeyUsable(bool usable, const char* key, const char* procedure) {
  if (!usable) {
    const std::string row = std::string("Info: ") + key + " is not a usable value, the default is used!";
    VLM_LogMessage(row.c_str(), VLM_COLOR_NOTICE, 0, "", procedure);
  }
  return usable;
}

// A number of a definition key: `value` when `usable`, else `fallback`.
inline float KeyNumber(float value, bool usable, float fallback, const char* key, const char* procedure) {
  return KeyUsable(usable, key, procedure) ? value : fallback;
}

}  // namespace vlm
