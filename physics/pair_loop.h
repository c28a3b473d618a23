// The collision phase of the step: every dynamic body against every later
// dynamic body and every non-dynamic body, in list order.
#pragma once

#include "physics/world_state.h"

namespace vlm {

// Runs under the physics lock with the collision-phase flag set.
void CollisionPhase(PhysicsWorld& world);

// Radius around the body's origin that holds everything its shape test can
// touch this step, or a negative value for bodies that never collide.
float BoundRadius(const VLM_OBJECT* body);

}  // namespace vlm
