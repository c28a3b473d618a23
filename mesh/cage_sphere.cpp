// SPHERE cages: a radius about the body's origin (scaled by the body's
// scale x).
#include <algorithm>
#include <cmath>

#include "core/finite.h"
#include "core/trig.h"
#include "mesh/cage_kinds.h"
#include "mesh/mesh_record.h"
#include "velmora/cage.h"
#include "velmora/math.h"
#include "velmora/registry.h"

namespace vlm {

namespace {

constexpr uint32_t kRingColour = 0xC000;
constexpr int kRingSegments = 24;

const VLM_CAGE_OUTLINE* ReadSphere(VLM_DEFINITION_NODE* cageNode, VLM_CAGE& cage) {
  cage.fSize = ReadCageSize(cageNode);
  return nullptr;
}

// The farthest vertex from the mesh origin, times the factor.
void FitSphere(const VLM_MESH& mesh, float factor, VLM_CAGE& cage) {
  float radius = 0.0f;
  for (const v4f& p : MeshPositions(mesh)) radius = std::max(radius, std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
  cage.fSize = radius * factor;
}

bool SphereInertia(const VLM_CAGE& cage, float mass, const v4f& scale, m4f* inertia) {
  const float r = cage.fSize * scale.x;
  VLM_m4fSetDiagonal(inertia, 1.0f);
  inertia->e[0] = inertia->e[5] = inertia->e[10] = 0.4f * mass * r * r;
  return true;
}

// A mirrored body (negative scale x) keeps its size.
float SphereReach(const VLM_CAGE& cage, const m4f&, const v4f& scale, const v4f&) {
  return cage.fSize * std::fabs(scale.x);
}

// Three rings of the radius in the body's coordinate planes.
void SphereLines(const VLM_CAGE& cage, const CageLineSink& lines) {
  const float r = cage.fSize;
  constexpr float kStep = 6.28318530718f / kRingSegments;
  for (int axis = 0; axis < 3; ++axis) {
    auto ring = [&](float angle) {
      const float c = r * vlm::Cos(angle), s = r * vlm::Sin(angle);
      if (axis == 0) return v4f{0.0f, c, s, 1.0f};
      if (axis == 1) return v4f{c, 0.0f, s, 1.0f};
      return v4f{c, s, 0.0f, 1.0f};
    };
    for (int i = 0; i < kRingSegments; ++i) lines.Add(ring(kStep * i), ring(kStep * (i + 1)), kRingColour);
  }
}

}  // namespace

const CageKindOps kSphereKind{VLM_CAGE_SPHERE, "SPHERE", ReadSphere, FitSphere, SphereInertia, SphereReach,
                              SphereLines};

}  // namespace vlm

extern "C" VLM_CAGE* VLM_CreateSphereCage(VLM_HANDLE id, float diameter, const char* name) {
  if (!std::isfinite(diameter) || diameter < 0.0f) {
    vlm::RefuseNumber("VLM_CreateSphereCage", "Fail: A size must be finite and not negative!");
    return nullptr;
  }
  VLM_CAGE* cage = VLM_CreateCageListEntry(&id, name ? name : "");
  if (!cage) return nullptr;
  cage->iKind = VLM_CAGE_SPHERE;
  cage->fSize = diameter * 0.5f;
  return cage;
}
