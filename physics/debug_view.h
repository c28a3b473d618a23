// The debug view: coloured lines for cages, node boxes and joints, kept in
// the world for the renderer to draw.
#pragma once

#include "physics/world_state.h"

namespace vlm {

// Capacity of the debug-line buffer, in vertices.
constexpr size_t kDebugLineCapacity = 8192;

// Rebuilds world.debugLines. The caller holds the physics lock.
void BuildDebugView(PhysicsWorld& world);

}  // namespace vlm
