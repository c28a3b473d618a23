// The OBJ reader behind VLM_LoadOBJMesh, callable on text already in memory.
#pragma once

#include <cstdint>
#include <string_view>

#include "velmora/mesh.h"

namespace vlm::mesh {

// The loader without the file: reads `text`, then creates the mesh (name:
// `name`, or the file-name part of `fileName` when empty), fills and
// finishes it and logs "OK". Writes no headline. Returns the mesh, or 0.
VLM_MESH* BuildOBJMesh(VLM_HANDLE id, std::string_view text, std::string_view fileName,
                       const char* name);

// Number conversions of the definition format, on a piece of text:
// floats accept "+Infinity", "-Infinity" and "NaN" (whole text, any case),
// otherwise an optional sign, digits, "." and an exponent, stopping at the
// first other character; integers skip spaces and tabs, take a sign, then
// decimal digits, "$" and hex digits or "%" and binary digits. No number
// gives 0. Integers saturate instead of overflowing.
float TextToFloat(std::string_view text);
int64_t TextToInteger(std::string_view text);

}  // namespace vlm::mesh
