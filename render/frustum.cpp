// Frustum planes from a projection and the box and sphere tests.
#include "render/frustum.h"

#include <cmath>

namespace vlm::render {
namespace {

// Column j of a row-major matrix: the coefficients of clip component j.
struct Column {
  float x, y, z, w;
};
Column ColumnOf(const m4f& m, int j) { return {m.e[j], m.e[4 + j], m.e[8 + j], m.e[12 + j]}; }

// clip.w + sign * clip[j] >= 0, normalised.
Plane PlaneOf(const Column& w, const Column& c, float sign) {
  Plane p{w.x + sign * c.x, w.y + sign * c.y, w.z + sign * c.z, w.w + sign * c.w};
  const float length = std::sqrt(p.a * p.a + p.b * p.b + p.c * p.c);
  if (length > 0.0f) {
    p.a /= length;
    p.b /= length;
    p.c /= length;
    p.d /= length;
  }
  return p;
}

float Distance(const Plane& p, const v4f& v) { return p.a * v.x + p.b * v.y + p.c * v.z + p.d; }

}  // namespace

Frustum FrustumOf(const m4f& matrix) {
  const Column x = ColumnOf(matrix, 0), y = ColumnOf(matrix, 1), z = ColumnOf(matrix, 2),
               w = ColumnOf(matrix, 3);
  return Frustum{{PlaneOf(w, x, 1.0f), PlaneOf(w, x, -1.0f), PlaneOf(w, y, 1.0f),
                  PlaneOf(w, y, -1.0f), PlaneOf(w, z, 1.0f), PlaneOf(w, z, -1.0f)}};
}

Containment TestBox(const Frustum& frustum, const v4f& centre, const v4f& halfExtents) {
  bool straddles = false;
  for (const Plane& p : frustum.planes) {
    // The box's reach towards the plane's normal.
    const float reach = std::fabs(p.a) * halfExtents.x + std::fabs(p.b) * halfExtents.y +
                        std::fabs(p.c) * halfExtents.z;
    const float distance = Distance(p, centre);
    if (distance + reach < 0.0f) return Containment::kOutside;
    if (distance - reach < 0.0f) straddles = true;
  }
  return straddles ? Containment::kStraddling : Containment::kInside;
}

Containment TestSphere(const Frustum& frustum, const v4f& centre, float radius) {
  bool straddles = false;
  for (const Plane& p : frustum.planes) {
    const float distance = Distance(p, centre);
    if (distance < -radius) return Containment::kOutside;
    if (distance < radius) straddles = true;
  }
  return straddles ? Containment::kStraddling : Containment::kInside;
}

}  // namespace vlm::render
