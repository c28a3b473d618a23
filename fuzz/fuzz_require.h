// The check of a fuzz target: a broken promise aborts with its reason, which
// the fuzzer reports as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace vlmfuzz {

inline void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

}  // namespace vlmfuzz
