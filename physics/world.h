// Physics start-up, the world in the engine context and its settings.
#pragma once

#include <mutex>

#include "core/context.h"

namespace vlm {

// Lock, built-in point cage, default material (elasticity 0.6, friction
// 0.3), enabled flag. Called by VLM_Init at its physics step.
void InitPhysicsWorld();

inline PhysicsWorld& World() { return Ctx().physics; }

using PhysicsLock = std::lock_guard<std::recursive_mutex>;

// Cages are shared by bodies: before a cage record goes away, the bodies
// that use it lose it (they keep existing without a shape).
void ForgetCage(const VLM_CAGE* cage);

}  // namespace vlm
