// Stacks with more contact passes: box towers, a sphere column, box
// pyramids and a pile of boxes stand on a box ground with a fixed step of
// 1/60 s, and nothing sinks through the ground.
#include <algorithm>
#include <cmath>
#include <vector>

#include "bench/box_overlap.h"
#include "physics_fixture.h"

namespace {

using namespace phystest;

constexpr float kFrame = 1.0f / 60.0f;
constexpr int kPasses = 10;

class Stacking : public PhysicsTest {
 protected:
  void SetUp() override {
    PhysicsTest::SetUp();
    VLM_SetGravity(0.0f, -9.81f, 0.0f);
    VLM_SetPhysicsTimeStep(kFrame, 1);
    VLM_SetPhysicsContactPasses(kPasses);
    // A static box ground whose top face is y = 0.
    VLM_CreateBoxCage(1, 200.0f, 2.0f, 200.0f, "");
    Body(-1, 1, 0.0f, P(0, -1, 0));
  }
  // Runs the seconds and checks that no body ever dips into the ground by
  // more than a hundredth of a unit below its resting height.
  void Run(float seconds, const std::vector<VLM_OBJECT*>& bodies, float halfHeight) {
    const int steps = static_cast<int>(std::lround(seconds / kFrame));
    for (int i = 0; i < steps; ++i) {
      VLM_UpdatePhysics(0);
      for (const VLM_OBJECT* body : bodies) {
        ASSERT_GT(body->v4fPosition.y, halfHeight - 0.05f) << "step " << i;
        ASSERT_TRUE(std::isfinite(body->v4fPosition.x) && std::isfinite(body->v4fPosition.z)) << "step " << i;
      }
    }
  }
};

// A short tower stands a minute: its boxes stay on their face contacts
// (four points each, never a single edge point that tips them), and what
// sideways creep is left stays below a fiftieth of a unit.
TEST_F(Stacking, FourBoxesStandStillForAMinute) {
  VLM_CreateBoxCage(2, 1.0f, VLM_DEFAULTF, VLM_DEFAULTF, "");
  std::vector<VLM_OBJECT*> boxes;
  for (int k = 0; k < 4; ++k) boxes.push_back(Body(-1, 2, 1.0f, P(0, 0.5f + k, 0)));
  Run(60.0f, boxes, 0.5f);
  for (int k = 0; k < 4; ++k) {
    const VLM_OBJECT* box = boxes[k];
    EXPECT_NEAR(box->v4fPosition.y, 0.5f + k, 0.02f) << k;
    EXPECT_NEAR(box->v4fPosition.x, 0.0f, 0.02f) << k;
    EXPECT_NEAR(box->v4fPosition.z, 0.0f, 0.02f) << k;
    EXPECT_LT(VLM_v4fLength(&box->Body.v4fVelocity), 0.01f) << k;
    EXPECT_LT(VLM_v4fLength(&box->Body.v4fAngularVelocity), 0.01f) << k;
    EXPECT_GT(std::fabs(box->q4fOrientation.w), 0.9999f) << k;
  }
}

// Ten boxes stand a minute. The boxes settle a few hundredths of a unit
// apart sideways in the first second, while the first steps' impulses are
// still building up. After that no box ever strays more than a twentieth of
// a unit from where it stood (a tower that creeps by pushes along its
// slightly tilted faces passes that within the minute and goes on) and each
// ends within a fiftieth of it; the heights keep to a few thousandths, the
// depth the pushes leave below the slop.
TEST_F(Stacking, TenBoxesStandStillForAMinute) {
  VLM_CreateBoxCage(2, 1.0f, VLM_DEFAULTF, VLM_DEFAULTF, "");
  std::vector<VLM_OBJECT*> boxes;
  for (int k = 0; k < 10; ++k) boxes.push_back(Body(-1, 2, 1.0f, P(0, 0.5f + k, 0)));
  Run(1.0f, boxes, 0.5f);
  std::vector<v4f> settled;
  for (const VLM_OBJECT* box : boxes) settled.push_back(box->v4fPosition);
  float strayed = 0.0f, rose = 0.0f;
  for (int second = 1; second < 60; ++second) {
    Run(1.0f, boxes, 0.5f);
    for (int k = 0; k < 10; ++k) {
      const v4f& at = boxes[k]->v4fPosition;
      strayed = std::max(strayed, std::hypot(at.x - settled[k].x, at.z - settled[k].z));
      rose = std::max(rose, std::fabs(at.y - settled[k].y));
    }
  }
  EXPECT_LT(strayed, 0.05f);
  EXPECT_LT(rose, 0.005f);
  for (int k = 0; k < 10; ++k) {
    const VLM_OBJECT* box = boxes[k];
    EXPECT_NEAR(box->v4fPosition.y, 0.5f + k, 0.01f * k + 0.01f) << k;
    EXPECT_NEAR(box->v4fPosition.x, settled[k].x, 0.02f) << k;
    EXPECT_NEAR(box->v4fPosition.z, settled[k].z, 0.02f) << k;
    EXPECT_NEAR(box->v4fPosition.x, 0.0f, 0.05f) << k;
    EXPECT_NEAR(box->v4fPosition.z, 0.0f, 0.05f) << k;
    EXPECT_LT(VLM_v4fLength(&box->Body.v4fVelocity), 0.05f) << k;  // no jitter
    EXPECT_LT(VLM_v4fLength(&box->Body.v4fAngularVelocity), 0.05f) << k;
    EXPECT_GT(std::fabs(box->q4fOrientation.w), 0.9999f) << k;  // still upright
  }
}

// The deepest overlap among the boxes (half side h) and of each with the
// ground's top (y = 0), units.
float Penetration(const std::vector<VLM_OBJECT*>& boxes, float h) {
  auto obb = [h](const VLM_OBJECT* body) {
    vlmbench::OrientedBox box{};
    const float* m = body->mWorldUnscaled.e;
    for (int k = 0; k < 3; ++k) {
      box.centre[k] = m[12 + k];
      box.half[k] = h;
      for (int j = 0; j < 3; ++j) box.axis[k][j] = m[4 * k + j];
    }
    return box;
  };
  double most = 0.0;
  for (size_t i = 0; i < boxes.size(); ++i) {
    const vlmbench::OrientedBox a = obb(boxes[i]);
    double lowest = a.centre[1];
    for (int k = 0; k < 3; ++k) lowest -= h * std::fabs(a.axis[k][1]);
    most = std::max(most, -lowest);
    for (size_t j = i + 1; j < boxes.size(); ++j) most = std::max(most, vlmbench::BoxOverlap(a, obb(boxes[j])));
  }
  return static_cast<float>(most);
}

float Top(const std::vector<VLM_OBJECT*>& boxes) {
  float top = 0.0f;
  for (const VLM_OBJECT* box : boxes) top = std::max(top, box->v4fPosition.y);
  return top;
}

// A pyramid of five rows and a pile of 200 boxes dropped at random keep
// their shape for a minute once they stand: the highest box stays at 0.95
// of its height or above, and no box sinks more than 0.05 into another or
// into the ground (checked every ten seconds).
TEST_F(Stacking, PyramidAndRandomPileKeepTheirShapeForAMinute) {
  VLM_CreateBoxCage(2, 1.0f, VLM_DEFAULTF, VLM_DEFAULTF, "");
  std::vector<VLM_OBJECT*> pyramid, pile;
  for (int row = 0; row < 5; ++row) {
    for (int i = 0; i < 5 - row; ++i) pyramid.push_back(Body(-1, 2, 1.0f, P((i - (4 - row) * 0.5f) * 1.05f, 0.5f + row, 0)));
  }
  uint32_t state = 7;
  auto random = [&](float lo, float hi) {
    state = state * 1664525u + 1013904223u;
    return lo + (hi - lo) * static_cast<float>(state >> 8) / 16777216.0f;
  };
  for (int i = 0; i < 200; ++i) {
    VLM_OBJECT* box = Body(-1, 2, 1.0f, P(30.0f + random(-3, 3), 1.0f + 1.2f * (i / 16) + random(0, 0.2f), random(-3, 3)));
    VLM_BodyRotation(H(box), random(0, 360), random(0, 360), random(0, 360), 0);
    pile.push_back(box);
  }
  Run(10.0f, {}, 0.5f);  // the pile falls and settles
  const float pyramidTop = 4.5f, pileTop = Top(pile);
  EXPECT_GT(pileTop, 2.0f);
  for (int second = 10; second < 70; second += 10) {
    Run(10.0f, {}, 0.5f);
    EXPECT_GE(Top(pyramid), 0.95f * pyramidTop) << second;
    EXPECT_GE(Top(pile), 0.95f * pileTop) << second;
    EXPECT_LT(Penetration(pyramid, 0.5f), 0.05f) << second;
    EXPECT_LT(Penetration(pile, 0.5f), 0.05f) << second;
  }
}

// Only faces that lie level are pushed straight up: a box resting on the
// ground and sunk a tenth of a unit into a wall is pushed out sideways, to
// within the slop, and not lifted.
TEST_F(Stacking, BoxSunkIntoAWallIsPushedOutSideways) {
  VLM_CreateBoxCage(2, 1.0f, VLM_DEFAULTF, VLM_DEFAULTF, "");
  VLM_CreateBoxCage(3, 2.0f, 4.0f, 4.0f, "");
  Body(-1, 3, 0.0f, P(1.4f, 2.0f, 0));  // its face x = 0.4 stands in the box
  VLM_OBJECT* box = Body(-1, 2, 1.0f, P(0, 0.5f, 0));
  Run(1.0f, {box}, 0.5f);
  EXPECT_LT(box->v4fPosition.x, -0.1f + 0.01f);
  EXPECT_GT(box->v4fPosition.x, -0.2f);
  EXPECT_NEAR(box->v4fPosition.y, 0.5f, 0.01f);
}

TEST_F(Stacking, TwentySpheresKeepTheirColumnHeight) {
  VLM_CreateSphereCage(2, 2.0f, "");
  std::vector<VLM_OBJECT*> balls;
  for (int k = 0; k < 20; ++k) balls.push_back(Body(-1, 2, 1.0f, P(0, 1.0f + 2.0f * k, 0)));
  Run(10.0f, balls, 1.0f);
  const float rest = 39.0f;
  EXPECT_NEAR(balls.back()->v4fPosition.y, rest, 0.02f * rest);
  EXPECT_NEAR(balls.back()->v4fPosition.x, 0.0f, 0.05f);
}

TEST_F(Stacking, PyramidOfFiftyFiveBoxesStands) {
  // Ten rows, 10 boxes at the bottom to 1 at the top, each row centred on
  // the gaps of the row below; 0.05 between neighbours.
  VLM_CreateBoxCage(2, 1.0f, VLM_DEFAULTF, VLM_DEFAULTF, "");
  std::vector<VLM_OBJECT*> boxes;
  for (int row = 0; row < 10; ++row) {
    for (int i = 0; i < 10 - row; ++i) {
      const float x = (i - (9 - row) * 0.5f) * 1.05f;
      boxes.push_back(Body(-1, 2, 1.0f, P(x, 0.5f + row, 0)));
    }
  }
  ASSERT_EQ(boxes.size(), 55u);
  Run(10.0f, boxes, 0.5f);
  size_t k = 0;
  for (int row = 0; row < 10; ++row) {
    for (int i = 0; i < 10 - row; ++i, ++k) {
      const float x = (i - (9 - row) * 0.5f) * 1.05f;
      EXPECT_NEAR(boxes[k]->v4fPosition.y, 0.5f + row, 0.05f + 0.02f * row) << row << " " << i;
      EXPECT_NEAR(boxes[k]->v4fPosition.x, x, 0.1f) << row << " " << i;
    }
  }
}

// With two passes, the one push pass lifts an upper sphere alone out of the
// sphere below it, which stays on the ground. Sphere B is put 0.1 into
// sphere A, which rests on the ground. The step moves both down by
// g dt^2 = 9.81 / 3600; the pair loop parts them by 0.05 each and lifts A
// back onto the ground, which leaves them 0.05 + 9.81 / 3600 deep. The push
// removes 0.8 of the depth beyond the slop of 0.005 from B alone, where a
// push shared by the masses moved B half as far (and A down, then back up).
TEST_F(Stacking, OnePushLiftsTheUpperSphereAlone) {
  VLM_SetPhysicsContactPasses(2);
  VLM_CreateSphereCage(2, 2.0f, "");
  VLM_OBJECT* lower = Body(-1, 2, 1.0f, P(0, 1.0f, 0));
  VLM_OBJECT* upper = Body(-1, 2, 1.0f, P(0, 2.9f, 0));
  VLM_UpdatePhysics(0);
  const double sink = 9.81 / 3600.0;
  const double depth = 0.05 + sink;
  EXPECT_NEAR(lower->v4fPosition.y, 1.0, 1e-5);
  EXPECT_NEAR(upper->v4fPosition.y, 2.9 - sink + 0.05 + 0.8 * (depth - 0.005), 1e-5);
  EXPECT_EQ(lower->v4fPosition.x, 0.0f);
  EXPECT_EQ(upper->v4fPosition.x, 0.0f);
}

bool Asleep(const VLM_OBJECT* body) { return body->Body.iAsleep != 0; }

// With passes, a column that rests falls asleep as one group and stops
// moving; a ball dropped on it wakes the whole column in the step it lands,
// and the column carries it; setting a body's velocity, freeing the ground
// or switching sleep off wakes what sleeps, and with one pass nothing ever
// sleeps.
TEST_F(Stacking, RestingGroupsSleepAndWakeAsOne) {
  VLM_CreateBoxCage(2, 1.0f, VLM_DEFAULTF, VLM_DEFAULTF, "");
  VLM_CreateSphereCage(3, 1.0f, "");
  std::vector<VLM_OBJECT*> column;
  for (int k = 0; k < 3; ++k) column.push_back(Body(-1, 2, 1.0f, P(0, 0.5f + k, 0)));
  VLM_OBJECT* apart = Body(-1, 2, 1.0f, P(5, 0.5f, 0));
  Run(3.0f, column, 0.5f);
  for (const VLM_OBJECT* box : column) {
    ASSERT_TRUE(Asleep(box));
    EXPECT_EQ(box->Body.iAsleep, column[0]->Body.iAsleep);  // one group
    EXPECT_EQ(VLM_v4fLength(&box->Body.v4fVelocity), 0.0f);
  }
  EXPECT_NE(apart->Body.iAsleep, column[0]->Body.iAsleep);
  const v4f top = column[2]->v4fPosition;
  Run(1.0f, column, 0.5f);
  EXPECT_EQ(column[2]->v4fPosition.y, top.y);

  VLM_OBJECT* ball = Body(-1, 3, 1.0f, P(0, 4.0f, 0));
  int steps = 0;
  while (Asleep(column[0]) && steps < 120) {
    VLM_UpdatePhysics(0);
    ++steps;
  }
  for (const VLM_OBJECT* box : column) EXPECT_FALSE(Asleep(box));
  EXPECT_LT(steps, 60);
  Run(3.0f, column, 0.5f);
  EXPECT_NEAR(ball->v4fPosition.y, 3.5f, 0.02f);  // carried, not sunk
  EXPECT_TRUE(Asleep(ball) && Asleep(column[0]));
  VLM_FreeBody(H(ball));  // what rested on it, or under it, wakes
  EXPECT_FALSE(Asleep(column[0]));
  Run(2.0f, column, 0.5f);

  ASSERT_TRUE(Asleep(apart));
  VLM_SetBodyVelocity(H(apart), nullptr, 1.0f, 0.0f, 0.0f, 0);
  EXPECT_FALSE(Asleep(apart));
  EXPECT_TRUE(Asleep(column[0]));
  VLM_SetPhysicsSleep(0.0f);
  EXPECT_FALSE(Asleep(column[0]));
  Run(1.0f, column, 0.5f);
  EXPECT_FALSE(Asleep(column[0]));
  VLM_SetPhysicsSleep(0.5f);
  Run(3.0f, column, 0.5f);
  ASSERT_TRUE(Asleep(column[0]));
  VLM_FreeBody(H(World().staticBodies[0]));  // the ground
  EXPECT_FALSE(Asleep(column[0]));
  VLM_UpdatePhysics(0);
  EXPECT_LT(column[0]->v4fPosition.y, 0.5f - 0.001f);

  VLM_SetPhysicsContactPasses(1);
  for (int i = 0; i < 300; ++i) VLM_UpdatePhysics(0);
  EXPECT_FALSE(Asleep(apart));
  EXPECT_EQ(VLM_SetPhysicsSleep(-1.0f), 0);
}

}  // namespace
