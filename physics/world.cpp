// The physics world; filled in by the physics work.
#include "physics/world.h"

namespace vlm {

void InitPhysicsWorld() {}

}  // namespace vlm
