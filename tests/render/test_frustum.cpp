// Frustum tests against a projection whose planes are easy to work out by
// hand: 90 degrees, aspect 1, near 1, far 10, so that in view space the
// frustum is 1 <= -z <= 10, |x| <= -z, |y| <= -z.
#include <gtest/gtest.h>

#include "render/frustum.h"
#include "scene/camera.h"
#include "velmora/math.h"

namespace {

using vlm::render::Containment;
using vlm::render::TestBox;
using vlm::render::TestSphere;

const vlm::render::Frustum& ViewFrustum() {
  static const vlm::render::Frustum frustum = vlm::render::FrustumOf(vlm::PerspectiveMatrix(90.0f, 1.0f, 1.0f, 10.0f));
  return frustum;
}

v4f P(float x, float y, float z) { return {x, y, z, 1.0f}; }
const v4f kUnit{1.0f, 1.0f, 1.0f, 0.0f};

TEST(Frustum, BoxesAndSpheresAgainstEachOfTheSixPlanes) {
  const auto& f = ViewFrustum();
  EXPECT_EQ(TestBox(f, P(0, 0, -5), kUnit), Containment::kInside);
  EXPECT_EQ(TestSphere(f, P(0, 0, -5), 1.0f), Containment::kInside);
  // Per plane: a centre well beyond it, and one on it. At -z = 5 the side
  // planes pass through x (or y) = +-5.
  const struct {
    const char* plane;
    v4f beyond, on;
  } cases[] = {
      {"left", P(-8, 0, -5), P(-5, 0, -5)},   {"right", P(8, 0, -5), P(5, 0, -5)},
      {"bottom", P(0, -8, -5), P(0, -5, -5)}, {"top", P(0, 8, -5), P(0, 5, -5)},
      {"near", P(0, 0, 0.5f), P(0, 0, -1)},   {"far", P(0, 0, -12), P(0, 0, -10)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.plane);
    EXPECT_EQ(TestBox(f, c.beyond, kUnit), Containment::kOutside);
    EXPECT_EQ(TestBox(f, c.on, kUnit), Containment::kStraddling);
    EXPECT_EQ(TestSphere(f, c.beyond, 1.0f), Containment::kOutside);
    EXPECT_EQ(TestSphere(f, c.on, 1.0f), Containment::kStraddling);
  }
  // The sphere's distance is exact: the side plane has normal (1, 0, -1)/sqrt 2,
  // so a centre at (-8, 0, -5) lies 3/sqrt 2 = 2.1213 beyond it.
  EXPECT_EQ(TestSphere(f, P(-8, 0, -5), 2.12f), Containment::kOutside);
  EXPECT_EQ(TestSphere(f, P(-8, 0, -5), 2.13f), Containment::kStraddling);
  // A big sphere around the eye straddles; a box the size of the world too.
  EXPECT_EQ(TestSphere(f, P(0, 0, 0), 100.0f), Containment::kStraddling);
  EXPECT_EQ(TestBox(f, P(0, 0, 0), v4f{100, 100, 100, 0}), Containment::kStraddling);
}

TEST(Frustum, BoxBehindTheCameraAndBoxesInModelSpace) {
  const auto& f = ViewFrustum();
  // Behind the eye, even when wide enough to reach the side planes' mirror
  // images (x = -z holds for z > 0 too).
  EXPECT_EQ(TestBox(f, P(0, 0, 5), kUnit), Containment::kOutside);
  EXPECT_EQ(TestBox(f, P(0, 0, 6), v4f{4, 4, 1, 0}), Containment::kOutside);
  EXPECT_EQ(TestSphere(f, P(0, 0, 5), 1.0f), Containment::kOutside);

  // With model-view x projection the planes live in the model's space: a
  // unit box at the model origin, the model turned 90 degrees about y and
  // moved to (0, 0, -5), is inside; moved to (20, 0, -5) it is outside; a
  // box stretched along the model's x (view z after the turn) pokes
  // through the far plane.
  m4f modelView{{0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, -5, 1}};
  const m4f projection = vlm::PerspectiveMatrix(90.0f, 1.0f, 1.0f, 10.0f);
  m4f mvp;
  VLM_m4fMultiply(&mvp, &projection, &modelView);
  auto model = vlm::render::FrustumOf(mvp);
  EXPECT_EQ(TestBox(model, P(0, 0, 0), kUnit), Containment::kInside);
  EXPECT_EQ(TestBox(model, P(0, 0, 0), v4f{6, 1, 1, 0}), Containment::kStraddling);
  EXPECT_EQ(TestBox(model, P(-8, 0, 0), kUnit), Containment::kOutside);  // view z = +3: behind
  modelView.e[12] = 20.0f;
  VLM_m4fMultiply(&mvp, &projection, &modelView);
  model = vlm::render::FrustumOf(mvp);
  EXPECT_EQ(TestBox(model, P(0, 0, 0), kUnit), Containment::kOutside);
}

}  // namespace
