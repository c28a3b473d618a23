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
  // 0 brings back one step of the frame's duration: no frame, no movement.
  ASSERT_EQ(VLM_SetPhysicsTimeStep(0.0f, 1), 1);
  VLM_UpdatePhysics(0);
  EXPECT_NEAR(ball->v4fPosition.y, -0.6f, 1e-5f);
  FrameTook(0.1f);
  VLM_UpdatePhysics(0);
  EXPECT_NEAR(ball->v4fPosition.y, -1.0f, 1e-5f);
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
