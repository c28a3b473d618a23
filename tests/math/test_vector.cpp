// Vector operations: the w rules, exact and fast normalisation, colour
// conversion, box test and aliasing of destination and source.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "velmora/math.h"

namespace {

v4f V(float x, float y, float z, float w) { return v4f{x, y, z, w}; }

uint32_t BitsOf(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

#define EXPECT_V4_EQ(v, ex, ey, ez, ew) \
  do {                                  \
    const v4f _v = (v);                 \
    EXPECT_FLOAT_EQ(_v.x, (ex));        \
    EXPECT_FLOAT_EQ(_v.y, (ey));        \
    EXPECT_FLOAT_EQ(_v.z, (ez));        \
    EXPECT_FLOAT_EQ(_v.w, (ew));        \
  } while (0)

#define EXPECT_V4_NEAR(v, ex, ey, ez, ew, tol) \
  do {                                         \
    const v4f _v = (v);                        \
    EXPECT_NEAR(_v.x, (ex), (tol));            \
    EXPECT_NEAR(_v.y, (ey), (tol));            \
    EXPECT_NEAR(_v.z, (ez), (tol));            \
    EXPECT_NEAR(_v.w, (ew), (tol));            \
  } while (0)

TEST(VectorBasics, SetCopyIdentityReturnTheDestination) {
  v4f a{}, b{};
  EXPECT_EQ(VLM_v4fSet(&a, 1, 2, 3, 4), &a);
  EXPECT_V4_EQ(a, 1, 2, 3, 4);
  EXPECT_EQ(VLM_v4fCopy(&b, &a), &b);
  EXPECT_V4_EQ(b, 1, 2, 3, 4);
  EXPECT_EQ(VLM_v4fIdentity(&b), &b);
  EXPECT_V4_EQ(b, 0, 0, 0, 1);
}

TEST(VectorBasics, UnalignedValuesInsideARecord) {
  // A vector at a 4-byte offset inside a packed record.
  alignas(16) float record[9] = {99, 1, 2, 3, 1, 1, 1, 1, 0};
  v4f* p = reinterpret_cast<v4f*>(&record[1]);
  const v4f d = V(1, 1, 1, 0);
  VLM_v4fAdd(p, &d);
  EXPECT_EQ(record[0], 99.0f);
  EXPECT_V4_EQ(*p, 2, 3, 4, 1);
  EXPECT_EQ(record[5], 1.0f);
}

TEST(VectorWRule, AddKeepsPointAndDirectionMarks) {
  v4f p = V(1, 2, 3, 1);
  const v4f d = V(1, 1, 1, 0);
  VLM_v4fAdd(&p, &d);
  EXPECT_V4_EQ(p, 2, 3, 4, 1);

  v4f dd = V(1, 2, 3, 0);
  VLM_v4fAdd(&dd, &d);
  EXPECT_V4_EQ(dd, 2, 3, 4, 0);

  // Point + point is not tested for: OR keeps 1.0.
  v4f pp = V(1, 2, 3, 1);
  const v4f q = V(4, 5, 6, 1);
  VLM_v4fAdd(&pp, &q);
  EXPECT_V4_EQ(pp, 5, 7, 9, 1);
}

TEST(VectorWRule, AddCombinesBitPatternsNotValues) {
  // 2.0 (0x40000000) | 1.0 (0x3F800000) = 0x7F800000, +infinity.
  v4f a = V(0, 0, 0, 2.0f);
  const v4f b = V(0, 0, 0, 1.0f);
  VLM_v4fAdd(&a, &b);
  EXPECT_EQ(BitsOf(a.w), 0x7F800000u);
}

TEST(VectorWRule, SubGivesDirectionOrPoint) {
  v4f a = V(5, 5, 5, 1);
  const v4f p = V(1, 2, 3, 1);
  VLM_v4fSub(&a, &p);
  EXPECT_V4_EQ(a, 4, 3, 2, 0);  // point - point = direction

  v4f d = V(1, 1, 1, 0);
  VLM_v4fSub(&d, &p);
  EXPECT_V4_EQ(d, 0, -1, -2, 1);  // direction - point: XOR gives 1

  v4f q = V(1, 2, 3, 1);
  const v4f dir = V(1, 1, 1, 0);
  VLM_v4fSub(&q, &dir);
  EXPECT_V4_EQ(q, 0, 1, 2, 1);  // point - direction = point
}

TEST(VectorWRule, IntoFormsAllowAnyAliasing) {
  const v4f p = V(1, 2, 3, 1), d = V(1, 1, 1, 0);
  v4f r{};
  EXPECT_EQ(VLM_v4fAddInto(&r, &p, &d), &r);
  EXPECT_V4_EQ(r, 2, 3, 4, 1);

  v4f a = p;
  VLM_v4fAddInto(&a, &a, &d);
  EXPECT_V4_EQ(a, 2, 3, 4, 1);
  v4f b = d;
  VLM_v4fAddInto(&b, &p, &b);
  EXPECT_V4_EQ(b, 2, 3, 4, 1);
  v4f c = p;
  VLM_v4fAddInto(&c, &c, &c);
  EXPECT_V4_EQ(c, 2, 4, 6, 1);

  v4f s = V(5, 5, 5, 1);
  VLM_v4fSubInto(&s, &s, &p);
  EXPECT_V4_EQ(s, 4, 3, 2, 0);
  v4f t = p;
  VLM_v4fSubInto(&t, &t, &t);
  EXPECT_V4_EQ(t, 0, 0, 0, 0);
  v4f u = p;
  VLM_v4fSubInto(&u, &d, &u);
  EXPECT_V4_EQ(u, 0, -1, -2, 1);
}

TEST(VectorScale, AddScaledKeepsW) {
  v4f a = V(1, 1, 1, 1);
  const v4f b = V(2, 4, 6, 7);
  VLM_v4fAddScaled(&a, &b, 0.5f);
  EXPECT_V4_EQ(a, 2, 3, 4, 1);
  v4f d = V(1, 1, 1, 0);
  VLM_v4fAddScaled(&d, &d, 2.0f);
  EXPECT_V4_EQ(d, 3, 3, 3, 0);
}

TEST(VectorScale, ScaleGivesDirection) {
  v4f v = V(2, 4, 6, 1);
  VLM_v4fScale(&v, 0.5f);
  EXPECT_V4_EQ(v, 1, 2, 3, 0);

  const v4f src = V(2, 4, 6, 1);
  v4f dst = V(9, 9, 9, 9);
  VLM_v4fScaleInto(&dst, &src, -2.0f);
  EXPECT_V4_EQ(dst, -4, -8, -12, 0);
  v4f self = src;
  VLM_v4fScaleInto(&self, &self, 3.0f);
  EXPECT_V4_EQ(self, 6, 12, 18, 0);
}

TEST(VectorScale, MultiplyAndDivideLeaveW) {
  v4f a = V(2, 3, 4, 1);
  const v4f b = V(5, 6, 7, 0);
  VLM_v4fMultiply(&a, &b);
  EXPECT_V4_EQ(a, 10, 18, 28, 1);

  // b.w = 0 must not turn a.w into infinity or NaN.
  v4f c = V(10, 18, 28, 1);
  VLM_v4fDivide(&c, &b);
  EXPECT_V4_EQ(c, 2, 3, 4, 1);

  v4f r{};
  VLM_v4fMultiplyInto(&r, &b, &a);
  EXPECT_V4_EQ(r, 50, 108, 196, 0);
  v4f s = V(8, 9, 10, 1);
  VLM_v4fMultiplyInto(&s, &s, &s);
  EXPECT_V4_EQ(s, 64, 81, 100, 1);
  VLM_v4fDivideInto(&s, &s, &s);
  EXPECT_V4_EQ(s, 1, 1, 1, 1);
  v4f t{};
  VLM_v4fDivideInto(&t, &a, &b);
  EXPECT_V4_EQ(t, 2, 3, 4, 1);
}

TEST(VectorSigns, NegateAndAbsKeepW) {
  v4f v = V(1, -2, 0, -1);
  VLM_v4fNegate(&v);
  EXPECT_V4_EQ(v, -1, 2, 0, -1);
  EXPECT_TRUE(std::signbit(v.z));  // -(+0) is -0

  const v4f q = V(0.5f, -0.5f, 0.25f, 0.75f);
  v4f conj{};
  VLM_v4fNegateInto(&conj, &q);
  EXPECT_V4_EQ(conj, -0.5f, 0.5f, -0.25f, 0.75f);
  v4f self = q;
  VLM_v4fNegateInto(&self, &self);
  EXPECT_V4_EQ(self, -0.5f, 0.5f, -0.25f, 0.75f);

  v4f a = V(-1, 2, -3, -4);
  VLM_v4fAbs(&a);
  EXPECT_V4_EQ(a, 1, 2, 3, -4);
}

TEST(VectorProducts, DotWithoutMatrixIgnoresW) {
  const v4f a = V(1, 2, 3, 100);
  EXPECT_EQ(VLM_v4fDot(&a, nullptr, nullptr), 14.0f);
  const v4f b = V(4, -5, 6, 100);
  EXPECT_EQ(VLM_v4fDot(&a, &b, nullptr), 12.0f);
}

TEST(VectorProducts, DotWithMatrixIsBilinearOverFourComponents) {
  // m = diag(1, 2, 3, 4): a . (b * m) = 1*1*5 + 2*2*6 + 3*3*7 + 4*4*8 = 220
  m4f m{};
  VLM_m4fSetDiagonal(&m, 1.0f);
  m.e[5] = 2;
  m.e[10] = 3;
  m.e[15] = 4;
  const v4f a = V(1, 2, 3, 4), b = V(5, 6, 7, 8);
  EXPECT_EQ(VLM_v4fDot(&a, &b, &m), 220.0f);
  // b null: b = a, so a . (a * m) = 1 + 8 + 27 + 64
  EXPECT_EQ(VLM_v4fDot(&a, nullptr, &m), 100.0f);
  // An off-diagonal term: b * m with m.e[1] = 1 adds b.x to t.y.
  m.e[1] = 1;
  EXPECT_EQ(VLM_v4fDot(&a, &b, &m), 220.0f + 2.0f * 5.0f);
}

TEST(VectorProducts, CrossIsRightHandedAndADirection) {
  const v4f x = V(1, 0, 0, 1), y = V(0, 1, 0, 1);
  v4f z{};
  VLM_v4fCross(&z, &x, &y);
  EXPECT_V4_EQ(z, 0, 0, 1, 0);

  const v4f a = V(1, 2, 3, 1), b = V(4, 5, 6, 1);
  v4f c{};
  VLM_v4fCross(&c, &a, &b);
  EXPECT_V4_EQ(c, -3, 6, -3, 0);

  v4f ia = a;
  VLM_v4fCrossInPlace(&ia, &b);
  EXPECT_V4_EQ(ia, -3, 6, -3, 0);
  v4f ib = b;
  VLM_v4fCross(&ib, &a, &ib);
  EXPECT_V4_EQ(ib, -3, 6, -3, 0);
}

TEST(VectorProducts, TripleCrossIsPerpendicularPartScaled) {
  // a(b.b) - b(b.a) = (1,2,3)*4 - (0,0,2)*6 = (4, 8, 0)
  const v4f a = V(1, 2, 3, 1), b = V(0, 0, 2, 1);
  v4f r{};
  VLM_v4fTripleCross(&r, &a, &b);
  EXPECT_V4_EQ(r, 4, 8, 0, 0);
  v4f ra = a;
  VLM_v4fTripleCross(&ra, &ra, &b);
  EXPECT_V4_EQ(ra, 4, 8, 0, 0);
  v4f rb = b;
  VLM_v4fTripleCross(&rb, &a, &rb);
  EXPECT_V4_EQ(rb, 4, 8, 0, 0);
}

TEST(VectorLength, LengthAndDistanceOverXYZ) {
  const v4f v = V(3, 4, 12, 100);
  EXPECT_EQ(VLM_v4fLength(&v), 13.0f);
  const v4f a = V(4, 6, 15, 1), b = V(1, 2, 3, 0);
  EXPECT_EQ(VLM_v4fDistance(&a, &b), 13.0f);
  EXPECT_EQ(VLM_v4fDistance(&a, &a), 0.0f);
}

TEST(VectorNormalize, ExactNormalisation) {
  v4f v = V(3, 4, 0, 1);
  EXPECT_EQ(VLM_v4fNormalize(&v), &v);
  EXPECT_EQ(v.x, 0.6f);
  EXPECT_EQ(v.y, 0.8f);
  EXPECT_EQ(v.z, 0.0f);
  EXPECT_EQ(v.w, 1.0f);

  v4f zero = V(0, 0, 0, 1);
  VLM_v4fNormalize(&zero);
  EXPECT_V4_EQ(zero, 0, 0, 0, 1);
}

TEST(VectorNormalize, ExtendedPrecisionSurvivesExtremeLengths) {
  // x*x overflows (1e30) or underflows (1e-30) in single precision.
  v4f big = V(1e30f, 0, 0, 0);
  VLM_v4fNormalize(&big);
  EXPECT_V4_EQ(big, 1, 0, 0, 0);
  v4f tiny = V(0, -1e-30f, 0, 0);
  VLM_v4fNormalize(&tiny);
  EXPECT_V4_EQ(tiny, 0, -1, 0, 0);
}

TEST(VectorNormalize, FastNormalisationIsApproximateWithWZero) {
  // At least as close as a 12-bit estimate: relative error <= 1.5 * 2^-12.
  const float tol = 1.5f / 4096.0f;
  v4f v = V(3, 4, 0, 1);
  VLM_v4fNormalizeFast(&v);
  EXPECT_V4_NEAR(v, 0.6f, 0.8f, 0.0f, 0.0f, tol);
  EXPECT_EQ(v.w, 0.0f);

  const v4f src = V(0, 0, -8, 1);
  v4f dst{};
  VLM_v4fNormalizeFastInto(&dst, &src);
  EXPECT_V4_NEAR(dst, 0, 0, -1, 0, tol);
  EXPECT_EQ(dst.w, 0.0f);
  v4f self = src;
  VLM_v4fNormalizeFastInto(&self, &self);
  EXPECT_V4_NEAR(self, 0, 0, -1, 0, tol);
}

// The same bits on every CPU: each lane is the IEEE quotient of the
// component by the IEEE square root of the lanes' sum, summed in the order of
// the horizontal adds, with no CPU-specific estimate in between.
TEST(VectorNormalize, FastNormalisationIsTheSameIeeeQuotientOnEveryCpu) {
  uint32_t seed = 12345u;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return std::ldexp(static_cast<float>(seed >> 8) / 16777216.0f - 0.5f, static_cast<int>(seed % 40u) - 20);
  };
  for (int i = 0; i < 10000; ++i) {
    const v4f v = V(next(), next(), next(), next());
    v4f fast{};
    VLM_v4fNormalizeFastInto(&fast, &v);
    const float len3 = std::sqrt((v.x * v.x + v.y * v.y) + (v.z * v.z + 0.0f));
    ASSERT_EQ(fast.x, v.x / len3) << i;
    ASSERT_EQ(fast.y, v.y / len3) << i;
    ASSERT_EQ(fast.z, v.z / len3) << i;
    v4f q{};
    VLM_q4fNormalizeFastInto(&q, &v);
    const float len4 = std::sqrt((v.x * v.x + v.y * v.y) + (v.z * v.z + v.w * v.w));
    ASSERT_EQ(q.x, v.x / len4) << i;
    ASSERT_EQ(q.w, v.w / len4) << i;
  }
}

TEST(VectorNormalize, FastNormalisationOfZeroIsNaN) {
  v4f z = V(0, 0, 0, 1);
  VLM_v4fNormalizeFast(&z);
  EXPECT_TRUE(std::isnan(z.x));
  EXPECT_TRUE(std::isnan(z.y));
  EXPECT_TRUE(std::isnan(z.z));

  v4f q = V(0, 0, 0, 0);
  VLM_q4fNormalizeFast(&q);
  EXPECT_TRUE(std::isnan(q.x) && std::isnan(q.w));
}

TEST(VectorNormalize, FastQuaternionUsesAllFourComponents) {
  // Reciprocal square root estimate: relative error <= 1.5 * 2^-12 on unit results.
  const float tol = 1.5f / 4096.0f;
  v4f q = V(1, 1, 1, 1);
  VLM_q4fNormalizeFast(&q);
  EXPECT_V4_NEAR(q, 0.5f, 0.5f, 0.5f, 0.5f, tol);
  const v4f src = V(0, 0, 0, -2);
  v4f dst{};
  VLM_q4fNormalizeFastInto(&dst, &src);
  EXPECT_V4_NEAR(dst, 0, 0, 0, -1, tol);
  v4f self = src;
  VLM_q4fNormalizeFastInto(&self, &self);
  EXPECT_V4_NEAR(self, 0, 0, 0, -1, tol);
}

TEST(VectorTransform, TranslationReachesPointsOnly) {
  m4f m{};
  VLM_m4fSetDiagonal(&m, 1.0f);
  m.e[12] = 5;
  m.e[13] = 6;
  m.e[14] = 7;
  v4f p = V(1, 0, 0, 1);
  VLM_v4fTransform(&p, &m);
  EXPECT_V4_EQ(p, 6, 6, 7, 1);
  v4f d = V(1, 0, 0, 0);
  VLM_v4fTransform(&d, &m);
  EXPECT_V4_EQ(d, 1, 0, 0, 0);
}

TEST(VectorTransform, RowVectorTimesMatrix) {
  // v' = x*row0 + y*row1 + z*row2 + w*row3
  m4f m;
  for (int i = 0; i < 16; ++i) m.e[i] = static_cast<float>(i + 1);
  const v4f v = V(1, 2, 3, 4);
  v4f r{};
  EXPECT_EQ(VLM_v4fTransformInto(&r, &m, &v), &r);
  EXPECT_V4_EQ(r, 90, 100, 110, 120);
  v4f self = v;
  VLM_v4fTransformInto(&self, &m, &self);
  EXPECT_V4_EQ(self, 90, 100, 110, 120);
}

TEST(VectorColour, BytesToUnitFloats) {
  v4f c{};
  VLM_v4fFromColor(&c, 0x00FF0000u);  // blue, alpha 0 read as opaque
  EXPECT_V4_EQ(c, 0, 0, 1, 1);
  VLM_v4fFromColor(&c, 0x80FFFFFFu);
  EXPECT_V4_EQ(c, 1, 1, 1, 128.0f / 255.0f);
  VLM_v4fFromColor(&c, 0x0000FFu);  // opaque red
  EXPECT_V4_EQ(c, 1, 0, 0, 1);
  VLM_v4fFromColor(&c, 0x01336699u);
  EXPECT_V4_EQ(c, 153.0f / 255.0f, 102.0f / 255.0f, 51.0f / 255.0f, 1.0f / 255.0f);
  VLM_v4fFromColor(&c, 0u);  // black, opaque
  EXPECT_V4_EQ(c, 0, 0, 0, 1);
}

TEST(VectorBox, InsideIncludesBordersAndIgnoresW) {
  const v4f box[2] = {V(1, 2, 3, 1), V(1, 2, 3, 0)};  // x 0..2, y 0..4, z 0..6
  const v4f in = V(1, 1, 1, 1), corner = V(2, 4, 0, 0), low = V(0, 0, 0, 123);
  EXPECT_EQ(VLM_v4fInsideBox(box, &in), 1);
  EXPECT_EQ(VLM_v4fInsideBox(box, &corner), 1);
  EXPECT_EQ(VLM_v4fInsideBox(box, &low), 1);

  const v4f outX = V(2.5f, 1, 1, 1), outY = V(1, -0.25f, 1, 1), outZ = V(1, 1, 6.5f, 1);
  EXPECT_EQ(VLM_v4fInsideBox(box, &outX), 0);
  EXPECT_EQ(VLM_v4fInsideBox(box, &outY), 0);
  EXPECT_EQ(VLM_v4fInsideBox(box, &outZ), 0);
}

TEST(VectorBox, NegativeZeroOnBorderIsInsideAndNaNIsOutside) {
  const v4f box[2] = {V(1, 1, 1, 0), V(1, 1, 1, 0)};  // 0..2 on each axis
  const v4f negZero = V(-0.0f, -0.0f, -0.0f, 1);
  EXPECT_EQ(VLM_v4fInsideBox(box, &negZero), 1);
  const v4f nan = V(1, std::nanf(""), 1, 1);
  EXPECT_EQ(VLM_v4fInsideBox(box, &nan), 0);
}

}  // namespace
