// The physics world: start-up, gravity, the enabled flag and the settings.
#include "physics/world.h"

#include <cmath>

#include "core/finite.h"
#include "core/registries.h"
#include "mesh/cage.h"
#include "physics/sleep.h"
#include "physics/surface_joint_records.h"
#include "scene/object_record.h"
#include "velmora/physics.h"

namespace vlm {

void InitPhysicsWorld() {
  PhysicsWorld& world = World();
  PhysicsLock guard(world.lock);
  world.enabled = 1;
  world.pointCage = CreatePointCage();
  SetCageReleaseHook(ForgetCage);
  world.defaultMaterial.iHandle = -1;
  world.defaultMaterial.sName.clear();
  world.defaultMaterial.fElasticity = 0.6f;
  world.defaultMaterial.fFriction = 0.3f;
  world.fixedStep = 0.0f;
  world.maxSteps = 1;
  world.carriedTime = 0.0;
  world.passes = ContactPasses{};
  world.sleepTime = 0.5f;
  world.sleeping = 0;
  // The collision-shape names are the constant table of the cage module
  // (VLM_GetCageKindByName); nothing to build here.
}

void ResetPhysics() {
  PhysicsWorld& world = World();
  BodyRegistry().ReleaseAll();
  SurfaceRegistry().ReleaseAll();
  while (!world.activeJoints.empty()) VLM_FreeJoint(world.activeJoints.back()->iHandle);
  JointRegistry().Reset();
  world.collisionSoundPairs.clear();
  world.collisionSoundSingles.clear();
  world.playCollisionSound = nullptr;
  world.debugLines.clear();
  world.lastImpact = LastImpact{};
  world.collisionPhase = 0;
  InitPhysicsWorld();
  PhysicsLock guard(world.lock);
  CompactBodyLists(world);
  world.gravity = v4f{};
  world.waits = 1;
  world.broadPhase = 1;
}

void ForgetCage(const VLM_CAGE* cage) {
  if (!cage) return;
  PhysicsWorld& world = World();
  PhysicsLock guard(world.lock);
  BodyRegistry().ForEach([cage](VLM_OBJECT* body) {
    if (body->Body.pCage == cage) body->Body.pCage = nullptr;
  });
  ++world.listGeneration;
  WakeAll(world);
}

}  // namespace vlm

extern "C" {

int VLM_SetGravity(float x, float y, float z) {
  if (const char* fault = vlm::WorldNumberFault({x, y, z})) return vlm::RefuseNumber("VLM_SetGravity", fault);
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  world.gravity = v4f{x, y, z, 0.0f};
  vlm::WakeAll(world);
  return 1;
}

int VLM_EnablePhysics(int flag) {
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  world.enabled = flag;
  return 1;
}

int VLM_SetPhysicsWaits(int flag) {
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  world.waits = flag ? 1 : 0;
  return 1;
}

int VLM_SetPhysicsSleep(float seconds) {
  if (!std::isfinite(seconds) || seconds < 0.0f) {
    return vlm::RefuseNumber("VLM_SetPhysicsSleep", "Fail: A sleep time must be a finite number of at least 0!");
  }
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  world.sleepTime = seconds;
  vlm::WakeAll(world);
  return 1;
}

int VLM_SetPhysicsBroadPhase(int flag) {
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  world.broadPhase = flag ? 1 : 0;
  return 1;
}

int VLM_CountBodies(int dynamic) {
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  vlm::CompactBodyLists(world);
  return static_cast<int>(dynamic ? world.dynamicBodies.size() : world.staticBodies.size());
}

int VLM_CountJoints(void) {
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  return static_cast<int>(world.activeJoints.size());
}

}  // extern "C"
