// Physical material (registry kind Surface).
#pragma once

#include <cstdint>
#include <string>

#include "velmora/types.h"

struct VLM_SURFACE {
  intptr_t iHandle = 0;
  std::string sName;
};

