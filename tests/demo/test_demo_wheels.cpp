// The demo's two wheels on their axle, headless with a fixed step of 1/60 s:
// after they land, and again after a ball shot at one of them hits the pair,
// the pair comes to rest within 20 s and stays there, upright. Prints the
// pair's speed every two seconds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "game.h"
#include "support/gl_context.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;
constexpr int kTwentySeconds = 1200;

class DemoWheels : public ::testing::Test {
 protected:
  void SetUp() override {
    gl_ = std::make_unique<vlmtest::GLContext>();
    if (!gl_->ok()) GTEST_SKIP() << "no GL context: " << gl_->error();
    before_ = std::filesystem::current_path();
  }
  void TearDown() override {
    if (!gl_ || !gl_->ok()) return;
    VLM_Shutdown();
    std::filesystem::current_path(before_);
  }
  std::unique_ptr<vlmtest::GLContext> gl_;
  std::filesystem::path before_;
};

// A wheel's world matrix: row 0 its axle (the x axis, scale 1), row 3 its
// centre.
m4f World(VLM_HANDLE wheel) {
  m4f m;
  VLM_EntityWorldMatrix(&m, VLM_ResolveBody(wheel), 1);
  return m;
}

v4f Centre() {
  const m4f a = World(demo::kBodyWheelA), b = World(demo::kBodyWheelB);
  return v4f{(a.e[12] + b.e[12]) / 2, (a.e[13] + b.e[13]) / 2, (a.e[14] + b.e[14]) / 2, 1.0f};
}

// How far from level a wheel's axle stands: 0 level, 1 upright, which
// leaves the wheel lying flat.
float AxleTilt(VLM_HANDLE wheel) { return std::fabs(World(wheel).e[1]); }

// Steps until the pair's speed (the centre's movement per second) has stayed
// below 0.01 for five seconds, at most `limit` frames; returns the frame at
// which that rest began, or -1.
int StepUntilAtRest(int& frame, int limit, std::string& trace) {
  int restFrom = -1;
  for (const int end = frame + limit; frame < end; ++frame) {
    const v4f before = Centre();
    VLM_UpdatePhysics(0);
    const v4f after = Centre();
    const float speed = std::sqrt((after.x - before.x) * (after.x - before.x) +
                                  (after.y - before.y) * (after.y - before.y) +
                                  (after.z - before.z) * (after.z - before.z)) / kFrame;
    if (frame % 120 == 0) {
      char row[96];
      std::snprintf(row, sizeof row, "  t=%5.1f s  speed %.5f  centre (%.3f, %.3f, %.3f)\n", frame * kFrame, speed,
                    after.x, after.y, after.z);
      trace += row;
    }
    if (speed >= 0.01f) {
      restFrom = -1;
    } else if (restFrom < 0) {
      restFrom = frame;
    }
    if (restFrom >= 0 && frame - restFrom >= 300) return restFrom;
  }
  return -1;
}

TEST_F(DemoWheels, PairComesToRestAfterLandingAndAfterAHit) {
  VLM_SetCurrentDirectory(VLM_BINARY_DIR "/demo/Resources");
  demo::BuildScene();
  VLM_SetPhysicsWaits(0);
  VLM_SetPhysicsTimeStep(kFrame, 1);
  std::string trace = "landing:\n";
  int frame = 0;
  // The wheels (radius about 1) fall from y = 10 onto the plate's top at 0.5.
  while (frame < 600 && Centre().y > 1.6f) {
    VLM_UpdatePhysics(0);
    ++frame;
  }
  const int landed = frame;
  ASSERT_LT(landed, 600);
  const int rest = StepUntilAtRest(frame, kTwentySeconds + 300, trace);
  EXPECT_GE(rest, 0) << trace;
  EXPECT_LE(rest - landed, kTwentySeconds) << trace;
  EXPECT_LT(AxleTilt(demo::kBodyWheelA), 0.5f) << trace;
  EXPECT_LT(AxleTilt(demo::kBodyWheelB), 0.5f) << trace;

  // A ball shot from 8 units in front of wheel A straight at its centre.
  const m4f at = World(demo::kBodyWheelA);
  VLM_CameraPosition(at.e[12], at.e[13], at.e[14] + 8.0f, 0);
  demo::Shoot(false);
  trace += "after the shot:\n";
  const v4f beforeHit = Centre();
  const int shot = frame;
  const int again = StepUntilAtRest(frame, kTwentySeconds + 300, trace);
  const v4f afterHit = Centre();
  std::printf("%s", trace.c_str());
  EXPECT_GT(std::hypot(afterHit.x - beforeHit.x, afterHit.z - beforeHit.z), 0.5f) << "the ball missed";
  EXPECT_GE(again, 0) << trace;
  EXPECT_LE(again - shot, kTwentySeconds) << trace;
  EXPECT_LT(AxleTilt(demo::kBodyWheelA), 0.5f) << trace;
  EXPECT_LT(AxleTilt(demo::kBodyWheelB), 0.5f) << trace;
}

}  // namespace
