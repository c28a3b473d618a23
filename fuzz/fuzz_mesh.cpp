// Fuzz target: the engine mesh reader on arbitrary bytes. A mesh it accepts
// is saved under the name the file gave and read again: the second reading
// must give the same counts.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mesh/mesh_internal.h"
#include "velmora/definition.h"
#include "velmora/mesh.h"
#include "velmora/registry.h"

namespace {

const std::string& SavePath() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/vlm_fuzz_mesh_" + std::to_string(getpid()) + ".vlm";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VLM_DEFINITION_NODE* root = VLM_CatchDefinitionFile(data, size, "");
  const char* written = VLM_ReadDefinitionString(VLM_FindDefinitionNode(root, "Mesh", "", 0), "");
  const std::string meshName = written ? written : "";
  VLM_MESH* mesh = vlm::mesh::BuildMeshFromTree(-1, root, "fuzz.vlm", "");  // releases the tree
  if (!mesh) return 0;
  const auto handle = reinterpret_cast<VLM_HANDLE>(mesh);
  if (mesh->iVertexCount <= 256 && VLM_SaveMesh(handle, SavePath().c_str(), meshName.c_str())) {
    VLM_MESH* again = VLM_LoadMesh(-1, SavePath().c_str(), "");
    if (!again || again->iVertexCount != mesh->iVertexCount || again->iIndexCount != mesh->iIndexCount) {
      std::fprintf(stderr, "saved mesh did not read back the same\n");
      std::abort();
    }
    VLM_FreeMesh(reinterpret_cast<VLM_HANDLE>(again));
    std::remove(SavePath().c_str());
  }
  VLM_FreeMesh(handle);
  return 0;
}
