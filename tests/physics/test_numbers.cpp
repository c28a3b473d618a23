// Numbers that cannot be meant are refused where they enter, leaving the
// record as it was; a body that still overflows keeps its infinities.
#include <cmath>
#include <cstring>
#include <limits>

#include "physics/body.h"
#include "physics_fixture.h"
#include "support/test_support.h"

namespace {

using namespace phystest;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
const char* kFinite = "Fail: Numbers must be finite!";

bool Same(const v4f& a, const v4f& b) { return std::memcmp(&a, &b, sizeof(v4f)) == 0; }
std::string Beyond(const char* proc) {
  return vlmtest::FailRow(proc, "Fail: Physics numbers must lie between -1e12 and 1e12!");
}

TEST_F(PhysicsTest, NonFiniteBodyAndWorldNumbersAreRefused) {
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  VLM_CreateBoxCage(5, 2.0f, VLM_DEFAULTF, VLM_DEFAULTF, "");
  VLM_OBJECT* body = Body(1, 5, 1.0f, P(1, 2, 3));
  VLM_SetGravity(0.0f, -9.81f, 0.0f);
  VLM_SetBodyVelocity(1, nullptr, 1.0f, 2.0f, 3.0f, 0);
  VLM_SetBodyAngularVelocity(1, nullptr, 0.5f, 0.0f, 0.0f, 0);
  const v4f position = body->v4fPosition, orientation = body->q4fOrientation, scale = body->v4fScale;
  const m4f world = body->mWorld;
  std::string expected;
  for (float bad : {kNaN, kInf, -kInf}) {
    EXPECT_EQ(VLM_SetGravity(0.0f, bad, 0.0f), 0);
    EXPECT_EQ(VLM_SetBodyVelocity(1, nullptr, bad, 0.0f, 0.0f, 0), 0);
    EXPECT_EQ(VLM_SetBodyAngularVelocity(1, nullptr, 0.0f, 0.0f, bad, VLM_VELOCITY_ADD), 0);
    const v4f at{0.0f, bad, 0.0f, 1.0f};
    EXPECT_EQ(VLM_BodyPosition(1, &at, 0), 0);
    EXPECT_EQ(VLM_BodyRotation(1, bad, 0.0f, 0.0f, 0), 0);
    EXPECT_EQ(VLM_BodyScale(1, 1.0f, 1.0f, bad, 0), 0);
    expected += vlmtest::FailRow("VLM_SetGravity", kFinite) + vlmtest::FailRow("VLM_SetBodyVelocity", kFinite) +
                vlmtest::FailRow("VLM_SetBodyAngularVelocity", kFinite);
    for (const char* proc : {"VLM_BodyPosition", "VLM_BodyRotation", "VLM_BodyScale"}) {
      expected += vlmtest::FailRow(proc, "Fail: Numbers must be finite, and a scale must not be 0!");
    }
  }
  // Finite but beyond 1e12 (also as a sum), and a mirroring scale, are refused too.
  EXPECT_EQ(VLM_SetBodyVelocity(1, nullptr, 1e12f, 0.0f, 0.0f, 0), 1);
  EXPECT_EQ(VLM_SetBodyVelocity(1, nullptr, 1e12f, 0.0f, 0.0f, VLM_VELOCITY_ADD), 0);
  EXPECT_EQ(VLM_SetGravity(0.0f, -1e30f, 0.0f), 0);
  const v4f far{0.0f, 0.0f, 2e12f, 1.0f};
  EXPECT_EQ(VLM_BodyPosition(1, &far, 0), 0);
  EXPECT_EQ(VLM_BodyScale(1, -1.0f, 1.0f, 1.0f, 0), 0);
  EXPECT_EQ(VLM_BodyScale(1, 0.0f, 1.0f, 1.0f, 0), 0);
  EXPECT_EQ(VLM_BodyScale(1, 1e30f, 1.0f, 1.0f, 0), 1);
  EXPECT_EQ(VLM_BodyScale(1, 1e30f, 1.0f, 1.0f, VLM_TRANSFORM_RELATIVE), 0);  // 1e60
  for (const char* proc : {"VLM_SetBodyVelocity", "VLM_SetGravity", "VLM_BodyPosition"}) expected += Beyond(proc);
  expected += vlmtest::FailRow("VLM_BodyScale", "Fail: A body's scale must not mirror it (one or three negative axes)!");
  expected += vlmtest::FailRow("VLM_BodyScale", "Fail: Numbers must be finite, and a scale must not be 0!");
  expected += vlmtest::FailRow("VLM_BodyScale", "Fail: Numbers must be finite, and a scale must not be 0!");
  EXPECT_EQ(vlmtest::LogBody(log), expected);

  EXPECT_TRUE(Same(World().gravity, D(0.0f, -9.81f, 0.0f)));
  EXPECT_TRUE(Same(body->Body.v4fVelocity, D(1e12f, 0.0f, 0.0f)));
  EXPECT_TRUE(Same(body->Body.v4fAngularVelocity, D(0.5f, 0.0f, 0.0f)));
  EXPECT_TRUE(Same(body->v4fPosition, position));
  EXPECT_TRUE(Same(body->q4fOrientation, orientation));
  EXPECT_TRUE(Same(body->v4fScale, D(1e30f, 1.0f, 1.0f)));
  // A negative scale still mirrors, as the demo's wheels rely on.
  EXPECT_EQ(VLM_BodyScale(1, 1.0f, -1.0f, -1.0f, 0), 1);
  EXPECT_TRUE(Same(body->v4fScale, D(1.0f, -1.0f, -1.0f)));
  (void)scale;
  (void)world;
}

TEST_F(PhysicsTest, NonFiniteJointAndMaterialNumbersAreRefused) {
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  VLM_OBJECT* a = Body(1, -2, 1.0f, P(0, 0, 0));
  VLM_OBJECT* b = Body(2, -2, 1.0f, P(2, 0, 0));
  VLM_JOINT* spring = VLM_CreateJoint(4, VLM_JOINT_SPRING, 1, 2, 0, 0, 0, 0, 0, 0);
  ASSERT_NE(spring, nullptr);
  VLM_SetJointStiffness(4, 5.0f);
  VLM_SetJointDamping(4, 0.5f);
  std::string expected;
  for (float bad : {kNaN, kInf}) {
    EXPECT_EQ(VLM_SetJointStiffness(4, bad), 0);
    EXPECT_EQ(VLM_SetJointDamping(4, bad), 0);
    EXPECT_EQ(VLM_SetJointLength(4, bad), 0);
    expected += vlmtest::FailRow("VLM_SetJointStiffness", kFinite) + vlmtest::FailRow("VLM_SetJointDamping", kFinite) +
                vlmtest::FailRow("VLM_SetJointLength", "Fail: A length must be finite and not negative!");
  }
  EXPECT_EQ(VLM_SetJointLength(4, -1.0f), 0);
  expected += vlmtest::FailRow("VLM_SetJointLength", "Fail: A length must be finite and not negative!");
  EXPECT_EQ(spring->fStiffness, 5.0f);
  EXPECT_EQ(spring->fDamping, 0.5f);
  EXPECT_EQ(spring->fLength, 2.0f);

  // Reduced mass 0.5 kg at 1/60 s: (k / 3600 + 2 * 0.5 / 60) / 0.5 reaches 4 at k = 7140.
  EXPECT_EQ(VLM_SetJointStiffness(4, 7100.0f), 1);
  EXPECT_EQ(VLM_SetJointStiffness(4, 7200.0f), 0);
  EXPECT_EQ(VLM_SetJointDamping(4, -1e30f), 0);
  EXPECT_EQ(VLM_SetJointLength(4, 1e30f), 0);
  const char* kTooStiff = "Fail: The spring is too stiff or too damped for its bodies at the time step!";
  expected += vlmtest::FailRow("VLM_SetJointStiffness", kTooStiff) +
              vlmtest::FailRow("VLM_SetJointDamping", kTooStiff) + Beyond("VLM_SetJointLength");
  // Steps of 0.1 s would let that spring run away; each scales it down instead.
  for (int i = 0; i < 100; ++i) Step(0.1f);
  EXPECT_TRUE(vlm::FiniteMotion(a) && vlm::FiniteMotion(b) && spring->fStiffness == 7100.0f);

  // A refused material does not release the one already filed under its ID.
  VLM_SURFACE* rubber = VLM_CreatePhysicalMaterial(7, 0.8f, 0.4f, "Rubber");
  ASSERT_NE(rubber, nullptr);
  for (auto [e, f] : {std::pair{kNaN, 0.3f}, {0.5f, kInf}, {-0.1f, 0.3f}, {0.5f, -0.3f}}) {
    EXPECT_EQ(VLM_CreatePhysicalMaterial(7, e, f, ""), nullptr);
    expected += vlmtest::FailRow("VLM_CreatePhysicalMaterial",
                                 "Fail: Elasticity and friction must be finite and not negative!");
  }
  EXPECT_EQ(VLM_ResolveSurface(7), rubber);
  EXPECT_EQ(rubber->fElasticity, 0.8f);
  EXPECT_EQ(vlmtest::LogBody(log), expected);
}

TEST_F(PhysicsTest, AnOverflowingBodyHandsNoInfinitiesToItsNeighbours) {
  // Ball 1 rests on the ground and is joined by a soft spring to ball 2,
  // which is put (past the setters) at the edge of the float range with a
  // speed that throws it beyond in the first step.
  VLM_SetGravity(0.0f, -9.81f, 0.0f);
  VLM_CreateBoxCage(4, 200.0f, 2.0f, 200.0f, "");
  Body(9, 4, 0.0f, P(0, -1, 0));
  VLM_CreateSphereCage(3, 2.0f, "");
  VLM_OBJECT* resting = Body(1, 3, 1.0f, P(0, 1, 0));
  VLM_OBJECT* thrown = Body(2, 3, 1.0f, P(1.5f, 1, 0));
  VLM_JOINT* soft = VLM_CreateJoint(-1, VLM_JOINT_SPRING, 1, 2, 0, 0, 0, 0, 0, 0);
  VLM_SetJointStiffness(soft->iHandle, 1.0f);
  thrown->v4fPosition.x = std::numeric_limits<float>::max();
  thrown->Body.v4fVelocity.x = 1e37f;
  Step(1.0f / 60.0f);
  EXPECT_FALSE(std::isfinite(thrown->v4fPosition.x));
  for (int i = 0; i < 30; ++i) Step(1.0f / 60.0f);
  for (const v4f* v : {&resting->v4fPosition, &resting->Body.v4fVelocity, &resting->Body.v4fAngularVelocity}) {
    EXPECT_TRUE(std::isfinite(v->x) && std::isfinite(v->y) && std::isfinite(v->z));
  }
  EXPECT_NEAR(resting->v4fPosition.y, 1.0f, 0.05f);
}

// A body takes part in contacts while its position and both velocities are
// finite, up to the largest float; one infinity or not-a-number in any of
// the nine numbers keeps it out.
TEST_F(PhysicsTest, FiniteMotionHoldsUpToTheLargestFloat) {
  VLM_CreateSphereCage(3, 2.0f, "");
  VLM_OBJECT* body = Body(1, 3, 1.0f, P(0, 0, 0));
  constexpr float kLargest = std::numeric_limits<float>::max();
  v4f* parts[3] = {&body->v4fPosition, &body->Body.v4fVelocity, &body->Body.v4fAngularVelocity};
  for (v4f* part : parts) *part = v4f{kLargest, -kLargest, std::numeric_limits<float>::denorm_min(), part->w};
  EXPECT_TRUE(vlm::FiniteMotion(body));
  for (v4f* part : parts) {
    for (float* number : {&part->x, &part->y, &part->z}) {
      for (float bad : {kInf, -kInf, kNaN}) {
        const float kept = *number;
        *number = bad;
        EXPECT_FALSE(vlm::FiniteMotion(body)) << bad;
        *number = kept;
      }
    }
  }
  EXPECT_TRUE(vlm::FiniteMotion(body));
  body->Body.v4fVelocity.w = kNaN;  // w takes no part
  EXPECT_TRUE(vlm::FiniteMotion(body));
}

}  // namespace
