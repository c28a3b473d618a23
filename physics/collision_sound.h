// Collision sounds: pair entries for two physical materials and single
// entries for one, looked up after every contact of the collision phase.
#pragma once

#include "physics/world_state.h"

namespace vlm {

// The first pair entry of the two materials in either order; with
// materialB null, the first single entry of materialA. Null when none.
const CollisionSoundEntry* FindCollisionSound(const VLM_SURFACE* materialA, const VLM_SURFACE* materialB);

// Plays the pair sound and then the single sounds of both materials at the
// contact point when the impact speed is above 0.1.
void PlayCollisionSounds(const VLM_SURFACE* materialP, const VLM_SURFACE* materialQ, const v4f& point,
                         float impactSpeed);

// Drops every entry that names the material (before the material goes).
void ForgetCollisionSoundMaterial(const VLM_SURFACE* material);

}  // namespace vlm
