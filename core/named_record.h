// The record of an object kind that so far only needs registering: its
// handle and its name. Kinds whose work is still to come derive from it
// (struct VLM_SHADER : vlm::NamedRecord {};) and grow fields when they do.
#pragma once

#include <cstdint>
#include <string>

namespace vlm {

struct NamedRecord {
  intptr_t iHandle = 0;  // the ID, or the record's address for ID -1
  std::string sName;
};

}  // namespace vlm
