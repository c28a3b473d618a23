// The simulation step: integration, the enabled flag, joints, energy, the
// lock and the pauses between phases.
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "core/registries.h"
#include "physics_fixture.h"
#include "support/test_support.h"

namespace {

using namespace phystest;

TEST_F(PhysicsTest, FreeFallStepHasNoHalfFactor) {
  VLM_SetGravity(0.0f, -9.81f, 0.0f);
  VLM_OBJECT* body = Body(1, -1, 1.0f, P(0, 10, 0));
  Step(0.1f);
  EXPECT_NEAR(body->Body.v4fMovement.y, -0.0981f, 1e-6);
  EXPECT_EQ(body->Body.v4fMovement.x, 0.0f);
  EXPECT_NEAR(body->v4fPosition.y, 9.9019f, 1e-5);
  EXPECT_NEAR(body->Body.v4fVelocity.y, -0.981f, 1e-6);
  EXPECT_EQ(body->v4fPosition.w, 1.0f);
  EXPECT_NEAR(body->mWorld.e[13], 9.9019f, 1e-5);
  Step(0.1f);  // g dt^2 + v dt
  EXPECT_NEAR(body->Body.v4fMovement.y, -0.1962f, 1e-6);
  EXPECT_NEAR(body->v4fPosition.y, 9.7057f, 1e-5);
  EXPECT_NEAR(body->Body.v4fVelocity.y, -1.962f, 1e-6);
}

TEST_F(PhysicsTest, NonDynamicBodyMovesByItsOwnVelocityOnly) {
  VLM_SetGravity(0.0f, -9.81f, 0.0f);
  VLM_OBJECT* mover = Body(1, -2, 0.0f, P(0, 0, 0));
  VLM_SetBodyVelocity(1, nullptr, 1.0f, 0.0f, 0.0f, 0);
  VLM_SetBodyAngularVelocity(1, nullptr, 0.0f, 1.0f, 0.0f, 0);
  Step(0.5f);
  Step(0.5f);
  EXPECT_FLOAT_EQ(mover->v4fPosition.x, 1.0f);
  EXPECT_EQ(mover->v4fPosition.y, 0.0f);
  EXPECT_EQ(mover->Body.v4fVelocity.y, 0.0f);
  EXPECT_EQ(mover->Body.v4fAcceleration.y, 0.0f);
  // Two turns of 0.5 rad about y: the step rotation of the last step and an
  // orientation of 1 rad (products of unit quaternions, not renormalised).
  EXPECT_NEAR(mover->Body.q4fStepRotation.y, std::sin(0.25f), 1e-6);
  EXPECT_NEAR(mover->q4fOrientation.y, std::sin(0.5f), 1e-6);
  EXPECT_NEAR(mover->q4fOrientation.w, std::cos(0.5f), 1e-6);
}

TEST_F(PhysicsTest, DisabledWorldDoesNotMove) {
  VLM_SetGravity(0.0f, -9.81f, 0.0f);
  VLM_OBJECT* body = Body(1, -1, 1.0f, P(0, 10, 0));
  VLM_EnablePhysics(0);
  Step(1.0f);
  Step(5.0f);
  EXPECT_EQ(body->v4fPosition.y, 10.0f);
  EXPECT_EQ(body->Body.v4fVelocity.y, 0.0f);
  VLM_EnablePhysics(1);
  Step(0.1f);
  EXPECT_LT(body->v4fPosition.y, 10.0f);
}

TEST_F(PhysicsTest, RigidRodPullsEqualMassesTogetherByHalfTheStretchEach) {
  VLM_OBJECT* a = Body(1, -1, 1.0f, P(0, 0, 0));
  VLM_OBJECT* b = Body(2, -1, 1.0f, P(2, 0, 0));
  VLM_JOINT* rod = VLM_CreateJoint(43, VLM_JOINT_ROD, 1, 2, 0, 0, 0, 0, 0, 0);
  ASSERT_NE(rod, nullptr);
  EXPECT_FLOAT_EQ(rod->fLength, 2.0f);
  EXPECT_EQ(rod->fStretch, 0.0f);
  EXPECT_EQ(rod->v4fAnchorA.w, 1.0f);
  ASSERT_EQ(a->Body.joints.size(), 1u);
  EXPECT_EQ(b->Body.joints[0], rod);
  Step(0.01f);
  EXPECT_NEAR(rod->fStretch, 0.0f, 1e-6);

  const v4f stretched = P(2.2f, 0, 0);
  VLM_BodyPosition(2, &stretched, 0);
  Step(0.01f);
  EXPECT_NEAR(rod->fStretch, 0.2f, 1e-5);
  // The rod's direction comes from the reciprocal square root estimate, |n| = 1 + d,
  // d <= 1.5 * 2^-12: each body moves 0.1 |n|, off by 0.1 d = 3.7e-5, the distance by 7.3e-5.
  EXPECT_NEAR(a->v4fPosition.x, 0.1f, 1e-4);
  EXPECT_NEAR(b->v4fPosition.x, 2.1f, 1e-4);
  EXPECT_NEAR(VLM_v4fDistance(&a->v4fPosition, &b->v4fPosition), 2.0f, 1e-4);
}

TEST_F(PhysicsTest, RodReplacesAVelocityByItsSharedVelocity) {
  VLM_OBJECT* a = Body(1, -1, 1.0f, P(0, 0, 0));
  Body(2, -1, 1.0f, P(2, 0, 0));
  VLM_JOINT* rod = VLM_CreateJoint(-1, VLM_JOINT_ROD, 1, 2, 0, 0, 0, 0, 0, 0);
  ASSERT_NE(rod, nullptr);
  EXPECT_EQ(rod->iHandle, reinterpret_cast<VLM_HANDLE>(rod));
  EXPECT_EQ(VLM_ResolveJoint(rod->iHandle), rod);
  VLM_SetBodyVelocity(1, nullptr, 5.0f, 0.0f, 0.0f, 0);
  Step(0.1f);
  EXPECT_EQ(a->v4fPosition.x, 0.0f);
  EXPECT_EQ(a->Body.v4fVelocity.x, 0.0f);
  // Gravity reaches the rod's bodies through the shared velocity.
  VLM_SetGravity(0.0f, -10.0f, 0.0f);
  Step(0.1f);
  EXPECT_NEAR(rod->v4fSharedVelocity.y, -1.0f, 1e-6);
  EXPECT_NEAR(a->Body.v4fVelocity.y, -2.0f, 1e-6);  // shared, then gravity of the step
}

TEST_F(PhysicsTest, RodToAFixedBodyHoldsTheOtherBodyWithoutDividingByZero) {
  VLM_OBJECT* anchor = Body(1, -1, 0.0f, P(0, 0, 0));
  VLM_OBJECT* bob = Body(2, -1, 1.0f, P(2, 0, 0));
  // The fixed body named second still plays the fixed side.
  VLM_JOINT* rod = VLM_CreateJoint(1, VLM_JOINT_ROD, 2, 1, 0, 0, 0, 0, 0, 0);
  ASSERT_NE(rod, nullptr);
  const v4f stretched = P(2.2f, 0, 0);
  VLM_BodyPosition(2, &stretched, 0);
  VLM_SetBodyVelocity(2, nullptr, 1.0f, 0.0f, 0.0f, 0);
  Step(0.1f);
  // Half the stretch back, and the radial velocity taken away. The direction comes from the
  // reciprocal square root estimate, |n| = 1 + d, d <= 1.5 * 2^-12: 1 - |n|^2 = -2d of the
  // velocity stays (7.3e-4), and x is off by 0.1 d + 0.1 s * 2d = 0.3 d = 1.1e-4.
  EXPECT_NEAR(bob->v4fPosition.x, 2.1f, 1.2e-4);
  EXPECT_NEAR(bob->Body.v4fVelocity.x, 0.0f, 1e-3);
  // A pendulum under gravity stays on its circle and finite (the estimate's d <= 1.5 * 2^-12
  // only scales each step's pull-back of its small stretch).
  VLM_SetGravity(0.0f, -9.81f, 0.0f);
  for (int i = 0; i < 600; ++i) {
    Step(1.0f / 60.0f);
    ASSERT_TRUE(std::isfinite(bob->v4fPosition.x) && std::isfinite(bob->v4fPosition.y));
  }
  EXPECT_NEAR(VLM_v4fDistance(&anchor->v4fPosition, &bob->v4fPosition), 2.0f, 0.1f);
  EXPECT_EQ(anchor->v4fPosition.x, 0.0f);
  EXPECT_EQ(anchor->Body.v4fVelocity.x, 0.0f);
}

TEST_F(PhysicsTest, SpringsAccelerateByStiffnessAndStretch) {
  // A fixed anchor and a mass of 2 on a spring of k = 4, stretched by 1.
  Body(1, -1, 0.0f, P(0, 0, 0));
  VLM_OBJECT* b = Body(2, -1, 2.0f, P(3, 0, 0));
  VLM_JOINT* spring = VLM_CreateJoint(1, VLM_JOINT_SPRING, 1, 2, 0, 0, 0, 0, 0, 0);
  ASSERT_NE(spring, nullptr);
  EXPECT_FLOAT_EQ(spring->fLength, 3.0f);  // anchored at the origins, at rest
  VLM_SetJointLength(1, 2.0f);
  VLM_SetJointStiffness(1, 4.0f);
  Step(0.1f);
  // The direction n comes from the reciprocal square root estimate, |n| = 1 + d,
  // d <= 1.5 * 2^-12: values along n are off by d of themselves (2 d = 7.3e-4 here).
  EXPECT_NEAR(b->Body.v4fAcceleration.x, -2.0f, 1e-3);  // -k s / m
  EXPECT_NEAR(b->v4fPosition.x, 2.98f, 1e-4);           // a dt^2
  EXPECT_NEAR(b->Body.v4fVelocity.x, -0.2f, 1e-4);

  // Two masses of 1: each pulled by k s / m, damping adds c vn / (2m).
  VLM_OBJECT* c = Body(3, -1, 1.0f, P(0, 5, 0));
  VLM_OBJECT* d = Body(4, -1, 1.0f, P(3, 5, 0));
  VLM_CreateJoint(2, VLM_JOINT_SPRING, 3, 4, 0, 0, 0, 0, 0, 0);
  VLM_SetJointLength(2, 2.0f);
  VLM_SetJointStiffness(2, 4.0f);
  VLM_SetJointDamping(2, 2.0f);
  VLM_SetBodyVelocity(4, nullptr, 1.0f, 0.0f, 0.0f, 0);  // vn = 1
  Step(0.1f);
  // 4 |n| + |n|^2 with |n| = 1 + d from the estimate: off by up to 6 d = 2.2e-3.
  EXPECT_NEAR(c->Body.v4fAcceleration.x, 5.0f, 2.3e-3);   // 4 + 2 * 1 / 2
  EXPECT_NEAR(d->Body.v4fAcceleration.x, -5.0f, 2.3e-3);
  EXPECT_NEAR(c->v4fPosition.x, 0.05f, 1e-4);
}

TEST_F(PhysicsTest, JointIdsReleasesAndRefusals) {
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  VLM_OBJECT* a = Body(1, -1, 1.0f, P(0, 0, 0));
  VLM_OBJECT* b = Body(2, -1, 1.0f, P(1, 0, 0));
  VLM_JOINT* first = VLM_CreateJoint(5, VLM_JOINT_ROD, 1, 2, 0, 0, 0, 0, 0, 0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(vlm::JointRegistry().TableSize(), 6u);
  VLM_JOINT* second = VLM_CreateJoint(5, VLM_JOINT_SPRING, 1, 2, 0, 0, 0, 0, 0, 0);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(VLM_ResolveJoint(5), second);
  EXPECT_EQ(VLM_CountJoints(), 1);
  EXPECT_EQ(a->Body.joints.size(), 1u);
  EXPECT_EQ(VLM_FreeJoint(5), 1);
  EXPECT_TRUE(a->Body.joints.empty());
  EXPECT_TRUE(b->Body.joints.empty());
  EXPECT_EQ(VLM_FreeJoint(5), 0);
  EXPECT_EQ(VLM_ResolveJoint(5), nullptr);
  EXPECT_EQ(VLM_ResolveJoint(0x12345678), nullptr);
  EXPECT_EQ(VLM_CreateJoint(0x10000, VLM_JOINT_ROD, 1, 2, 0, 0, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(VLM_CreateJoint(-7, VLM_JOINT_ROD, 1, 2, 0, 0, 0, 0, 0, 0), nullptr);
  VLM_OpenLogFile("", 1, 1);
  EXPECT_EQ(vlmtest::LogBody(log), "");  // bad IDs are refused without a row

  const std::string log2 = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  EXPECT_EQ(VLM_CreateJoint(1, VLM_JOINT_ROD, 1, 1, 0, 0, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(VLM_CreateJoint(1, VLM_JOINT_ROD, 1, 9, 0, 0, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(VLM_CreateJoint(1, 4, 1, 2, 0, 0, 0, 0, 0, 0), nullptr);
  VLM_OpenLogFile("", 1, 1);
  const std::string rows = vlmtest::LogBody(log2);
  EXPECT_NE(rows.find("two different bodies"), std::string::npos);
  EXPECT_NE(rows.find("Joint body not found"), std::string::npos);
  EXPECT_NE(rows.find("Unknown joint kind"), std::string::npos);
  EXPECT_EQ(VLM_CountJoints(), 0);
}

TEST_F(PhysicsTest, JointOnOneSpotStaysFinite) {
  VLM_OBJECT* a = Body(1, -1, 1.0f, P(1, 1, 1));
  VLM_OBJECT* b = Body(2, -1, 1.0f, P(1, 1, 1));
  VLM_CreateJoint(1, VLM_JOINT_ROD, 1, 2, 0, 0, 0, 0, 0, 0);
  VLM_CreateJoint(2, VLM_JOINT_SPRING, 1, 2, 0, 0, 0, 0, 0, 0);
  VLM_SetJointStiffness(2, 10.0f);
  VLM_SetGravity(0.0f, -9.81f, 0.0f);
  Step(0.1f);
  EXPECT_TRUE(std::isfinite(a->v4fPosition.y));
  EXPECT_TRUE(std::isfinite(b->Body.v4fVelocity.x));
}

TEST_F(PhysicsTest, EnergyOfEachKindWorkedOutByHand) {
  VLM_SetGravity(0.0f, -9.81f, 0.0f);
  VLM_OBJECT* high = Body(1, -1, 2.0f, P(0, 10, 0));
  EXPECT_NEAR(VLM_GetPhysicsEnergy(VLM_ENERGY_POSITION), 196.2f, 1e-3);
  VLM_SetBodyVelocity(1, nullptr, 3.0f, 4.0f, 0.0f, 0);
  EXPECT_NEAR(VLM_GetPhysicsEnergy(VLM_ENERGY_TRANSLATION), 25.0f, 1e-4);  // 0.5 * 2 * 25

  VLM_CreateSphereCage(3, 2.0f, "");
  Body(2, 3, 5.0f, P(0, 0, 0));  // inertia 0.4 * 5 = 2
  VLM_SetBodyAngularVelocity(2, nullptr, 0.0f, 3.0f, 0.0f, 0);
  EXPECT_NEAR(VLM_GetPhysicsEnergy(VLM_ENERGY_ROTATION), 9.0f, 1e-4);  // 0.5 * 2 * 9

  Body(3, -1, 0.0f, P(0, 10, 0));  // no mass: no energy of position
  Body(4, -1, 1.0f, P(0, 0, 0));
  VLM_CreateJoint(1, VLM_JOINT_SPRING, 3, 4, 0, 0, 0, 0, 0, 0);  // rest 10
  VLM_SetJointStiffness(1, 4.0f);
  VLM_SetJointLength(1, 9.5f);
  EXPECT_NEAR(VLM_GetPhysicsEnergy(VLM_ENERGY_TENSION), 0.5f, 1e-4);  // 0.5 * 4 * 0.25
  EXPECT_NEAR(VLM_GetPhysicsEnergy(15), 196.2f + 25.0f + 9.0f + 0.5f, 1e-3);
  EXPECT_EQ(VLM_GetPhysicsEnergy(0), 0.0f);
  (void)high;
}

TEST_F(PhysicsTest, StepTakesTheLockPhaseByPhase) {
  VLM_SetGravity(0.0f, -9.81f, 0.0f);
  VLM_OBJECT* body = Body(1, -1, 1.0f, P(0, 10, 0));
  std::atomic<bool> done{false};
  std::thread stepper;
  {
    std::lock_guard<std::recursive_mutex> hold(World().lock);
    stepper = std::thread([&] {
      Step(0.1f);
      done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(done.load());
    EXPECT_EQ(body->v4fPosition.y, 10.0f);
  }
  stepper.join();
  EXPECT_LT(body->v4fPosition.y, 10.0f);
}

TEST_F(PhysicsTest, WaitsAreOnByDefaultAndCanBeSwitchedOff) {
  EXPECT_EQ(vlm::PhysicsWorld{}.waits, 1);
  EXPECT_EQ(vlm::PhysicsWorld{}.broadPhase, 1);
  VLM_SetPhysicsWaits(1);
  auto start = std::chrono::steady_clock::now();
  Step(0.01f);
  // At least the pause after the collision phase.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1));
  VLM_SetPhysicsWaits(0);
  EXPECT_EQ(World().waits, 0);
}

TEST_F(PhysicsTest, FrameTimeAndRateAreCopiedIntoTheWorld) {
  vlm::Timing().renderFrequency = 59.6f;
  Step(0.25f);
  EXPECT_EQ(World().timeStep, 0.25f);
  EXPECT_EQ(World().frameRate, 60);
  vlm::Timing().renderFrequency = std::numeric_limits<float>::infinity();
  Step(0.25f);
  EXPECT_EQ(World().frameRate, 0);
}

}  // namespace
