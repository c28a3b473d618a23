// The file a fuzz target round-trips its input through.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace vlmfuzz {

// "<$TMPDIR or /tmp>/<stem>_<process id><extension>": one per process, so
// parallel fuzzing jobs do not share it.
inline std::string TempPath(const char* stem, const char* extension) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/" + stem + "_" + std::to_string(getpid()) + extension;
}

}  // namespace vlmfuzz
