// Fuzz target: cage files, and cages fitted to a mesh built from what the
// file held (welding, face remapping and edges on arbitrary positions).
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_temp_path.h"
#include "mesh/cage_record.h"
#include "velmora/cage.h"
#include "velmora/mesh.h"
#include "velmora/registry.h"

namespace {

void FitToMesh(const VLM_CAGE_OUTLINE& outline) {
  VLM_MESH* mesh = VLM_CreateMesh(-1, "");
  if (!mesh) return;
  const auto handle = reinterpret_cast<VLM_HANDLE>(mesh);
  const auto vertices = static_cast<int32_t>(outline.aVertices.size());
  const auto faces = static_cast<int32_t>(outline.aFaces.size());
  // Every vertex twice over: the second copies weld onto the first, and odd
  // faces use them.
  VLM_SetMeshVertexCount(handle, 2 * vertices);
  VLM_SetMeshTriangleCount(handle, faces);
  for (int32_t i = 0; i < 2 * vertices; ++i) {
    const v4f& p = outline.aVertices[static_cast<size_t>(i % vertices)];
    VLM_SetMeshVertexPosition(handle, i, p.x, p.y, p.z, 1.0f);
  }
  for (int32_t t = 0; t < faces; ++t) {
    const VLM_CAGE_FACE& f = outline.aFaces[static_cast<size_t>(t)];
    const int32_t shift = (t & 1) ? vertices : 0;
    VLM_SetMeshTriangle(handle, t, f.iVertex[0] + shift, f.iVertex[1] + shift, f.iVertex[2]);
  }
  for (int kind : {VLM_CAGE_SPHERE, VLM_CAGE_BOX, VLM_CAGE_POLYHEDRON}) {
    if (VLM_CAGE* cage = VLM_CreateCageFromMesh(-1, handle, kind, 1.5f, "")) {
      VLM_FreeCage(reinterpret_cast<VLM_HANDLE>(cage));
    }
  }
  VLM_FreeMesh(handle);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = vlmfuzz::TempPath("vlm_fuzz_cage", ".vlb");
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  if (size) std::fwrite(data, 1, size, file);
  std::fclose(file);

  VLM_CAGE* cage = VLM_LoadCageFile(3, path.c_str(), "");
  if (cage) {
    if (cage->pRoot && cage->pRoot->pOutline) FitToMesh(*cage->pRoot->pOutline);
    VLM_FreeCage(3);
  }
  std::remove(path.c_str());
  return 0;
}
