// POINT cages: a body's origin, swept along its movement by the shape tests.
// The built-in point cage (handle -2) is one.
#include <cmath>

#include "mesh/cage.h"
#include "mesh/cage_kinds.h"
#include "velmora/cage.h"
#include "velmora/math.h"

namespace vlm {

namespace {

constexpr uint32_t kMarkerColour = 0xC000;

bool PointInertia(const VLM_CAGE&, float, const v4f&, m4f* inertia) {
  VLM_m4fSetDiagonal(inertia, 1.0f);
  return true;
}

// The tests sweep the point from one and a half steps back.
float PointReach(const VLM_CAGE&, const m4f&, const v4f&, const v4f& movement) {
  const v4f& m = movement;
  return 1.5f * std::sqrt(m.x * m.x + m.y * m.y + m.z * m.z);
}

// A cross of three lines of length 2 through the origin.
void PointLines(const VLM_CAGE&, const CageLineSink& lines) {
  lines.Add(v4f{-1, 0, 0, 1}, v4f{1, 0, 0, 1}, kMarkerColour);
  lines.Add(v4f{0, -1, 0, 1}, v4f{0, 1, 0, 1}, kMarkerColour);
  lines.Add(v4f{0, 0, -1, 1}, v4f{0, 0, 1, 1}, kMarkerColour);
}

}  // namespace

const CageKindOps kPointKind{VLM_CAGE_POINT, "POINT", nullptr, nullptr, PointInertia, PointReach, PointLines};

// The built-in point cage lives outside the registry, so no ID re-use, name
// collision or release can take it away from the bodies that share it.
VLM_CAGE* CreatePointCage() {
  static VLM_CAGE point = [] {
    VLM_CAGE cage;
    cage.iHandle = VLM_CAGE_HANDLE_POINT;
    cage.iKind = VLM_CAGE_POINT;
    return cage;
  }();
  return &point;
}

}  // namespace vlm
