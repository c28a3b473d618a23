// The physics' inline vector helpers stand in for library calls inside the
// contact code: each must give the library's result bit for bit, or every
// scene would change with the inlining. Values span tiny, huge, signed zeros
// and the w lane, where a different order of sums would round differently.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "physics/contact.h"
#include "physics/vec3.h"
#include "velmora/math.h"

namespace {

using vlm::AddScaled3;
using vlm::Dot3;

uint32_t Bits(float f) {
  uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

// Deterministic values of every size and both signs, with some exact zeros.
class Values {
 public:
  float Next() {
    state_ = state_ * 1664525u + 1013904223u;
    const uint32_t pick = state_ >> 28;
    if (pick == 0) return (state_ & 0x100u) ? -0.0f : 0.0f;
    const float mantissa = static_cast<float>((state_ >> 8) & 0xFFFFF) / 1048576.0f + 0.5f;
    const int exponent = static_cast<int>((state_ >> 4) & 15) * 4 - 30;  // 2^-30 .. 2^30
    return std::ldexp((state_ & 1u) ? -mantissa : mantissa, exponent);
  }
  v4f Vector(float w) { return v4f{Next(), Next(), Next(), w}; }

 private:
  uint32_t state_ = 12345u;
};

void ExpectSame(const v4f& a, const v4f& b, int round) {
  EXPECT_EQ(Bits(a.x), Bits(b.x)) << round;
  EXPECT_EQ(Bits(a.y), Bits(b.y)) << round;
  EXPECT_EQ(Bits(a.z), Bits(b.z)) << round;
  EXPECT_EQ(Bits(a.w), Bits(b.w)) << round;
}

TEST(InlineVectorHelpers, RoundAsTheLibraryCalls) {
  Values values;
  for (int round = 0; round < 4000; ++round) {
    m4f m;
    for (float& e : m.e) e = values.Next();
    if (round % 3 == 0) m.e[15] = 1.0f;  // as an inverse inertia has it
    // Arms are cross products (w = 0); directions and points carry any w.
    const v4f arm = vlm::Cross3(values.Vector(1.0f), values.Vector(0.0f));
    const v4f any = values.Vector(values.Next());

    v4f library;
    VLM_v4fTransformInto(&library, &m, &any);
    ExpectSame(vlm::Transform4(any, m), library, round);
    VLM_v4fTransformInto(&library, &m, &arm);
    library.w = 0.0f;
    ExpectSame(vlm::Times(arm, m), library, round);

    EXPECT_EQ(Bits(vlm::Form(arm, m)), Bits(VLM_v4fDot(&arm, &arm, &m))) << round;
    EXPECT_EQ(Bits(vlm::Form4(any, m)), Bits(VLM_v4fDot(&any, &any, &m))) << round;

    // Lengths of directions (w = 0), as the friction and rolling use them.
    EXPECT_EQ(Bits(std::sqrt(Dot3(arm, arm))), Bits(VLM_v4fLength(&arm))) << round;

    const float s = values.Next();
    v4f inline3 = any;
    AddScaled3(inline3, arm, s);
    v4f called = any;
    VLM_v4fAddScaled(&called, &arm, s);
    ExpectSame(inline3, called, round);
  }
}

}  // namespace
