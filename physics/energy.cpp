// The energy of the simulation: translation, rotation, position in the
// gravity field and the tension of the joints.
#include "physics/body.h"
#include "physics/joint.h"
#include "physics/world.h"
#include "velmora/math.h"

extern "C" {

float VLM_GetPhysicsEnergy(int flags) {
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  double total = 0.0;
  vlm::BodyRegistry().ForEach([&](VLM_OBJECT* body) {
    const auto& b = body->Body;
    const float m = b.fMass;
    if (flags & VLM_ENERGY_TRANSLATION) total += 0.5f * m * VLM_v4fDot(&b.v4fVelocity, nullptr, nullptr);
    if (flags & VLM_ENERGY_ROTATION) {
      m4f inertia;
      vlm::WorldInertia(body, &inertia);
      total += 0.5f * VLM_v4fDot(&b.v4fAngularVelocity, &b.v4fAngularVelocity, &inertia);
    }
    if (flags & VLM_ENERGY_POSITION) total += -m * VLM_v4fDot(&world.gravity, &body->v4fPosition, nullptr);
  });
  if (flags & VLM_ENERGY_TENSION) {
    for (const VLM_JOINT* joint : world.activeJoints) {
      v4f pA, pB;
      vlm::JointAnchors(joint, &pA, &pB);
      const float s = VLM_v4fDistance(&pA, &pB) - joint->fLength;
      total += 0.5f * joint->fStiffness * s * s;
    }
  }
  return static_cast<float>(total);
}

}  // extern "C"
