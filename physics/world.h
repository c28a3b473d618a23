// Physics start-up: lock, point cage, default material, shape names.
#pragma once

namespace vlm {

void InitPhysicsWorld();

}  // namespace vlm
