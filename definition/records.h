// Records of textures and materials.
#pragma once

#include <cstdint>
#include <string>

#include "velmora/types.h"

struct VLM_TEXTURE {
  intptr_t iHandle = 0;
  std::string sName;
};

struct VLM_MATERIAL {
  intptr_t iHandle = 0;
  std::string sName;
};

