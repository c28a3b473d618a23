// Matrices and quaternions: product order, inverse, rotation conversions.
#include <gtest/gtest.h>

#include <cmath>

#include "velmora/math.h"

namespace {

constexpr float kPi = 3.14159265358979323846f;

m4f Identity() {
  m4f m;
  VLM_m4fSetDiagonal(&m, 1.0f);
  return m;
}

m4f Translation(float x, float y, float z) {
  m4f m = Identity();
  m.e[12] = x;
  m.e[13] = y;
  m.e[14] = z;
  return m;
}

// 90 degrees about z, written out for row vectors: x -> y, y -> -x.
m4f RotZ90() {
  m4f m = Identity();
  m.e[0] = 0;
  m.e[1] = 1;
  m.e[4] = -1;
  m.e[5] = 0;
  return m;
}

m4f Sequence() {
  m4f m;
  for (int i = 0; i < 16; ++i) m.e[i] = static_cast<float>(i + 1);
  return m;
}

// Plain reference product: row i of the result is b.row_i * a.
m4f Reference(const m4f& a, const m4f& b) {
  m4f r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += b.e[4 * i + k] * a.e[4 * k + j];
      r.e[4 * i + j] = s;
    }
  return r;
}

void ExpectMatrixEq(const m4f& m, const m4f& ex) {
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(m.e[i], ex.e[i]) << "element " << i;
}

void ExpectMatrixNear(const m4f& m, const m4f& ex, float tol) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(m.e[i], ex.e[i], tol) << "element " << i;
}

void ExpectVecNear(const v4f& v, float x, float y, float z, float w, float tol) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
  EXPECT_NEAR(v.w, w, tol);
}

v4f Rotate(const v4f& q, v4f v) {
  m4f m;
  VLM_m4fFromQuaternion(&q, &m);
  return *VLM_v4fTransform(&v, &m);
}

TEST(MatrixBasics, SetDiagonal) {
  m4f m;
  for (float& e : m.e) e = 7;
  EXPECT_EQ(VLM_m4fSetDiagonal(&m, 2.5f), &m);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m.e[i], (i % 5 == 0) ? 2.5f : 0.0f) << i;
}

TEST(MatrixBasics, AddAbsTranspose) {
  m4f a = Sequence();
  m4f b = Identity();
  VLM_m4fAdd(&a, &b);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(a.e[i], static_cast<float>(i + 1 + (i % 5 == 0)));

  m4f n;
  for (int i = 0; i < 16; ++i) n.e[i] = (i % 2 ? -1.0f : 1.0f) * static_cast<float>(i);
  n.e[0] = -0.0f;
  m4f abs;
  VLM_m4fAbs(&abs, &n);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(abs.e[i], static_cast<float>(i));
    EXPECT_FALSE(std::signbit(abs.e[i])) << i;
  }
  VLM_m4fAbs(&n, &n);
  ExpectMatrixEq(n, abs);

  m4f t = Sequence();
  VLM_m4fTranspose(&t);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(t.e[4 * r + c], static_cast<float>(4 * c + r + 1));
}

TEST(MatrixProduct, AppliesBFirstThenA) {
  const m4f a = Translation(1, 0, 0);
  const m4f b = RotZ90();
  m4f dst;
  EXPECT_EQ(VLM_m4fMultiply(&dst, &a, &b), &dst);
  v4f p{1, 0, 0, 1};
  VLM_v4fTransform(&p, &dst);
  EXPECT_FLOAT_EQ(p.x, 1);
  EXPECT_FLOAT_EQ(p.y, 1);
  EXPECT_FLOAT_EQ(p.z, 0);
  EXPECT_FLOAT_EQ(p.w, 1);

  // PreMultiply(a, b): a = b * a, the same product in place.
  m4f pa = a;
  VLM_m4fPreMultiply(&pa, &b);
  ExpectMatrixEq(pa, dst);
}

TEST(MatrixProduct, MatchesReferenceAndToleratesAliasing) {
  m4f a = Sequence();
  m4f b;
  for (int i = 0; i < 16; ++i) b.e[i] = static_cast<float>((i * 7) % 5) - 2.0f;
  const m4f expect = Reference(a, b);

  m4f dst;
  VLM_m4fMultiply(&dst, &a, &b);
  ExpectMatrixEq(dst, expect);

  m4f da = a;
  VLM_m4fMultiply(&da, &da, &b);
  ExpectMatrixEq(da, expect);
  m4f db = b;
  VLM_m4fMultiply(&db, &a, &db);
  ExpectMatrixEq(db, expect);
  m4f sq = a;
  VLM_m4fMultiply(&sq, &sq, &sq);
  ExpectMatrixEq(sq, Reference(a, a));
  m4f pre = a;
  VLM_m4fPreMultiply(&pre, &pre);
  ExpectMatrixEq(pre, Reference(a, a));
}

TEST(MatrixInverse, ScaleAndTranslationExactly) {
  m4f m = Identity();
  m.e[0] = 2;
  m.e[5] = 4;
  m.e[10] = 8;
  m.e[12] = 2;
  m.e[13] = 4;
  m.e[14] = 8;
  m4f inv;
  EXPECT_EQ(VLM_m4fInverse(&inv, &m), &inv);
  m4f ex = Identity();
  ex.e[0] = 0.5f;
  ex.e[5] = 0.25f;
  ex.e[10] = 0.125f;
  ex.e[12] = -1;
  ex.e[13] = -1;
  ex.e[14] = -1;
  ExpectMatrixEq(inv, ex);
  EXPECT_EQ(VLM_m4fInvert(&m), &m);
  ExpectMatrixEq(m, ex);
}

TEST(MatrixInverse, GeneralMatrixTimesInverseIsIdentity) {
  // No structure to lean on; determinant 4367, far from singular, so single
  // precision keeps the product within a few ulps of the identity.
  const m4f m = {{4, 7, 2, 3,  //
                  0, 5, -1, 8,  //
                  -3, 1, 6, 2,  //
                  9, -4, 1, 5}};
  m4f inv;
  VLM_m4fInverse(&inv, &m);
  m4f prod;
  VLM_m4fMultiply(&prod, &m, &inv);
  ExpectMatrixNear(prod, Identity(), 1e-5f);
  VLM_m4fMultiply(&prod, &inv, &m);
  ExpectMatrixNear(prod, Identity(), 1e-5f);

  // The in-place form gives the same result.
  m4f self = m;
  VLM_m4fInvert(&self);
  ExpectMatrixEq(self, inv);

  // A rigid transform (rotation, then translation) comes back exactly enough
  // to undo it on a point.
  m4f rt;
  const m4f t = Translation(3, -2, 5);
  const m4f r = RotZ90();
  VLM_m4fMultiply(&rt, &t, &r);
  m4f back;
  VLM_m4fInverse(&back, &rt);
  v4f p{1, 2, 3, 1};
  VLM_v4fTransform(&p, &rt);
  VLM_v4fTransform(&p, &back);
  ExpectVecNear(p, 1, 2, 3, 1, 1e-6f);
}

TEST(MatrixInverse, SingularMatrixGivesNonFiniteElements) {
  m4f zero;
  VLM_m4fSetDiagonal(&zero, 0.0f);
  VLM_m4fInvert(&zero);
  for (float e : zero.e) EXPECT_FALSE(std::isfinite(e));
}

TEST(Quaternion, HamiltonProduct) {
  const v4f i{1, 0, 0, 0}, j{0, 1, 0, 0};
  v4f r;
  VLM_q4fMultiplyInto(&r, &i, &j);  // ij = k
  ExpectVecNear(r, 0, 0, 1, 0, 0);
  VLM_q4fMultiplyInto(&r, &j, &i);  // ji = -k
  ExpectVecNear(r, 0, 0, -1, 0, 0);
  VLM_q4fMultiplyInto(&r, &i, &i);  // ii = -1
  ExpectVecNear(r, 0, 0, 0, -1, 0);

  // (1,2,3,4) (x) (5,6,7,8) worked out by hand = (24, 48, 48, -6).
  const v4f a{1, 2, 3, 4}, b{5, 6, 7, 8};
  VLM_q4fMultiplyInto(&r, &a, &b);
  ExpectVecNear(r, 24, 48, 48, -6, 0);
  v4f ia = a;
  EXPECT_EQ(VLM_q4fMultiply(&ia, &b), &ia);
  ExpectVecNear(ia, 24, 48, 48, -6, 0);
  v4f ib = b;
  VLM_q4fMultiplyInto(&ib, &a, &ib);
  ExpectVecNear(ib, 24, 48, 48, -6, 0);
  v4f sq = a;  // (1,2,3,4)^2 = (8, 16, 24, 2)
  VLM_q4fMultiply(&sq, &sq);
  ExpectVecNear(sq, 8, 16, 24, 2, 0);
}

TEST(Quaternion, IdentityGivesIdentityMatrix) {
  v4f q;
  VLM_v4fIdentity(&q);
  m4f m;
  for (float& e : m.e) e = 5;
  EXPECT_EQ(VLM_m4fFromQuaternion(&q, &m), &m);
  ExpectMatrixEq(m, Identity());
}

TEST(Quaternion, EulerAnglesWorkedByHand) {
  const float tol = 1e-6f;
  v4f q;
  // 90 degrees about z: x -> y.
  EXPECT_EQ(VLM_q4fFromEuler(&q, 0, 0, 90, 0), &q);
  ExpectVecNear(q, 0, 0, std::sqrt(0.5f), std::sqrt(0.5f), tol);
  ExpectVecNear(Rotate(q, {1, 0, 0, 0}), 0, 1, 0, 0, tol);
  m4f m;
  VLM_m4fFromQuaternion(&q, &m);
  ExpectMatrixNear(m, RotZ90(), tol);

  // 90 degrees about x: y -> z. A point keeps w = 1.
  VLM_q4fFromEuler(&q, 90, 0, 0, 0);
  ExpectVecNear(Rotate(q, {0, 1, 0, 1}), 0, 0, 1, 1, tol);
  // 90 degrees about y: z -> x.
  VLM_q4fFromEuler(&q, 0, 90, 0, 0);
  ExpectVecNear(Rotate(q, {0, 0, 1, 0}), 1, 0, 0, 0, tol);

  // x first, then y: y -> z -> x.
  VLM_q4fFromEuler(&q, 90, 90, 0, 0);
  ExpectVecNear(Rotate(q, {0, 1, 0, 0}), 1, 0, 0, 0, tol);
  // x first, then z: y -> z, which z leaves alone.
  VLM_q4fFromEuler(&q, 90, 0, 90, 0);
  ExpectVecNear(Rotate(q, {0, 1, 0, 0}), 0, 0, 1, 0, tol);
  ExpectVecNear(Rotate(q, {1, 0, 0, 0}), 0, 1, 0, 0, tol);
}

TEST(Quaternion, EulerModeOneIsRadiansAnyOtherIsDegrees) {
  v4f rad, deg, deg2;
  VLM_q4fFromEuler(&rad, kPi / 6, -kPi / 4, kPi / 3, 1);
  VLM_q4fFromEuler(&deg, 30, -45, 60, 0);
  VLM_q4fFromEuler(&deg2, 30, -45, 60, 7);
  ExpectVecNear(rad, deg.x, deg.y, deg.z, deg.w, 1e-6f);
  ExpectVecNear(deg2, deg.x, deg.y, deg.z, deg.w, 0);
}

TEST(Quaternion, EulerIsZThenYThenXComposed) {
  v4f qx, qy, qz, q, zyx;
  VLM_q4fFromEuler(&qx, 0.3f, 0, 0, 1);
  VLM_q4fFromEuler(&qy, 0, -1.1f, 0, 1);
  VLM_q4fFromEuler(&qz, 0, 0, 2.0f, 1);
  VLM_q4fFromEuler(&q, 0.3f, -1.1f, 2.0f, 1);
  VLM_q4fMultiplyInto(&zyx, &qz, &qy);
  VLM_q4fMultiply(&zyx, &qx);
  ExpectVecNear(q, zyx.x, zyx.y, zyx.z, zyx.w, 1e-6f);
}

TEST(Quaternion, ProductOrderMatchesMatrixOrder) {
  // Rotation by a (x) b applies b first, like m4fMultiply(dst, Ma, Mb).
  v4f a, b, ab;
  VLM_q4fFromEuler(&a, 20, 0, 70, 0);
  VLM_q4fFromEuler(&b, 0, 35, -10, 0);
  VLM_q4fMultiplyInto(&ab, &a, &b);
  m4f ma, mb, mab, prod;
  VLM_m4fFromQuaternion(&a, &ma);
  VLM_m4fFromQuaternion(&b, &mb);
  VLM_m4fFromQuaternion(&ab, &mab);
  VLM_m4fMultiply(&prod, &ma, &mb);
  ExpectMatrixNear(mab, prod, 1e-6f);
}

}  // namespace
