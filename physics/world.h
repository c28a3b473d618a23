// Physics start-up and the world's settings.
#pragma once

#include <mutex>

#include "physics/world_state.h"

namespace vlm {

// Lock, built-in point cage, default material (elasticity 0.6, friction
// 0.3), enabled flag. Called by VLM_Init at its physics step.
void InitPhysicsWorld();

using PhysicsLock = std::lock_guard<std::recursive_mutex>;

// The body lists with no empty slots, for readers outside the step (tests,
// benchmarks). The step compacts them itself.
const std::vector<VLM_OBJECT*>& DynamicBodies();
const std::vector<VLM_OBJECT*>& StaticBodies();

// Cages are shared by bodies: before a cage record goes away, the bodies
// that use it lose it (they keep existing without a shape). Installed as the
// cage release hook of mesh/cage.h.
void ForgetCage(const VLM_CAGE* cage);

// Releases every body, joint and physical material, empties the world's
// lists and brings it up again with the engine's settings (gravity 0, waits
// and broad phase on): a fresh start for tests. Cages and plain objects
// belong to their own subsystems (ResetCages, ResetObjects).
void ResetPhysics();

}  // namespace vlm
