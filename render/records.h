// Records of the renderer's object kinds.
#pragma once

#include <cstdint>
#include <string>

#include "velmora/types.h"

struct VLM_SHADER {
  intptr_t iHandle = 0;
  std::string sName;
};

struct VLM_PARTICLE_EMITTER {
  intptr_t iHandle = 0;
  std::string sName;
};

struct VLM_RIBBON {
  intptr_t iHandle = 0;
  std::string sName;
};

struct VLM_BILLBOARD {
  intptr_t iHandle = 0;
  std::string sName;
};

