// The physics world kept in the engine context.
#pragma once

namespace vlm {

struct PhysicsWorld {};

}  // namespace vlm
