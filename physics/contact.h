// Contact resolution: one normal, one friction and one rolling-resistance
// impulse for the world's stored contact, then the rigid rods of both
// bodies follow.
#pragma once

#include "physics/vec3.h"
#include "velmora/math.h"
#include "velmora/types.h"

struct VLM_OBJECT;

namespace vlm {

void ResolveContact(VLM_OBJECT* a, VLM_OBJECT* b);

// The direction v (w = 0) turned by an inverse inertia: v * M.
inline v4f Times(const v4f& v, const m4f& m) {
  v4f out = Transform4(v, m);
  out.w = 0.0f;
  return out;
}

// The bilinear form k . M . k: the rotational share of an effective inverse mass.
inline float Form(const v4f& k, const m4f& m) { return Form4(k, m); }

// A body together with every body that a rigid rod joins to it.
struct Compound {
  float mass = 0.0f;
  v4f centre{};
  m4f inverseInertia{};  // world axes
};
Compound MakeCompound(const VLM_OBJECT* body, bool needInertia);

// The velocity of a body on rods, which holds its turn about the compound's
// centre, becomes that of the centre: what impulses on the compound change.
void ToCentreVelocity(VLM_OBJECT* body, const v4f& centre);

// The rods of a body take over its velocities (the centre's, see
// ToCentreVelocity) and hand them on to all their bodies, each turning about
// the compound's centre.
void Propagate(VLM_OBJECT* body, const v4f& centre);

}  // namespace vlm
