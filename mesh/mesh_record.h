// The mesh record.
#pragma once

#include <cstdint>
#include <string>

#include "velmora/types.h"

struct VLM_MESH {
  intptr_t iHandle = 0;
  std::string sName;
};

