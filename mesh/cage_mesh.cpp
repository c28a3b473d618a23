// Cages fitted to a mesh: the kind's row fits the shape (a sphere, a box
// with its outline, or the mesh's own surface as a convex polyhedron).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/fail.h"
#include "mesh/cage_kinds.h"
#include "mesh/mesh_record.h"
#include "velmora/cage.h"
#include "velmora/core.h"
#include "velmora/registry.h"

namespace vlm {

namespace {

constexpr const char* kProc = "VLM_CreateCageFromMesh";

// Positions the mesh really holds: never more than its arrays.
size_t VertexCount(const VLM_MESH& mesh) {
  return std::min(static_cast<size_t>(std::max(mesh.iVertexCount, 0)), mesh.aVertices.size());
}

// Positions and factor that give a cage of finite numbers: lengths and
// squared lengths of the scaled positions stay far below the float range.
bool FitsFinitely(const VLM_MESH& mesh, float factor) {
  if (!std::isfinite(factor) || factor < 0.0f) return false;
  constexpr float kLargest = 1e18f;
  const float scale = std::max(factor, 1.0f);
  for (size_t i = 0, n = VertexCount(mesh); i < n; ++i) {
    const v4f& p = mesh.aVertices[i].v4fPosition;
    for (float c : {p.x, p.y, p.z}) {
      if (!(std::fabs(c) * scale < kLargest)) return false;
    }
  }
  return true;
}

}  // namespace

std::vector<v4f> MeshPositions(const VLM_MESH& mesh) {
  std::vector<v4f> positions(VertexCount(mesh));
  for (size_t i = 0; i < positions.size(); ++i) positions[i] = mesh.aVertices[i].v4fPosition;
  return positions;
}

size_t MeshTriangleCount(const VLM_MESH& mesh) {
  return std::min(static_cast<size_t>(std::max(mesh.iIndexCount, 0)), mesh.aiIndices.size()) / 3;
}

const int32_t* MeshIndices(const VLM_MESH& mesh) { return mesh.aiIndices.data(); }

}  // namespace vlm

extern "C" VLM_CAGE* VLM_CreateCageFromMesh(VLM_HANDLE id, VLM_HANDLE meshHandle, int kind, float factor,
                                            const char* name) {
  using namespace vlm;
  const VLM_MESH* mesh = VLM_ResolveMesh(meshHandle);
  if (!mesh) {
    vlm::Fail("Fail: Mesh not found!", kProc);
    return nullptr;
  }
  const CageKindOps& ops = CageKindOf(kind);
  if (ops.kind != kind || !ops.fitMesh) {
    vlm::Fail("Fail: A mesh gives only SPHERE, BOX or POLYHEDRON cages!", kProc);
    return nullptr;
  }
  if (!FitsFinitely(*mesh, factor)) {
    VLM_LogMessage("Fail: The mesh's positions and the factor must be finite, the factor not negative!",
                   VLM_COLOR_FAIL, 0, "", kProc);
    return nullptr;
  }
  VLM_CAGE* cage = VLM_CreateCageListEntry(&id, name ? name : "");
  if (!cage) return nullptr;
  cage->iKind = kind;
  ops.fitMesh(*mesh, factor, *cage);
  return cage;
}
