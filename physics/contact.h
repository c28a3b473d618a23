// Contact resolution: one normal, one friction and one rolling-resistance
// impulse for the world's stored contact, then the rigid rods of both
// bodies follow.
#pragma once

struct VLM_OBJECT;

namespace vlm {

void ResolveContact(VLM_OBJECT* a, VLM_OBJECT* b);

}  // namespace vlm
