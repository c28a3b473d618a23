// Record-layout facts that hand-written vector routines rely on.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vlm {

struct LayoutFact {
  size_t actual;    // measured on this build
  size_t expected;  // what the vector routines were written against
  std::string message;  // shown when they differ
};

// The facts of this build.
std::vector<LayoutFact> RecordLayoutFacts();
// Shows a "WARNING" box for each broken fact; returns how many broke.
int CheckRecordLayout(const std::vector<LayoutFact>& facts);

}  // namespace vlm
