// Frustum tests for culling: the six planes of a projection, a box and a
// sphere against them. Pure arithmetic, no GL.
#pragma once

#include <array>

#include "velmora/types.h"

namespace vlm::render {

// Plane a x + b y + c z + d >= 0 on the inner side, (a, b, c) of unit length.
struct Plane {
  float a, b, c, d;
};

// Left, right, bottom, top, near, far.
struct Frustum {
  std::array<Plane, 6> planes;
};

enum class Containment { kOutside = 0, kInside = 1, kStraddling = 2 };

// The frustum of clip = v x matrix (row vectors). With matrix = model-view x
// projection the planes live in the model's own space; with the projection
// alone, in view space.
Frustum FrustumOf(const m4f& matrix);

// Axis-aligned box {centre, half extents} in the frustum's space: outside
// when it lies wholly behind one plane. (A box near a frustum corner may
// pass while outside; culling then only draws it needlessly.)
Containment TestBox(const Frustum& frustum, const v4f& centre, const v4f& halfExtents);
// Sphere of the radius around centre, in the frustum's space.
Containment TestSphere(const Frustum& frustum, const v4f& centre, float radius);

}  // namespace vlm::render
