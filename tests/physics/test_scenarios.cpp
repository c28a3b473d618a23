// Whole scenes over many steps: a ball coming to rest on the ground plate,
// the demo's wheels on their axle, and the broad phase changing nothing.
#include <cmath>
#include <cstring>
#include <vector>

#include "physics_fixture.h"

namespace {

using namespace phystest;

constexpr float kFrame = 1.0f / 60.0f;

// The demo's materials and gravity.
void DemoWorld() {
  VLM_CreatePhysicalMaterial(59, 0.5f, 0.3f, "");
  VLM_CreatePhysicalMaterial(60, 1.0f, 0.3f, "");
  VLM_CreatePhysicalMaterial(61, 0.9f, 0.1f, "");
  VLM_SetGravity(0.0f, -9.81f, 0.0f);
}

// The ground plate: a flat two-triangle plate scaled by 10 (body 48).
VLM_OBJECT* GroundPlate() {
  phystest::PlateCage(2, 2.0f);
  VLM_OBJECT* ground = VLM_CreateBody(48, 2, 60, "");
  VLM_BodyScale(48, 10.0f, 10.0f, 10.0f, 0);
  return ground;
}

class Scenario : public PhysicsTest, public ::testing::WithParamInterface<int> {};

TEST_P(Scenario, BallComesToRestOnTheGroundAndNeverFallsThrough) {
  DemoWorld();
  if (GetParam() == 0) {
    GroundPlate();
  } else {
    // A static box ground, top face at y = 0.
    VLM_CreateBoxCage(4, 200.0f, 2.0f, 200.0f, "");
    VLM_CreateBody(48, 4, 60, "");
    const v4f at = P(0, -1, 0);
    VLM_BodyPosition(48, &at, 0);
  }
  VLM_CreateSphereCage(3, 2.0f, "");
  VLM_OBJECT* ball = Body(-1, 3, 1.0f, P(1.0f, 5.0f, -2.0f), 59);
  float lowest = 5.0f;
  for (int i = 0; i < 600; ++i) {
    Step(kFrame);
    lowest = std::min(lowest, ball->v4fPosition.y);
    ASSERT_GE(ball->v4fPosition.y, 0.9f) << "step " << i;
  }
  EXPECT_GT(lowest, 0.9f);
  EXPECT_NEAR(ball->v4fPosition.y, 1.0f, 0.02f);
  EXPECT_LT(VLM_v4fLength(&ball->Body.v4fVelocity), 0.2f);
  EXPECT_NEAR(ball->v4fPosition.x, 1.0f, 0.01f);  // dropped straight: no drift
}

INSTANTIATE_TEST_SUITE_P(Grounds, Scenario, ::testing::Values(0, 1));

class Wheels : public PhysicsTest, public ::testing::WithParamInterface<float> {};

TEST_P(Wheels, FallOntoThePlateAndKeepTheirAxleLength) {
  DemoWorld();
  GroundPlate();
  const float radius = GetParam();
  VLM_CreateSphereCage(6, 2.0f * radius, "");
  VLM_CreateBody(57, 6, 61, "");
  VLM_SetBodyMass(57, 0.5f);
  VLM_BodyRotation(57, 0.0f, 180.0f, 0.0f, 0);
  VLM_BodyScale(57, 1.0f, -1.0f, -1.0f, 0);
  const v4f first = P(-2.0f, 10.0f, -14.0f);
  VLM_BodyPosition(57, &first, 0);
  VLM_CreateBody(58, 6, 61, "");
  VLM_SetBodyMass(58, 0.5f);
  VLM_BodyScale(58, 1.0f, -1.0f, -1.0f, 0);
  const v4f second = P(2.0f, 10.0f, -14.0f);
  VLM_BodyPosition(58, &second, 0);
  ASSERT_NE(VLM_CreateJoint(43, 3, 57, 58, 0, 0, 0, 0, 0, 0), nullptr);

  VLM_OBJECT* a = VLM_ResolveBody(57);
  VLM_OBJECT* b = VLM_ResolveBody(58);
  const float axle = 4.0f;
  bool landed = false;
  for (int i = 0; i < 600; ++i) {
    Step(kFrame);
    const float length = VLM_v4fDistance(&a->v4fPosition, &b->v4fPosition);
    // The axle's direction comes from the reciprocal square root estimate (d <= 1.5 * 2^-12),
    // which only scales each step's pull-back of the small stretch: far inside 1 %.
    ASSERT_NEAR(length, axle, 0.01f * axle) << "step " << i;
    ASSERT_GE(a->v4fPosition.y, radius - 0.1f) << "step " << i;
    ASSERT_GE(b->v4fPosition.y, radius - 0.1f) << "step " << i;
    if (a->v4fPosition.y < radius + 0.05f && b->v4fPosition.y < radius + 0.05f) landed = true;
  }
  EXPECT_TRUE(landed);
  EXPECT_NEAR(a->v4fPosition.y, radius, 0.05f);
  EXPECT_NEAR(b->v4fPosition.y, radius, 0.05f);
  EXPECT_TRUE(std::isfinite(VLM_GetPhysicsEnergy(15)));
}

INSTANTIATE_TEST_SUITE_P(Radii, Wheels, ::testing::Values(1.0f, 1.5f));

// A busy scene of every cage kind, joints and fixed bodies.
void BusyScene() {
  DemoWorld();
  GroundPlate();
  VLM_CreateSphereCage(3, 2.0f, "");
  VLM_CreateBoxCage(5, 2.0f, VLM_DEFAULTF, VLM_DEFAULTF, "");
  phystest::OutlinedBoxCage(7, 0.5f, 0.5f, 0.5f);
  phystest::PolyhedronCage(8, {P(0, 1, 0), P(-1, -1, -1), P(1, -1, -1), P(0, -1, 1)},
                           {{{0, 2, 1}}, {{0, 3, 2}}, {{0, 1, 3}}, {{1, 2, 3}}});
  VLM_CreateBoxCage(9, 40.0f, 1.0f, 40.0f, "");
  Body(-1, 9, 0.0f, P(0, -0.5f, 0), 60);  // a large fixed slab under the plate
  Body(-1, 3, 0.0f, P(3, 1, 3));           // a fixed post
  int n = 0;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) {
      for (int z = 0; z < 3; ++z, ++n) {
        const VLM_HANDLE cage = (n % 5 == 0) ? 5 : (n % 5 == 1) ? 7 : (n % 5 == 2) ? 8 : (n % 7 == 3) ? -2 : 3;
        VLM_OBJECT* body = Body(-1, cage, 1.0f + 0.1f * (n % 3), P(x * 1.7f - 3.0f, 2.0f + y * 1.9f, z * 1.8f), 59);
        VLM_BodyRotation(H(body), 5.0f * n, 3.0f * n, 0.0f, 0);
        VLM_SetBodyVelocity(H(body), nullptr, 0.3f * (n % 4) - 0.5f, 0.0f, 0.2f * (n % 3), 0);
      }
    }
  }
  const auto dynamic = vlm::DynamicBodies();
  VLM_CreateJoint(-1, VLM_JOINT_ROD, H(dynamic[3]), H(dynamic[4]), 0, 0, 0, 0, 0, 0);
  VLM_JOINT* spring = VLM_CreateJoint(-1, VLM_JOINT_SPRING, H(dynamic[10]), H(dynamic[20]), 0, 0, 0, 0, 0, 0);
  VLM_SetJointStiffness(spring->iHandle, 20.0f);
  VLM_SetJointDamping(spring->iHandle, 1.0f);
}

struct Snapshot {
  std::vector<float> values;
  bool operator==(const Snapshot& other) const {
    return values.size() == other.values.size() &&
           std::memcmp(values.data(), other.values.data(), values.size() * sizeof(float)) == 0;
  }
};

Snapshot Take() {
  Snapshot s;
  for (VLM_OBJECT* body : vlm::DynamicBodies()) {
    for (const v4f* v : {&body->v4fPosition, &body->q4fOrientation, &body->Body.v4fVelocity,
                         &body->Body.v4fAngularVelocity}) {
      s.values.insert(s.values.end(), {v->x, v->y, v->z, v->w});
    }
  }
  return s;
}

// Runs a scene with the full pair loop and then with the broad phase, each
// from a clean world: setUp builds it, before(i) may change it ahead of
// step i, and the trace takes a snapshot after every `every`-th step.
template <class SetUp, class Before>
std::vector<Snapshot> FullAndBroad(int passes, int steps, int every, SetUp&& setUp, Before&& before) {
  std::vector<Snapshot> runs;
  for (int broad : {0, 1}) {
    phystest::ResetWorld();
    VLM_SetPhysicsBroadPhase(broad);
    VLM_SetPhysicsContactPasses(passes);
    setUp();
    Snapshot trace;
    for (int i = 0; i < steps; ++i) {
      before(i);
      Step(kFrame);
      if (i % every == every - 1) {
        const Snapshot now = Take();
        trace.values.insert(trace.values.end(), now.values.begin(), now.values.end());
      }
    }
    runs.push_back(trace);
  }
  return runs;
}

TEST_F(PhysicsTest, BroadPhaseGivesTheResultsOfTheFullPairLoop) {
  // With one contact pass and with ten, whose passes follow the order in
  // which the pair loop found the contacts.
  for (int passes : {1, 10}) {
    const std::vector<Snapshot> runs = FullAndBroad(passes, 240, 20, BusyScene, [](int) {});
    ASSERT_FALSE(runs[0].values.empty());
    EXPECT_TRUE(runs[0] == runs[1]) << passes << " passes";
    for (float v : runs[1].values) ASSERT_TRUE(std::isfinite(v)) << passes << " passes";
  }
}

// Spheres that come to rest keep their cells and neighbour lists from step
// to step; between steps a program teleports one into another, resizes one,
// takes one out of collisions and back, frees one and adds one. Each must
// still meet exactly the bodies the full loop meets.
TEST_F(PhysicsTest, BroadPhaseKeptBetweenStepsFollowsWhatTheProgramChanges) {
  std::vector<VLM_OBJECT*> balls;
  auto setUp = [&balls] {
    VLM_SetGravity(0.0f, -9.81f, 0.0f);
    VLM_CreateBoxCage(4, 60.0f, 2.0f, 60.0f, "");
    Body(-1, 4, 0.0f, P(0, -1, 0));
    VLM_CreateSphereCage(3, 2.0f, "");
    balls.clear();
    for (int i = 0; i < 48; ++i) {
      // Columns of three, 2.2 apart: neighbours across columns stand off
      // by less than the cells' width.
      const int column = i / 3;
      balls.push_back(Body(-1, 3, 1.0f, P((column % 4) * 2.2f, 1.0f + (i % 3) * 2.0f, (column / 4) * 2.2f)));
    }
  };
  auto before = [&balls](int i) {
    if (i == 60) {
      const v4f into = balls[44]->v4fPosition;  // half inside ball 44
      const v4f at = P(into.x + 1.0f, into.y, into.z);
      VLM_BodyPosition(H(balls[5]), &at, 0);
    }
    if (i == 80) VLM_BodyScale(H(balls[30]), 1.3f, 1.3f, 1.3f, 0);
    if (i == 100) VLM_SetBodyCollision(H(balls[12]), 0);
    if (i == 120) VLM_SetBodyCollision(H(balls[12]), 1);
    if (i == 140) {
      VLM_FreeBody(H(balls[40]));
      balls[40] = Body(-1, 3, 1.0f, P(balls[41]->v4fPosition.x + 0.5f, 8.0f, balls[41]->v4fPosition.z));
    }
    if (i == 160) VLM_SetBodyVelocity(H(balls[0]), nullptr, 40.0f, 0.0f, 30.0f, 0);  // through a row
  };
  for (int passes : {1, 10}) {
    const std::vector<Snapshot> runs = FullAndBroad(passes, 200, 1, setUp, before);
    ASSERT_FALSE(runs[0].values.empty());
    EXPECT_TRUE(runs[0] == runs[1]) << passes << " passes";
  }
}

// A ball put almost at the centre of a heavy one is pushed out within the
// step by far more than the cells allow for, towards a third ball that lay
// beyond its neighbours where the step began: the pair loop must still
// find it, as the full loop does.
TEST_F(PhysicsTest, BroadPhaseFollowsABodyPushedFarWithinTheStep) {
  VLM_OBJECT* pushed = nullptr;
  auto setUp = [&pushed] {
    VLM_CreateSphereCage(3, 2.0f, "");
    pushed = Body(-1, 3, 1.0f, P(-10.0f, 0.0f, 0.0f));
    Body(-1, 3, 40.0f, P(0.0f, 0.0f, 0.0f));  // heavy
    Body(-1, 3, 1.0f, P(2.2f, 0.0f, 2.2f));   // 3.01 from where the first is put
  };
  // Two quiet steps first: the broad phase keeps what it knows.
  auto before = [&pushed](int i) {
    if (i != 2) return;
    const v4f into = P(0.07f, 0.0f, 0.07f);
    VLM_BodyPosition(H(pushed), &into, 0);
  };
  const std::vector<Snapshot> runs = FullAndBroad(1, 3, 3, setUp, before);
  // Four vectors of four numbers per body: the third body's x.
  ASSERT_NE(runs[0].values.at(2 * 16), 2.2f) << "the pushed ball never reached the third";
  EXPECT_TRUE(runs[0] == runs[1]);
}

}  // namespace
