// Joints: springs (kind 2) and rigid rods (kind 3) between two bodies.
#include "physics/joint.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "core/fail.h"
#include "core/finite.h"
#include "physics/body.h"
#include "physics/sleep.h"
#include "physics/world.h"
#include "scene/entity.h"
#include "velmora/core.h"
#include "velmora/math.h"

namespace vlm {

namespace {

template <class T>
void EraseValue(std::vector<T*>& list, T* value) {
  list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

VLM_JOINT* FindJoint(VLM_HANDLE handle) { return JointRegistry().Resolve(handle); }

// The mass that the spring between a and b moves: the pair's reduced mass,
// or the free body's mass when the other is fixed; 0 when both are fixed.
float SpringMass(const VLM_OBJECT* a, const VLM_OBJECT* b) {
  if (IsFixed(a)) return IsFixed(b) ? 0.0f : b->Body.fMass;
  if (IsFixed(b)) return a->Body.fMass;
  return 1.0f / (1.0f / a->Body.fMass + 1.0f / b->Body.fMass);
}

// The share of stiffness and damping one step of h seconds can carry. The
// step is semi-implicit Euler: with a = |k| h^2 / m and b = |c| h / m the
// spring stays bounded while a + 2b < 4; at or beyond it both are scaled
// down onto a + 2b = kSpringMargin (just inside the edge). 1 otherwise.
constexpr float kSpringMargin = 3.9f;
float StableShare(float k, float c, float mass, float h) {
  if (!(mass > 0.0f) || !(h > 0.0f)) return 1.0f;
  const float load = (std::fabs(k) * h * h + 2.0f * std::fabs(c) * h) / mass;
  return load >= 4.0f ? kSpringMargin / load : 1.0f;
}

// The step a joint's values are checked against when they are set: the
// fixed step, or a 60 Hz frame without one.
float CheckedStep(const PhysicsWorld& world) { return world.fixedStep > 0.0f ? world.fixedStep : 1.0f / 60.0f; }

// Sets one value of a joint; 0 when the handle names no joint.
int SetJointValue(VLM_HANDLE handle, float VLM_JOINT::*value, float to, const char* procedure) {
  PhysicsLock guard(World().lock);
  VLM_JOINT* joint = FindJoint(handle);
  if (!joint) return 0;
  if (!std::isfinite(to) || (value == &VLM_JOINT::fLength && to < 0.0f)) {
    return RefuseNumber(procedure, value == &VLM_JOINT::fLength ? "Fail: A length must be finite and not negative!"
                                                               : kNotFinite);
  }
  if (value == &VLM_JOINT::fLength && to > kMaxWorldNumber) return RefuseNumber(procedure, kBeyondWorld);
  if (value != &VLM_JOINT::fLength) {
    const float k = value == &VLM_JOINT::fStiffness ? to : joint->fStiffness;
    const float c = value == &VLM_JOINT::fDamping ? to : joint->fDamping;
    const float mass = SpringMass(joint->pBodyA, joint->pBodyB);
    if (StableShare(k, c, mass, CheckedStep(World())) < 1.0f) {
      return RefuseNumber(procedure, "Fail: The spring is too stiff or too damped for its bodies at the time step!");
    }
  }
  joint->*value = to;
  WakeBody(joint->pBodyA);
  WakeBody(joint->pBodyB);
  return 1;
}

v4f Scaled(const v4f& v, float s) {
  v4f out;
  VLM_v4fScaleInto(&out, &v, s);
  return out;
}

// c = (r x n) * J: the rotational lever of an anchor in world axes.
v4f Lever(const VLM_OBJECT* body, const v4f& r, const v4f& n) {
  m4f inverseInertia;
  WorldInverseInertia(body, &inverseInertia);
  v4f c;
  VLM_v4fCross(&c, &r, &n);
  VLM_v4fTransform(&c, &inverseInertia);
  c.w = 0.0f;
  return c;
}

}  // namespace

void JointAnchors(const VLM_JOINT* joint, v4f* anchorA, v4f* anchorB) {
  VLM_v4fTransformInto(anchorA, &joint->pBodyA->mWorld, &joint->v4fAnchorA);
  VLM_v4fTransformInto(anchorB, &joint->pBodyB->mWorld, &joint->v4fAnchorB);
}

void FreeJointRecord(VLM_JOINT* joint) {
  PhysicsWorld& world = World();
  WakeBody(joint->pBodyA);
  WakeBody(joint->pBodyB);
  EraseValue(world.activeJoints, joint);
  if (joint->pBodyA) EraseValue(joint->pBodyA->Body.joints, joint);
  if (joint->pBodyB) EraseValue(joint->pBodyB->Body.joints, joint);
  JointRegistry().Remove(joint);  // clears its ID slot and deletes it
  ++world.listGeneration;
}

void SolveJoint(VLM_JOINT* joint) {
  VLM_OBJECT* a = joint->pBodyA;
  VLM_OBJECT* b = joint->pBodyB;
  v4f anchorA = joint->v4fAnchorA;
  v4f anchorB = joint->v4fAnchorB;
  // A body without mass, if any, plays A.
  if (IsFixed(b)) {
    std::swap(a, b);
    std::swap(anchorA, anchorB);
  }
  if (IsFixed(b)) return;  // two fixed bodies: nothing moves
  const float mA = a->Body.fMass;
  const float mB = b->Body.fMass;

  v4f pA, pB;
  VLM_v4fTransformInto(&pA, &a->mWorld, &anchorA);
  VLM_v4fTransformInto(&pB, &b->mWorld, &anchorB);
  v4f d;
  VLM_v4fSubInto(&d, &pB, &pA);
  const float length = VLM_v4fLength(&d);
  const float s = length - joint->fLength;
  // Two anchors on (or next to) one spot have no direction: the joint then pulls nowhere
  // instead of spreading not-a-number through both bodies.
  v4f n{0.0f, 0.0f, 0.0f, 0.0f};
  if (VLM_v4fDot(&d, nullptr, nullptr) >= std::numeric_limits<float>::min()) VLM_v4fNormalizeFastInto(&n, &d);

  v4f rA, rB;
  VLM_v4fSubInto(&rA, &pA, &a->v4fPosition);
  VLM_v4fSubInto(&rB, &pB, &b->v4fPosition);
  v4f relative;
  VLM_v4fSubInto(&relative, &b->Body.v4fVelocity, &a->Body.v4fVelocity);
  const float vn = VLM_v4fDot(&n, &relative, nullptr);

  const bool aFixed = IsFixed(a);
  // A step or a mass changed since the values were set cannot make the
  // spring run away: it acts with what this step can carry.
  const float share = StableShare(joint->fStiffness, joint->fDamping, SpringMass(a, b), World().timeStep);
  const float k = joint->fStiffness * share;
  const float c = joint->fDamping * share;
  auto& bodyA = a->Body;
  auto& bodyB = b->Body;

  // A rod or a stiffness-less spring to a fixed body: B is held on the
  // sphere around A's anchor.
  auto holdOnFixed = [&]() {
    const v4f cB = Lever(b, rB, n);
    VLM_v4fAddScaled(&bodyB.v4fMovement, &n, -s / 2.0f);
    VLM_v4fAddScaled(&bodyB.v4fVelocity, &n, -vn);
    VLM_v4fAddScaled(&bodyB.v4fAngularVelocity, &cB, -vn * VLM_v4fLength(&cB));
  };

  if (joint->iKind == VLM_JOINT_ROD) {
    if (aFixed) {
      holdOnFixed();
    } else {
      const float mu = 1.0f / (1.0f / mA + 1.0f / mB);
      const float L = joint->fLength;
      VLM_v4fAddScaled(&bodyA.v4fMovement, &n, s * mu / mA);
      VLM_v4fAddScaled(&bodyB.v4fMovement, &n, -s * mu / mB);
      const v4f w = joint->v4fSharedAngularVelocity;
      bodyA.v4fAngularVelocity = w;
      bodyB.v4fAngularVelocity = w;
      const v4f armA = Scaled(n, -L * mu / mA);
      const v4f armB = Scaled(n, L * mu / mB);
      v4f spin;
      VLM_v4fCross(&spin, &w, &armA);
      VLM_v4fAddInto(&bodyA.v4fVelocity, &joint->v4fSharedVelocity, &spin);
      VLM_v4fCross(&spin, &w, &armB);
      VLM_v4fAddInto(&bodyB.v4fVelocity, &joint->v4fSharedVelocity, &spin);
    }
  } else if (joint->iKind == VLM_JOINT_SPRING) {
    if (aFixed && k != 0.0f) {
      const v4f cB = Lever(b, rB, n);
      VLM_v4fAddScaled(&bodyB.v4fAcceleration, &n, -k * s / mB);
      VLM_v4fAddScaled(&bodyB.v4fAcceleration, &n, -c * vn / mB);
      VLM_v4fAddScaled(&bodyB.v4fAngularAcceleration, &cB, -k * s);
      VLM_v4fAddScaled(&bodyB.v4fAngularAcceleration, &cB, -c * vn);
    } else if (aFixed) {
      holdOnFixed();
    } else if (k != 0.0f) {
      const v4f cA = Lever(a, rA, n);
      const v4f cB = Lever(b, rB, n);
      VLM_v4fAddScaled(&bodyA.v4fAcceleration, &n, k * s / mA);
      VLM_v4fAddScaled(&bodyA.v4fAcceleration, &n, c * vn / (2.0f * mA));
      VLM_v4fAddScaled(&bodyA.v4fAngularAcceleration, &cA, k * s);
      VLM_v4fAddScaled(&bodyA.v4fAngularAcceleration, &cA, c * vn / 2.0f);
      VLM_v4fAddScaled(&bodyB.v4fAcceleration, &n, -k * s / mB);
      VLM_v4fAddScaled(&bodyB.v4fAcceleration, &n, -c * vn / (2.0f * mB));
      VLM_v4fAddScaled(&bodyB.v4fAngularAcceleration, &cB, -k * s);
      VLM_v4fAddScaled(&bodyB.v4fAngularAcceleration, &cB, -c * vn / 2.0f);
    }
  }
  RebuildObjectMatrices(a);
  RebuildObjectMatrices(b);
  joint->fStretch = s;
}

}  // namespace vlm

extern "C" {

VLM_JOINT* VLM_CreateJoint(VLM_HANDLE id, int kind, VLM_HANDLE bodyA, VLM_HANDLE bodyB, float, float, float,
                           float, float, float) {
  constexpr const char* kProc = "VLM_CreateJoint";
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  if (id != -1 && !vlm::IsIdHandle(id)) return nullptr;
  VLM_OBJECT* a = vlm::BodyOf(bodyA);
  VLM_OBJECT* b = vlm::BodyOf(bodyB);
  if (!a || !b) {
    vlm::Fail("Fail: Joint body not found!", kProc);
    return nullptr;
  }
  if (a == b) {
    vlm::Fail("Fail: A joint needs two different bodies!", kProc);
    return nullptr;
  }
  if (kind != VLM_JOINT_SPRING && kind != VLM_JOINT_ROD) {
    vlm::Fail("Fail: Unknown joint kind!", kProc);
    return nullptr;
  }
  // Grows the ID table to ID + 1 and frees a joint filed under the ID; an
  // ID of -1 gives the record's address as its handle.
  VLM_JOINT* joint = vlm::JointRegistry().CreateEntry(&id, "");
  if (!joint) return nullptr;
  joint->iKind = kind;
  joint->pBodyA = a;
  joint->pBodyB = b;
  vlm::WakeBody(a);
  vlm::WakeBody(b);
  a->Body.joints.push_back(joint);
  b->Body.joints.push_back(joint);
  // Both kinds hang on the bodies' origins and start at rest.
  joint->v4fAnchorA = v4f{0.0f, 0.0f, 0.0f, 1.0f};
  joint->v4fAnchorB = v4f{0.0f, 0.0f, 0.0f, 1.0f};
  v4f pA, pB;
  vlm::JointAnchors(joint, &pA, &pB);
  joint->fLength = VLM_v4fDistance(&pA, &pB);
  world.activeJoints.push_back(joint);
  ++world.listGeneration;
  return joint;
}

VLM_JOINT* VLM_ResolveJoint(VLM_HANDLE handle) {
  vlm::PhysicsLock guard(vlm::World().lock);
  return vlm::FindJoint(handle);
}

int VLM_FreeJoint(VLM_HANDLE handle) {
  vlm::PhysicsLock guard(vlm::World().lock);
  VLM_JOINT* joint = vlm::FindJoint(handle);
  if (!joint) return 0;
  vlm::FreeJointRecord(joint);
  return 1;
}

int VLM_SetJointLength(VLM_HANDLE handle, float length) {
  return vlm::SetJointValue(handle, &VLM_JOINT::fLength, length, "VLM_SetJointLength");
}

int VLM_SetJointStiffness(VLM_HANDLE handle, float stiffness) {
  return vlm::SetJointValue(handle, &VLM_JOINT::fStiffness, stiffness, "VLM_SetJointStiffness");
}

int VLM_SetJointDamping(VLM_HANDLE handle, float damping) {
  return vlm::SetJointValue(handle, &VLM_JOINT::fDamping, damping, "VLM_SetJointDamping");
}

}  // extern "C"
