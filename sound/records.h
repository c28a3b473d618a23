// The sound record.
#pragma once

#include <cstdint>
#include <string>

#include "velmora/types.h"

struct VLM_SOUND {
  intptr_t iHandle = 0;
  std::string sName;
};

