// Fuzz target: the OBJ reader on arbitrary text, then scaling (tangents and
// box again) and release of whatever mesh it built.
#include <cstdint>
#include <string_view>

#include "mesh/obj_loader.h"
#include "velmora/mesh.h"
#include "velmora/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  VLM_MESH* mesh = vlm::mesh::BuildOBJMesh(-1, text, "fuzz.obj", "");
  if (!mesh) return 0;
  const auto handle = reinterpret_cast<VLM_HANDLE>(mesh);
  VLM_ScaleMesh(handle, 2.0f, -1.0f, 0.5f);
  VLM_FreeMesh(handle);
  return 0;
}
