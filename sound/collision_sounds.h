// Collision sounds: the registry of sounds played at contacts between
// physical materials (the physics plays them through the hook installed by
// VLM_InitSound).
#pragma once

#include "sound/sound_record.h"

namespace vlm::sound {

// Drops every entry that names this sound. The caller holds the physics lock.
void ForgetCollisionSound(const VLM_SOUND* sound);

}  // namespace vlm::sound
