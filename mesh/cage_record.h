// The cage (collision shape) record.
#pragma once

#include <cstdint>
#include <string>

#include "velmora/types.h"

struct VLM_CAGE {
  intptr_t iHandle = 0;
  std::string sName;
};

