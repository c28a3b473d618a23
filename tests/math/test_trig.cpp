// The engine's own trigonometry: values worked out by hand, quadrant signs,
// accuracy against the C library over a sweep, and NaN where there is no angle.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/trig.h"

namespace {

constexpr double kPi = std::numbers::pi;

TEST(Trig, ValuesSignsAndAccuracy) {
  EXPECT_EQ(vlm::Sin(0.0), 0.0);
  EXPECT_EQ(vlm::Cos(0.0), 1.0);
  EXPECT_TRUE(std::signbit(vlm::Sin(-0.0)));
  EXPECT_EQ(vlm::Sin(kPi / 2), 1.0);
  EXPECT_EQ(vlm::Cos(kPi), -1.0);
  EXPECT_DOUBLE_EQ(vlm::Sin(kPi / 6), 0.5);
  EXPECT_DOUBLE_EQ(vlm::Cos(kPi / 3), 0.5);
  EXPECT_DOUBLE_EQ(vlm::Tan(kPi / 4), 1.0);
  // One angle in each quarter turn, both signs: the signs of sine and cosine.
  for (double a : {0.5, 2.0, 3.5, 5.0}) {
    for (double s : {1.0, -1.0}) {
      EXPECT_NEAR(vlm::Sin(s * a), std::sin(s * a), 1e-15) << s * a;
      EXPECT_NEAR(vlm::Cos(s * a), std::cos(s * a), 1e-15) << s * a;
    }
  }
  // Within a few units in the last place over a wide sweep, up to the
  // largest angle that is reduced exactly (2^19).
  for (double x = -524288.0; x <= 524288.0; x += 97.13) {
    EXPECT_NEAR(vlm::Sin(x), std::sin(x), 4e-16 + 1e-16 * std::abs(x) * 1e-3) << x;
    EXPECT_NEAR(vlm::Cos(x), std::cos(x), 4e-16 + 1e-16 * std::abs(x) * 1e-3) << x;
  }
  for (double x = -1.0; x <= 1.0; x += 1.0 / 1024) EXPECT_NEAR(vlm::Acos(x), std::acos(x), 5e-16) << x;
  EXPECT_EQ(vlm::Acos(1.0), 0.0);
  EXPECT_EQ(vlm::Acos(-1.0), kPi);
  EXPECT_EQ(vlm::Acos(0.0), kPi / 2);
  // Float forms round the double result.
  EXPECT_EQ(vlm::Cos(0.25f), static_cast<float>(std::cos(0.25)));
}

TEST(Trig, NoAngleGivesNaN) {
  for (double bad : {INFINITY, -INFINITY, NAN}) {
    EXPECT_TRUE(std::isnan(vlm::Sin(bad)));
    EXPECT_TRUE(std::isnan(vlm::Cos(bad)));
  }
  for (double bad : {1.0000001, -1.5, double(NAN)}) EXPECT_TRUE(std::isnan(vlm::Acos(bad)));
  // Far beyond one turn the result is still a sine (in range), not garbage.
  EXPECT_LE(std::abs(vlm::Sin(1e30)), 1.0);
}

}  // namespace
