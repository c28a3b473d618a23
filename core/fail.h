// The failure row: every failing procedure writes one red row to the log,
// naming itself, and returns 0.
#pragma once

#include <string>

#include "velmora/core.h"

namespace vlm {

inline void Fail(const char* text, const char* procedure) {
  VLM_LogMessage(text, VLM_COLOR_FAIL, 0, "", procedure);
}
inline void Fail(const std::string& text, const char* procedure) { Fail(text.c_str(), procedure); }

}  // namespace vlm
