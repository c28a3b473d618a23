// The object record; bodies are objects with a physical part.
#pragma once

#include <cstdint>
#include <string>

#include "velmora/types.h"

struct VLM_OBJECT {
  intptr_t iHandle = 0;
  std::string sName;
};

#include <vector>

#include "core/layout_check.h"

namespace vlm {

// Offsets of the object fields that the physics routines address directly,
// as this build lays them out. The physics work fills these in.
inline std::vector<LayoutFact> ObjectLayoutFacts() { return {}; }

}  // namespace vlm
