// Refusing numbers that cannot be meant: every entry point that stores a
// caller's number checks it here, so that not-a-number and infinity never
// reach a record.
#pragma once

#include <cmath>
#include <initializer_list>

#include "velmora/core.h"

namespace vlm {

inline bool AllFinite(std::initializer_list<float> values) {
  for (float v : values) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

inline constexpr const char* kNotFinite = "Fail: Numbers must be finite!";

// Writes the failure row for a refused number and gives the 0 to return.
inline int RefuseNumber(const char* procedure, const char* text = kNotFinite) {
  VLM_LogMessage(text, VLM_COLOR_FAIL, 0, "", procedure);
  return 0;
}

}  // namespace vlm
