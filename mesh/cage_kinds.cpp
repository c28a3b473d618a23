// The cage kind table, the kinds without a shape of their own (NONE, STICK),
// the name map, and what the node-tree kinds share.
#include "mesh/cage_kinds.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

#include "mesh/cage.h"
#include "velmora/cage.h"
#include "velmora/definition.h"
#include "velmora/math.h"

namespace vlm {

namespace {

const VLM_CAGE_OUTLINE* ReadStick(VLM_DEFINITION_NODE* cageNode, VLM_CAGE& cage) {
  cage.fSize = ReadCageSize(cageNode);
  return nullptr;
}

// NONE carries nothing. A STICK has a size but no shape test: it never
// touches anything (see the pair table).
constexpr CageKindOps kNoneKind{VLM_CAGE_NONE, "NONE", nullptr, nullptr, nullptr, nullptr, nullptr};
constexpr CageKindOps kStickKind{VLM_CAGE_STICK, "STICK", ReadStick, nullptr, nullptr, nullptr, nullptr};

// In code order: NONE (-1) to POLYHEDRON (-6).
const CageKindOps* const kRows[] = {&kNoneKind, &kPointKind, &kStickKind, &kBoxKind, &kSphereKind, &kPolyhedronKind};
constexpr int32_t kRowCount = static_cast<int32_t>(std::size(kRows));

float Length3(float x, float y, float z) { return std::sqrt(x * x + y * y + z * z); }

// Largest distance from the origin of the body's frame that a point of the
// box (centre c, half-extents h, body frame) reaches in world space.
float BoxReach(const m4f& m, const v4f& c, const v4f& h) {
  float reach = 0.0f;
  for (int i = 0; i < 8; ++i) {
    const v4f corner{c.x + ((i & 1) ? h.x : -h.x), c.y + ((i & 2) ? h.y : -h.y), c.z + ((i & 4) ? h.z : -h.z),
                     0.0f};
    v4f w;
    VLM_v4fTransformInto(&w, &m, &corner);
    reach = std::max(reach, Length3(w.x, w.y, w.z));
  }
  return reach;
}

}  // namespace

const CageKindOps& CageKindOf(int32_t kind) {
  const int32_t row = -kind - 1;
  if (row < 0 || row >= kRowCount) return kNoneKind;
  return *kRows[row];
}

std::span<const CageKindOps* const> CageKinds() { return kRows; }

int CageKindByName(std::string_view name) {
  size_t start = 0;
  while (start < name.size() && name[start] == '#') ++start;
  std::string upper(name.substr(start));
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const CageKindOps* row : kRows) {
    if (upper == row->name) return row->kind;
  }
  return 0;
}

float ReadCageSize(VLM_DEFINITION_NODE* cageNode) {
  return VLM_ReadDefinitionFloat(VLM_FindDefinitionNode(cageNode, "\\Primitive\\Size", "", 0), 1.0f);
}

bool RootBoxInertia(const VLM_CAGE& cage, float mass, const v4f& scale, m4f* inertia) {
  if (!cage.pRoot) return false;
  const v4f& h = cage.pRoot->v4fHalfExtents;
  const float hx = h.x * scale.x, hy = h.y * scale.y, hz = h.z * scale.z;
  VLM_m4fSetDiagonal(inertia, 1.0f);
  inertia->e[0] = mass / 3.0f * (hy * hy + hz * hz);
  inertia->e[5] = mass / 3.0f * (hx * hx + hz * hz);
  inertia->e[10] = mass / 3.0f * (hx * hx + hy * hy);
  return true;
}

float RootBoxReach(const VLM_CAGE& cage, const m4f& world, const v4f&, const v4f&) {
  const VLM_CAGE_NODE* root = cage.pRoot;
  if (!root) return -1.0f;
  // The box-sphere test measures the root box about the body origin, the
  // tree tests about the node centre: the reach covers both. The corners
  // of a box about the origin are h0 r0 +- h1 r1 +- h2 r2 for the rows r of
  // the world matrix: each cross term taken at its largest bounds them all
  // (exactly, while the rows stand square, as a rotation and a scale keep
  // them), without taking all eight corners through the matrix.
  const v4f& c = root->v4fCentre;
  const v4f& h = root->v4fHalfExtents;
  if (c.x == 0.0f && c.y == 0.0f && c.z == 0.0f) {
    const float* e = world.e;
    const v4f r0{e[0], e[1], e[2], 0.0f}, r1{e[4], e[5], e[6], 0.0f}, r2{e[8], e[9], e[10], 0.0f};
    auto dot = [](const v4f& a, const v4f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
    const float squared = h.x * h.x * dot(r0, r0) + h.y * h.y * dot(r1, r1) + h.z * h.z * dot(r2, r2) +
                          2.0f * (std::fabs(h.x * h.y * dot(r0, r1)) + std::fabs(h.x * h.z * dot(r0, r2)) +
                                  std::fabs(h.y * h.z * dot(r1, r2)));
    return std::sqrt(squared);
  }
  const v4f origin{0.0f, 0.0f, 0.0f, 0.0f};
  return std::max(BoxReach(world, c, h), BoxReach(world, origin, h));
}

}  // namespace vlm

extern "C" {

int VLM_GetCageKindByName(const char* name) { return name ? vlm::CageKindByName(name) : 0; }

const char* VLM_GetCageKindName(int kind) {
  const vlm::CageKindOps& row = vlm::CageKindOf(kind);
  return row.kind == kind ? row.name : "";
}

}  // extern "C"
