// BOX cages: one root node, a box in the body frame, and the outline of that
// box (8 corners, 12 edges, 12 triangles), so that a box made from sizes
// meets points and polyhedra as a box fitted to a mesh does. Boxes meet
// spheres and other boxes through the root box alone.
#include <algorithm>
#include <iterator>

#include "core/finite.h"
#include "mesh/cage.h"
#include "mesh/cage_kinds.h"
#include "velmora/cage.h"
#include "velmora/core.h"
#include "velmora/definition.h"
#include "velmora/registry.h"

namespace vlm {

namespace {

// Corner i: bit 0 selects +x, bit 1 +y, bit 2 +z.
constexpr int32_t kBoxEdges[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {4, 6}, {5, 7},
                                      {0, 2}, {1, 3}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
constexpr int32_t kBoxFaces[12][3] = {{1, 2, 3}, {1, 0, 2}, {4, 7, 6}, {4, 5, 7}, {0, 6, 2}, {0, 4, 6},
                                      {5, 3, 7}, {5, 1, 3}, {0, 5, 4}, {0, 1, 5}, {6, 3, 2}, {6, 7, 3}};

VLM_CAGE_NODE* AddRoot(VLM_CAGE& cage, float hx, float hy, float hz) {
  VLM_CAGE_NODE* root = AddCageNode(cage);
  root->v4fCentre = v4f{0.0f, 0.0f, 0.0f, 1.0f};
  root->v4fHalfExtents = v4f{hx, hy, hz, 0.0f};
  cage.pRoot = root;
  return root;
}

// Three sizes give the half-extents and the largest is the size. A single
// number is the side of a cube (a box of zero extent would behave like a
// point in every box test) and is the size itself.
const VLM_CAGE_OUTLINE* ReadBox(VLM_DEFINITION_NODE* cageNode, VLM_CAGE& cage) {
  VLM_DEFINITION_NODE* sizeNode = VLM_FindDefinitionNode(cageNode, "\\Primitive\\Size", "", 0);
  VLM_CAGE_NODE* root = nullptr;
  if (VLM_CountDefinitionChildren(sizeNode, "") >= 3) {
    const float hx = VLM_ReadDefinitionFloat(VLM_GetDefinitionChild(sizeNode, 0), 0.0f) * 0.5f;
    const float hy = VLM_ReadDefinitionFloat(VLM_GetDefinitionChild(sizeNode, 1), 0.0f) * 0.5f;
    const float hz = VLM_ReadDefinitionFloat(VLM_GetDefinitionChild(sizeNode, 2), 0.0f) * 0.5f;
    root = AddRoot(cage, hx, hy, hz);
    cage.fSize = std::max({hx, hy, hz});
  } else {
    const float side = VLM_ReadDefinitionFloat(sizeNode, 1.0f);
    const float half = side * 0.5f;
    root = AddRoot(cage, half, half, half);
    cage.fSize = side;
  }
  AddBoxOutline(cage, *root);
  return nullptr;  // made from sizes: no counts to log
}

// The box around the mesh's positions and the origin, the half-extents
// scaled by the factor about its centre.
void FitBox(const VLM_MESH& mesh, float factor, VLM_CAGE& cage) {
  VLM_CAGE_NODE* root = AddCageNode(cage);
  cage.pRoot = root;
  SetNodeBoxWithOrigin(*root, MeshPositions(mesh));
  v4f& half = root->v4fHalfExtents;
  half.x *= factor;
  half.y *= factor;
  half.z *= factor;
  cage.fSize = std::max({half.x, half.y, half.z});
  AddBoxOutline(cage, *root);
}

}  // namespace

const CageKindOps kBoxKind{VLM_CAGE_BOX, "BOX", ReadBox, FitBox, RootBoxInertia, RootBoxReach, nullptr};

void AddBoxOutline(VLM_CAGE& cage, VLM_CAGE_NODE& root) {
  VLM_CAGE_OUTLINE* outline = AddCageOutline(cage, root);
  const v4f& c = root.v4fCentre;
  const v4f& half = root.v4fHalfExtents;
  outline->aVertices.resize(8);
  for (int i = 0; i < 8; ++i) {
    outline->aVertices[i] = v4f{c.x + ((i & 1) ? half.x : -half.x), c.y + ((i & 2) ? half.y : -half.y),
                                c.z + ((i & 4) ? half.z : -half.z), 1.0f};
  }
  for (const auto& e : kBoxEdges) outline->aEdges.push_back(VLM_CAGE_EDGE{{e[0], e[1]}});
  for (const auto& f : kBoxFaces) {
    VLM_CAGE_FACE face{};
    std::copy(std::begin(f), std::end(f), face.iVertex);
    outline->aFaces.push_back(face);
  }
  FinishCageOutline(*outline);
}

}  // namespace vlm

extern "C" VLM_CAGE* VLM_CreateBoxCage(VLM_HANDLE id, float sx, float sy, float sz, const char* name) {
  if (sy == VLM_DEFAULTF) sy = sx;
  if (sz == VLM_DEFAULTF) sz = sy;
  if (!vlm::AllFinite({sx, sy, sz}) || sx < 0.0f || sy < 0.0f || sz < 0.0f) {
    vlm::RefuseNumber("VLM_CreateBoxCage", "Fail: A size must be finite and not negative!");
    return nullptr;
  }
  VLM_CAGE* cage = VLM_CreateCageListEntry(&id, name ? name : "");
  if (!cage) return nullptr;
  const float hx = sx * 0.5f, hy = sy * 0.5f, hz = sz * 0.5f;
  cage->iKind = VLM_CAGE_BOX;
  cage->fSize = std::max({hx, hy, hz});
  vlm::AddBoxOutline(*cage, *vlm::AddRoot(*cage, hx, hy, hz));
  return cage;
}
