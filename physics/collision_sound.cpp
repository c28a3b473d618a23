// Collision sounds: the lookup of pair and single entries and the call site
// after a contact. The sound layer installs the player and fills the lists.
#include "physics/collision_sound.h"

#include <algorithm>

#include "physics/world.h"

namespace vlm {

const CollisionSoundEntry* FindCollisionSound(const VLM_SURFACE* materialA, const VLM_SURFACE* materialB) {
  const PhysicsWorld& world = World();
  if (materialB) {
    for (const CollisionSoundEntry& entry : world.collisionSoundPairs) {
      if ((entry.pMaterialA == materialA && entry.pMaterialB == materialB) ||
          (entry.pMaterialA == materialB && entry.pMaterialB == materialA)) {
        return &entry;
      }
    }
    return nullptr;
  }
  for (const CollisionSoundEntry& entry : world.collisionSoundSingles) {
    if (entry.pMaterialA == materialA) return &entry;
  }
  return nullptr;
}

void PlayCollisionSounds(const VLM_SURFACE* materialP, const VLM_SURFACE* materialQ, const v4f& point,
                         float impactSpeed) {
  const PhysicsWorld& world = World();
  // Without a player there is nothing to look up for each contact.
  if (!world.playCollisionSound || !(impactSpeed > 0.1f)) return;
  auto play = [&](const CollisionSoundEntry* entry) {
    if (!entry || !entry->pSound) return;
    // Softer below the reference speed, the sound's own volume above it.
    float factor = 1.0f;
    if (impactSpeed < entry->fReferenceSpeed) factor = impactSpeed / entry->fReferenceSpeed;
    world.playCollisionSound(entry->pSound, factor, &point);
  };
  play(FindCollisionSound(materialP, materialQ));
  play(FindCollisionSound(materialP, nullptr));
  play(FindCollisionSound(materialQ, nullptr));
}

void ForgetCollisionSoundMaterial(const VLM_SURFACE* material) {
  PhysicsWorld& world = World();
  auto names = [material](const CollisionSoundEntry& entry) {
    return entry.pMaterialA == material || entry.pMaterialB == material;
  };
  auto& pairs = world.collisionSoundPairs;
  pairs.erase(std::remove_if(pairs.begin(), pairs.end(), names), pairs.end());
  auto& singles = world.collisionSoundSingles;
  singles.erase(std::remove_if(singles.begin(), singles.end(), names), singles.end());
}

}  // namespace vlm
