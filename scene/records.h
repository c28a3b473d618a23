// Records of nodes, skeletons and animations.
#pragma once

#include <cstdint>
#include <string>

#include "velmora/types.h"

struct VLM_NODE {
  intptr_t iHandle = 0;
  std::string sName;
};

struct VLM_SKELETON {
  intptr_t iHandle = 0;
  std::string sName;
};

struct VLM_ANIMATION {
  intptr_t iHandle = 0;
  std::string sName;
};

