// Fuzz target: the engine mesh reader on arbitrary bytes. A mesh it accepts
// is saved under the name the file gave and read again: the second reading
// must give the same counts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_temp_path.h"
#include "mesh/mesh_internal.h"
#include "velmora/definition.h"
#include "velmora/mesh.h"
#include "velmora/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string savePath = vlmfuzz::TempPath("vlm_fuzz_mesh", ".vlm");
  VLM_DEFINITION_NODE* root = VLM_CatchDefinitionFile(data, size, "");
  const std::string meshName = VLM_ReadDefinitionString(VLM_FindDefinitionNode(root, "Mesh", "", 0), "");
  VLM_MESH* mesh = vlm::mesh::BuildMeshFromTree(-1, root, "fuzz.vlm", "");  // releases the tree
  if (!mesh) return 0;
  const auto handle = reinterpret_cast<VLM_HANDLE>(mesh);
  if (mesh->iVertexCount <= 256 && VLM_SaveMesh(handle, savePath.c_str(), meshName.c_str())) {
    VLM_MESH* again = VLM_LoadMesh(-1, savePath.c_str(), "");
    if (!again || again->iVertexCount != mesh->iVertexCount || again->iIndexCount != mesh->iIndexCount) {
      std::fprintf(stderr, "saved mesh did not read back the same\n");
      std::abort();
    }
    VLM_FreeMesh(reinterpret_cast<VLM_HANDLE>(again));
    std::remove(savePath.c_str());
  }
  VLM_FreeMesh(handle);
  return 0;
}
