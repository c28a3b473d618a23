// Contact resolution: one normal, one friction and one rolling-resistance
// impulse for the world's stored contact, then the rigid rods of both
// bodies follow.
#pragma once

#include "velmora/types.h"

struct VLM_OBJECT;

namespace vlm {

void ResolveContact(VLM_OBJECT* a, VLM_OBJECT* b);

// A body together with every body that a rigid rod joins to it.
struct Compound {
  float mass = 0.0f;
  v4f centre{};
  m4f inverseInertia{};  // world axes
};
Compound MakeCompound(const VLM_OBJECT* body, bool needInertia);

// The rods of a body take over its velocities and hand them on to their
// other bodies, turning about the compound's centre.
void Propagate(VLM_OBJECT* body, const v4f& centre);

}  // namespace vlm
