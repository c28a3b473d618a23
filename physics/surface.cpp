// Physical materials (registry kind Surface).
#include "core/finite.h"
#include "core/registries.h"
#include "physics/collision_sound.h"
#include "physics/surface_joint_records.h"
#include "physics/world.h"
#include "physics/world_state.h"
#include "scene/object_record.h"
#include "velmora/physics.h"
#include "velmora/registry.h"

extern "C" {

int VLM_FreeSurface(VLM_HANDLE handle) {
  auto& registry = vlm::SurfaceRegistry();
  VLM_SURFACE* record = registry.Resolve(handle);
  if (!record) return 0;
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  // Bodies keep a material: the default one takes over.
  vlm::BodyRegistry().ForEach([&](VLM_OBJECT* body) {
    if (body->Body.pMaterial == record) body->Body.pMaterial = &world.defaultMaterial;
  });
  vlm::ForgetCollisionSoundMaterial(record);
  registry.Remove(record);
  return 1;
}

VLM_SURFACE* VLM_CreatePhysicalMaterial(VLM_HANDLE id, float elasticity, float friction, const char* name) {
  // Checked before the entry exists, so that a refused call releases nothing
  // filed under the same ID.
  if (!vlm::AllFinite({elasticity, friction}) || elasticity < 0.0f || friction < 0.0f) {
    vlm::RefuseNumber("VLM_CreatePhysicalMaterial", "Fail: Elasticity and friction must be finite and not negative!");
    return nullptr;
  }
  VLM_SURFACE* material = VLM_CreateSurfaceListEntry(&id, name ? name : "");
  if (!material) return nullptr;
  vlm::PhysicsLock guard(vlm::World().lock);
  material->fElasticity = elasticity;
  material->fFriction = friction;
  return material;
}

}  // extern "C"
