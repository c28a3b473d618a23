// The built-in programs: their sources, groups and render lists, and the
// hand-built ones' bindings and uniform slots.
#pragma once

#include <string_view>

namespace vlm::render {

struct BuiltInProgram {
  int number;
  const char* name;
  int group;
  int renderList;    // -1: none
  int shadowNumber;  // shadow program of a 3D program; 0: none
  bool handBuilt;
  std::string_view vertexSource;
  std::string_view fragmentSource;
};

// Program `number` (1..47), or nullptr (34 and numbers outside).
const BuiltInProgram* FindBuiltInProgram(int number);

}  // namespace vlm::render
