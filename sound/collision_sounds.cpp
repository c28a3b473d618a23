// Collision sounds: pair entries (two physical materials, either order) and
// single entries (one material), kept in the physics world.
#include "sound/collision_sounds.h"

#include <algorithm>

#include "core/fail.h"
#include "core/finite.h"
#include "core/registries.h"
#include "physics/collision_sound.h"
#include "physics/world.h"
#include "physics/world_state.h"
#include "velmora/registry.h"
#include "velmora/sound.h"

namespace vlm::sound {

namespace {

constexpr VLM_HANDLE kNone = -1;
constexpr const char* kMaterialNotFound = "Fail: Physical material not found!";

template <class Match>
void EraseEntries(std::vector<CollisionSoundEntry>& entries, Match match) {
  entries.erase(std::remove_if(entries.begin(), entries.end(), match), entries.end());
}

bool NamesPair(const CollisionSoundEntry& entry, const VLM_SURFACE* a, const VLM_SURFACE* b) {
  return (entry.pMaterialA == a && entry.pMaterialB == b) || (entry.pMaterialA == b && entry.pMaterialB == a);
}

}  // namespace

void ForgetCollisionSound(const VLM_SOUND* sound) {
  PhysicsWorld& world = World();
  auto names = [sound](const CollisionSoundEntry& entry) { return entry.pSound == sound; };
  EraseEntries(world.collisionSoundPairs, names);
  EraseEntries(world.collisionSoundSingles, names);
}

}  // namespace vlm::sound

extern "C" {

int VLM_SetCollisionSound(VLM_HANDLE soundHandle, float referenceSpeed, VLM_HANDLE materialA,
                          VLM_HANDLE materialB) {
  constexpr const char* kProc = "VLM_SetCollisionSound";
  VLM_SOUND* sound = vlm::SoundRegistry().Resolve(soundHandle);
  VLM_SURFACE* a = vlm::SurfaceRegistry().Resolve(materialA);
  VLM_SURFACE* b = materialB == vlm::sound::kNone ? nullptr : vlm::SurfaceRegistry().Resolve(materialB);
  if (!sound) {
    vlm::Fail("Fail: Sound not found!", kProc);
    return 0;
  }
  if (!a || (materialB != vlm::sound::kNone && !b)) {
    vlm::Fail(vlm::sound::kMaterialNotFound, kProc);
    return 0;
  }
  // Contacts slower than the reference speed play softer; 0 plays every
  // contact at the sound's own volume.
  if (!vlm::RefuseUnless(vlm::NotNegative(referenceSpeed), kProc,
                         "Fail: A reference speed must be finite and not negative!"))
    return 0;
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  auto& entries = b ? world.collisionSoundPairs : world.collisionSoundSingles;
  auto it = std::find_if(entries.begin(), entries.end(), [&](const vlm::CollisionSoundEntry& entry) {
    return b ? vlm::sound::NamesPair(entry, a, b) : entry.pMaterialA == a;
  });
  if (it == entries.end()) {
    entries.push_back(vlm::CollisionSoundEntry{});
    it = std::prev(entries.end());
  }
  it->pSound = sound;
  it->fReferenceSpeed = referenceSpeed;
  it->pMaterialA = a;
  it->pMaterialB = b;
  return 0;
}

int VLM_RemoveCollisionSound(VLM_HANDLE materialA, VLM_HANDLE materialB) {
  vlm::PhysicsWorld& world = vlm::World();
  if (materialA == vlm::sound::kNone) {
    vlm::PhysicsLock guard(world.lock);
    world.collisionSoundPairs.clear();
    world.collisionSoundSingles.clear();
    return 0;
  }
  VLM_SURFACE* a = vlm::SurfaceRegistry().Resolve(materialA);
  VLM_SURFACE* b = materialB == vlm::sound::kNone ? nullptr : vlm::SurfaceRegistry().Resolve(materialB);
  if (!a || (materialB != vlm::sound::kNone && !b)) {
    vlm::Fail(vlm::sound::kMaterialNotFound, "VLM_RemoveCollisionSound");
    return 0;
  }
  vlm::PhysicsLock guard(world.lock);
  if (!b) {
    vlm::sound::EraseEntries(world.collisionSoundSingles,
                             [a](const vlm::CollisionSoundEntry& entry) { return entry.pMaterialA == a; });
    return 0;
  }
  vlm::sound::EraseEntries(world.collisionSoundPairs,
                           [a, b](const vlm::CollisionSoundEntry& entry) { return vlm::sound::NamesPair(entry, a, b); });
  return 0;
}

VLM_HANDLE VLM_FindCollisionSound(VLM_HANDLE materialA, VLM_HANDLE materialB, float* speedOut) {
  VLM_SURFACE* a = vlm::SurfaceRegistry().Resolve(materialA);
  VLM_SURFACE* b = materialB == vlm::sound::kNone ? nullptr : vlm::SurfaceRegistry().Resolve(materialB);
  if (!a || (materialB != vlm::sound::kNone && !b)) return 0;
  vlm::PhysicsLock guard(vlm::World().lock);
  const vlm::CollisionSoundEntry* entry = vlm::FindCollisionSound(a, b);
  if (!entry || !entry->pSound) return 0;
  if (speedOut) *speedOut = entry->fReferenceSpeed;
  return entry->pSound->iHandle;
}

}  // extern "C"
