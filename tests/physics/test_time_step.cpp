// The public physics time step: a fixed step runs as often as the frame time
// allows, carries the rest over, and runs once per update without frames.
#include <cmath>

#include "physics_fixture.h"
#include "support/test_support.h"

namespace {

using namespace phystest;

// The frame time only a presented frame measures.
void FrameTook(float seconds) { vlm::Timing().lastFrameSeconds = seconds; }

TEST_F(PhysicsTest, FixedStepRunsWholeStepsOfTheFrameTimeAndCarriesTheRest) {
  VLM_SetGravity(0.0f, -10.0f, 0.0f);
  VLM_OBJECT* ball = Body(1, -2, 1.0f, P(0, 0, 0));
  ASSERT_EQ(VLM_SetPhysicsTimeStep(0.01f, 4), 1);
  // 0.025 s: two steps of 0.01, each adding -0.1 to the speed; 0.005 is left.
  FrameTook(0.025f);
  VLM_UpdatePhysics(0);
  EXPECT_NEAR(ball->Body.v4fVelocity.y, -0.2f, 1e-6f);
  // 0.005 + 0.025: three steps.
  VLM_UpdatePhysics(0);
  EXPECT_NEAR(ball->Body.v4fVelocity.y, -0.5f, 1e-6f);
  // A long frame runs at most four steps, and the stall is not made up.
  FrameTook(1.0f);
  VLM_UpdatePhysics(0);
  EXPECT_NEAR(ball->Body.v4fVelocity.y, -0.9f, 1e-6f);
  FrameTook(0.001f);
  VLM_UpdatePhysics(0);
  EXPECT_NEAR(ball->Body.v4fVelocity.y, -1.3f, 1e-5f);  // 0.04 held back + 0.001: four steps
  VLM_UpdatePhysics(0);
  EXPECT_NEAR(ball->Body.v4fVelocity.y, -1.3f, 1e-5f);  // 0.002 left: no step
  // Steps are of the fixed length: x = sum of v * h + a * h^2 over the steps.
  EXPECT_TRUE(std::isfinite(ball->v4fPosition.y));
}

TEST_F(PhysicsTest, WithoutFrameTimeEveryUpdateIsOneFixedStep) {
  VLM_SetGravity(0.0f, -10.0f, 0.0f);
  VLM_OBJECT* ball = Body(1, -2, 1.0f, P(0, 0, 0));
  FrameTook(0.0f);
  ASSERT_EQ(VLM_SetPhysicsTimeStep(0.1f, 8), 1);
  for (int i = 0; i < 3; ++i) VLM_UpdatePhysics(0);
  EXPECT_NEAR(ball->Body.v4fVelocity.y, -3.0f, 1e-5f);
  // Movement per step: v * h + a * h^2 (no factor 1/2): -0.1, -0.2, -0.3.
  EXPECT_NEAR(ball->v4fPosition.y, -0.6f, 1e-5f);
  // 0 brings back one step of the frame's duration: no frame, no movement;
  // a frame of 1/30 s, the longest that is one step: -3/30 - 10/900.
  ASSERT_EQ(VLM_SetPhysicsTimeStep(0.0f, 1), 1);
  VLM_UpdatePhysics(0);
  EXPECT_NEAR(ball->v4fPosition.y, -0.6f, 1e-5f);
  FrameTook(1.0f / 30.0f);
  VLM_UpdatePhysics(0);
  EXPECT_NEAR(ball->v4fPosition.y, -0.6f - 0.1f - 1.0f / 90.0f, 1e-5f);
}

// A frame longer than 1/30 s runs as equal steps of at most 1/30 s, each the
// same as a frame of that length; past 120 of them (4 s) the rest of a
// stall is dropped. Without it a one-second frame would drop a ball through
// a plate of half its thickness in one step.
TEST_F(PhysicsTest, LongFramesRunAsEqualStepsOfAtMostAThirtiethSecond) {
  // Three frames of 0.1 / 3 s, then the same fall in one frame of 0.1 s.
  VLM_SetGravity(0.0f, -10.0f, 0.0f);
  VLM_OBJECT* ball = Body(1, -2, 1.0f, P(0, 0, 0));
  for (int i = 0; i < 3; ++i) {
    FrameTook(0.1f / 3.0f);
    VLM_UpdatePhysics(0);
  }
  const float threeFrames = ball->v4fPosition.y;
  ResetWorld();
  VLM_SetGravity(0.0f, -10.0f, 0.0f);
  ball = Body(1, -2, 1.0f, P(0, 0, 0));
  FrameTook(0.1f);
  VLM_UpdatePhysics(0);
  EXPECT_EQ(World().timeStep, 0.1f / 3.0f);
  EXPECT_EQ(ball->v4fPosition.y, threeFrames);
  EXPECT_NEAR(threeFrames, -10.0f * (0.1f / 3) * (0.1f / 3) * 6.0f, 1e-6f);  // a h^2 (1 + 2 + 3)
  EXPECT_NEAR(ball->Body.v4fVelocity.y, -1.0f, 1e-6f);
  // Just over 1/30 s: two steps; 100 s: 120 steps of 1/30 s, 4 s of fall.
  FrameTook(1.0f / 30.0f + 1e-6f);
  VLM_UpdatePhysics(0);
  EXPECT_EQ(World().timeStep, (1.0f / 30.0f + 1e-6f) / 2.0f);
  EXPECT_NEAR(ball->Body.v4fVelocity.y, -1.0f - 10.0f / 30.0f, 1e-5f);
  FrameTook(100.0f);
  VLM_UpdatePhysics(0);
  EXPECT_EQ(World().timeStep, 1.0f / 30.0f);
  EXPECT_NEAR(ball->Body.v4fVelocity.y, -1.0f - 10.0f / 30.0f - 40.0f, 1e-3f);

  // A ball of radius 1 dropped on a plate 1 thick, in frames of 0.8 s: one
  // step of 0.8 s would carry it through.
  ResetWorld();
  VLM_SetGravity(0.0f, -9.81f, 0.0f);
  VLM_CreateBoxCage(1, 20.0f, 1.0f, 20.0f, "");
  Body(-1, 1, 0.0f, P(0, 0, 0));
  VLM_CreateSphereCage(2, 2.0f, "");
  ball = Body(-1, 2, 1.0f, P(0, 10, 0));
  for (int i = 0; i < 10; ++i) {
    FrameTook(0.8f);
    VLM_UpdatePhysics(0);
  }
  EXPECT_NEAR(ball->v4fPosition.y, 1.5f, 0.1f);
}

TEST_F(PhysicsTest, ImpossibleTimeStepsAndPassCountsAreRefused) {
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  VLM_SetGravity(0.0f, -10.0f, 0.0f);
  VLM_OBJECT* ball = Body(1, -2, 1.0f, P(0, 0, 0));
  ASSERT_EQ(VLM_SetPhysicsTimeStep(0.1f, 1), 1);
  std::string expected;
  for (float h : {NAN, INFINITY, -0.1f}) {
    EXPECT_EQ(VLM_SetPhysicsTimeStep(h, 1), 0);
    expected += vlmtest::FailRow("VLM_SetPhysicsTimeStep",
                                 "Fail: The time step must be a finite number of at least 0, with at least one step!");
  }
  EXPECT_EQ(VLM_SetPhysicsTimeStep(0.1f, 0), 0);
  expected += vlmtest::FailRow("VLM_SetPhysicsTimeStep",
                               "Fail: The time step must be a finite number of at least 0, with at least one step!");
  // One update stays bounded: at most 1000 steps of 0.0001 s to 60 s.
  EXPECT_EQ(VLM_SetPhysicsTimeStep(0.0001f, 1000) + VLM_SetPhysicsTimeStep(60.0f, 1), 2);
  EXPECT_EQ(VLM_SetPhysicsTimeStep(1e-30f, 1) + VLM_SetPhysicsTimeStep(60.5f, 1) + VLM_SetPhysicsTimeStep(0.1f, 1001), 0);
  const std::string bound = vlmtest::FailRow(
      "VLM_SetPhysicsTimeStep", "Fail: The time step must be 0 or from 0.0001 s to 60 s, with at most 1000 steps!");
  expected += bound + bound + bound;
  ASSERT_EQ(VLM_SetPhysicsTimeStep(0.1f, 1), 1);
  EXPECT_EQ(VLM_SetPhysicsContactPasses(0), 0);
  expected += vlmtest::FailRow("VLM_SetPhysicsContactPasses", "Fail: At least one contact pass is needed!");
  EXPECT_EQ(vlmtest::LogBody(log), expected);
  VLM_UpdatePhysics(0);  // the step of 0.1 is still set
  EXPECT_NEAR(ball->Body.v4fVelocity.y, -1.0f, 1e-6f);
  EXPECT_EQ(World().passes.count, 1);
}

}  // namespace
