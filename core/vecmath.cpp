// Vector, matrix and quaternion operations on four-wide SSE registers.
//
// Every value is loaded and stored unaligned, so a v4f may sit at any 4-byte
// boundary inside a record. Each operation loads all of its sources before
// it stores, which is what lets the destination alias any source.
#include <pmmintrin.h>

#include <cmath>
#include <cstdint>

#include "core/trig.h"
#include "velmora/math.h"

namespace {

inline __m128 Load(const v4f* v) { return _mm_loadu_ps(&v->x); }
inline void Store(v4f* v, __m128 r) { _mm_storeu_ps(&v->x, r); }
inline __m128 LoadRow(const m4f* m, int i) { return _mm_loadu_ps(&m->e[4 * i]); }
inline void StoreRow(m4f* m, int i, __m128 r) { _mm_storeu_ps(&m->e[4 * i], r); }

inline __m128 Bits(uint32_t x, uint32_t y, uint32_t z, uint32_t w) {
  return _mm_castsi128_ps(_mm_set_epi32(static_cast<int>(w), static_cast<int>(z),
                                        static_cast<int>(y), static_cast<int>(x)));
}

// Lane masks and sign masks used by the w rules, negation and abs.
inline __m128 MaskXYZ() { return Bits(~0u, ~0u, ~0u, 0u); }
inline __m128 SignXYZ() { return Bits(0x80000000u, 0x80000000u, 0x80000000u, 0u); }
inline __m128 SignAll() { return _mm_set1_ps(-0.0f); }

// x, y, z from a; w from b. SSE3 has no blendps, so mask and merge.
inline __m128 TakeW(__m128 a, __m128 b) {
  const __m128 m = MaskXYZ();
  return _mm_or_ps(_mm_and_ps(m, a), _mm_andnot_ps(m, b));
}

inline __m128 ClearW(__m128 a) { return _mm_and_ps(a, MaskXYZ()); }

template <int X, int Y, int Z, int W>
inline __m128 Swizzle(__m128 v) {
  return _mm_shuffle_ps(v, v, _MM_SHUFFLE(W, Z, Y, X));
}

// Sum of all four lanes, broadcast to every lane.
inline __m128 HorizontalSum(__m128 v) {
  v = _mm_hadd_ps(v, v);
  return _mm_hadd_ps(v, v);
}

// x*x' + y*y' + z*z' in every lane (w is left out).
inline __m128 Dot3(__m128 a, __m128 b) { return HorizontalSum(ClearW(_mm_mul_ps(a, b))); }

inline __m128 Cross(__m128 a, __m128 b) {
  const __m128 l = _mm_mul_ps(Swizzle<1, 2, 0, 3>(a), Swizzle<2, 0, 1, 3>(b));
  const __m128 r = _mm_mul_ps(Swizzle<2, 0, 1, 3>(a), Swizzle<1, 2, 0, 3>(b));
  return ClearW(_mm_sub_ps(l, r));
}

// Row vector times matrix: x*row0 + y*row1 + z*row2 + w*row3.
inline __m128 Transform(__m128 v, __m128 r0, __m128 r1, __m128 r2, __m128 r3) {
  const __m128 xy = _mm_add_ps(_mm_mul_ps(Swizzle<0, 0, 0, 0>(v), r0),
                               _mm_mul_ps(Swizzle<1, 1, 1, 1>(v), r1));
  const __m128 zw = _mm_add_ps(_mm_mul_ps(Swizzle<2, 2, 2, 2>(v), r2),
                               _mm_mul_ps(Swizzle<3, 3, 3, 3>(v), r3));
  return _mm_add_ps(xy, zw);
}

inline __m128 TransformBy(__m128 v, const m4f* m) {
  return Transform(v, LoadRow(m, 0), LoadRow(m, 1), LoadRow(m, 2), LoadRow(m, 3));
}

inline __m128 QuaternionProduct(__m128 a, __m128 b) {
  // a (x) b = aw*b + ax*(bw,-bz,by,-bx) + ay*(bz,bw,-bx,-by) + az*(-by,bx,bw,-bz)
  const __m128 signX = Bits(0u, 0x80000000u, 0u, 0x80000000u);
  const __m128 signY = Bits(0u, 0u, 0x80000000u, 0x80000000u);
  const __m128 signZ = Bits(0x80000000u, 0u, 0u, 0x80000000u);
  const __m128 tw = _mm_mul_ps(Swizzle<3, 3, 3, 3>(a), b);
  const __m128 tx = _mm_mul_ps(Swizzle<0, 0, 0, 0>(a), _mm_xor_ps(Swizzle<3, 2, 1, 0>(b), signX));
  const __m128 ty = _mm_mul_ps(Swizzle<1, 1, 1, 1>(a), _mm_xor_ps(Swizzle<2, 3, 0, 1>(b), signY));
  const __m128 tz = _mm_mul_ps(Swizzle<2, 2, 2, 2>(a), _mm_xor_ps(Swizzle<1, 0, 3, 2>(b), signZ));
  return _mm_add_ps(_mm_add_ps(tw, tx), _mm_add_ps(ty, tz));
}

// v divided by the square root of s, lane by lane. IEEE square root and
// division are correctly rounded on every CPU, where the rsqrt estimate's low
// bits differ between makers; a fast normalisation must give the same bits
// everywhere, so that a replay ends the same on any machine.
inline __m128 DivideBySqrt(__m128 v, __m128 s) { return _mm_div_ps(v, _mm_sqrt_ps(s)); }

}  // namespace

extern "C" {

v4f* VLM_v4fSet(v4f* v, float x, float y, float z, float w) {
  Store(v, _mm_setr_ps(x, y, z, w));
  return v;
}

v4f* VLM_v4fCopy(v4f* dst, const v4f* src) {
  Store(dst, Load(src));
  return dst;
}

v4f* VLM_v4fIdentity(v4f* v) {
  Store(v, _mm_setr_ps(0.0f, 0.0f, 0.0f, 1.0f));
  return v;
}

v4f* VLM_v4fAddInto(v4f* dst, const v4f* a, const v4f* b) {
  const __m128 va = Load(a), vb = Load(b);
  // w by OR of the bit patterns: point + direction stays a point.
  Store(dst, TakeW(_mm_add_ps(va, vb), _mm_or_ps(va, vb)));
  return dst;
}

v4f* VLM_v4fAdd(v4f* a, const v4f* b) { return VLM_v4fAddInto(a, a, b); }

v4f* VLM_v4fSubInto(v4f* dst, const v4f* a, const v4f* b) {
  const __m128 va = Load(a), vb = Load(b);
  // w by XOR: point - point is a direction, point - direction a point.
  Store(dst, TakeW(_mm_sub_ps(va, vb), _mm_xor_ps(va, vb)));
  return dst;
}

v4f* VLM_v4fSub(v4f* a, const v4f* b) { return VLM_v4fSubInto(a, a, b); }

v4f* VLM_v4fAddScaled(v4f* a, const v4f* b, float s) {
  const __m128 va = Load(a);
  const __m128 sum = _mm_add_ps(va, _mm_mul_ps(Load(b), _mm_set1_ps(s)));
  Store(a, TakeW(sum, va));
  return a;
}

v4f* VLM_v4fScaleInto(v4f* dst, const v4f* v, float s) {
  Store(dst, ClearW(_mm_mul_ps(Load(v), _mm_set1_ps(s))));
  return dst;
}

v4f* VLM_v4fScale(v4f* v, float s) { return VLM_v4fScaleInto(v, v, s); }

v4f* VLM_v4fMultiplyInto(v4f* dst, const v4f* a, const v4f* b) {
  const __m128 va = Load(a);
  Store(dst, TakeW(_mm_mul_ps(va, Load(b)), va));
  return dst;
}

v4f* VLM_v4fMultiply(v4f* a, const v4f* b) { return VLM_v4fMultiplyInto(a, a, b); }

v4f* VLM_v4fDivideInto(v4f* dst, const v4f* a, const v4f* b) {
  const __m128 va = Load(a);
  // b.w counts as 1 so that lane never divides by zero.
  const __m128 vb = TakeW(Load(b), _mm_set1_ps(1.0f));
  Store(dst, TakeW(_mm_div_ps(va, vb), va));
  return dst;
}

v4f* VLM_v4fDivide(v4f* a, const v4f* b) { return VLM_v4fDivideInto(a, a, b); }

v4f* VLM_v4fNegateInto(v4f* dst, const v4f* src) {
  Store(dst, _mm_xor_ps(Load(src), SignXYZ()));
  return dst;
}

v4f* VLM_v4fNegate(v4f* v) { return VLM_v4fNegateInto(v, v); }

v4f* VLM_v4fAbs(v4f* v) {
  Store(v, _mm_andnot_ps(SignXYZ(), Load(v)));
  return v;
}

float VLM_v4fDot(const v4f* a, const v4f* b, const m4f* m) {
  if (!b) b = a;
  const __m128 va = Load(a);
  if (!m) return _mm_cvtss_f32(Dot3(va, Load(b)));
  // Bilinear form a . (b * m) over all four components.
  const __m128 t = TransformBy(Load(b), m);
  return _mm_cvtss_f32(HorizontalSum(_mm_mul_ps(va, t)));
}

v4f* VLM_v4fCross(v4f* dst, const v4f* a, const v4f* b) {
  Store(dst, Cross(Load(a), Load(b)));
  return dst;
}

v4f* VLM_v4fCrossInPlace(v4f* a, const v4f* b) { return VLM_v4fCross(a, a, b); }

v4f* VLM_v4fTripleCross(v4f* dst, const v4f* a, const v4f* b) {
  const __m128 vb = Load(b);
  Store(dst, Cross(Cross(vb, Load(a)), vb));
  return dst;
}

float VLM_v4fLength(const v4f* v) {
  const __m128 va = Load(v);
  return _mm_cvtss_f32(_mm_sqrt_ss(Dot3(va, va)));
}

float VLM_v4fDistance(const v4f* a, const v4f* b) {
  const __m128 d = _mm_sub_ps(Load(a), Load(b));
  return _mm_cvtss_f32(_mm_sqrt_ss(Dot3(d, d)));
}

v4f* VLM_v4fNormalize(v4f* v) {
  // Extended precision keeps unit vectors of large or tiny inputs exact to
  // the last float bit; the only normalisation that tolerates zero.
  const long double x = v->x, y = v->y, z = v->z;
  const long double len = std::sqrt(x * x + y * y + z * z + 0.0L);
  if (len != 0.0L) {
    v->x = static_cast<float>(x / len);
    v->y = static_cast<float>(y / len);
    v->z = static_cast<float>(z / len);
  }
  return v;
}

v4f* VLM_v4fNormalizeFastInto(v4f* dst, const v4f* src) {
  const __m128 v = ClearW(Load(src));
  // No zero test: 0 / sqrt(0) gives NaN, as a zero vector must.
  Store(dst, ClearW(DivideBySqrt(v, HorizontalSum(_mm_mul_ps(v, v)))));
  return dst;
}

v4f* VLM_v4fNormalizeFast(v4f* v) { return VLM_v4fNormalizeFastInto(v, v); }

v4f* VLM_q4fNormalizeFastInto(v4f* dst, const v4f* src) {
  const __m128 q = Load(src);
  Store(dst, DivideBySqrt(q, HorizontalSum(_mm_mul_ps(q, q))));
  return dst;
}

v4f* VLM_q4fNormalizeFast(v4f* q) { return VLM_q4fNormalizeFastInto(q, q); }

v4f* VLM_v4fTransformInto(v4f* dst, const m4f* m, const v4f* v) {
  Store(dst, TransformBy(Load(v), m));
  return dst;
}

v4f* VLM_v4fTransform(v4f* v, const m4f* m) { return VLM_v4fTransformInto(v, m, v); }

v4f* VLM_v4fFromColor(v4f* v, uint32_t colour) {
  // Alpha 0 means "not given" and reads as opaque.
  if ((colour >> 24) == 0) colour |= 0xFF000000u;
  const __m128i zero = _mm_setzero_si128();
  __m128i bytes = _mm_cvtsi32_si128(static_cast<int>(colour));
  bytes = _mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero);
  Store(v, _mm_div_ps(_mm_cvtepi32_ps(bytes), _mm_set1_ps(255.0f)));
  return v;
}

int VLM_v4fInsideBox(const v4f* box, const v4f* p) {
  const __m128 c = Load(&box[0]), h = Load(&box[1]), vp = Load(p);
  const __m128 zero = _mm_setzero_ps();
  // "Non-negative" as a comparison rather than a sign-bit test: a point at
  // -0.0 on a border at +0.0 counts as inside, and NaN counts as outside.
  const __m128 upper = _mm_cmpge_ps(_mm_sub_ps(_mm_add_ps(c, h), vp), zero);
  const __m128 lower = _mm_cmpge_ps(_mm_sub_ps(vp, _mm_sub_ps(c, h)), zero);
  return (_mm_movemask_ps(_mm_and_ps(upper, lower)) & 7) == 7 ? 1 : 0;
}

m4f* VLM_m4fSetDiagonal(m4f* m, float s) {
  StoreRow(m, 0, _mm_setr_ps(s, 0.0f, 0.0f, 0.0f));
  StoreRow(m, 1, _mm_setr_ps(0.0f, s, 0.0f, 0.0f));
  StoreRow(m, 2, _mm_setr_ps(0.0f, 0.0f, s, 0.0f));
  StoreRow(m, 3, _mm_setr_ps(0.0f, 0.0f, 0.0f, s));
  return m;
}

m4f* VLM_m4fMultiply(m4f* dst, const m4f* a, const m4f* b) {
  const __m128 a0 = LoadRow(a, 0), a1 = LoadRow(a, 1), a2 = LoadRow(a, 2), a3 = LoadRow(a, 3);
  const __m128 b0 = LoadRow(b, 0), b1 = LoadRow(b, 1), b2 = LoadRow(b, 2), b3 = LoadRow(b, 3);
  // Row i of the result is b.row_i * a: transforming by it applies b, then a.
  const __m128 r0 = Transform(b0, a0, a1, a2, a3);
  const __m128 r1 = Transform(b1, a0, a1, a2, a3);
  const __m128 r2 = Transform(b2, a0, a1, a2, a3);
  const __m128 r3 = Transform(b3, a0, a1, a2, a3);
  StoreRow(dst, 0, r0);
  StoreRow(dst, 1, r1);
  StoreRow(dst, 2, r2);
  StoreRow(dst, 3, r3);
  return dst;
}

m4f* VLM_m4fPreMultiply(m4f* a, const m4f* b) { return VLM_m4fMultiply(a, a, b); }

m4f* VLM_m4fAdd(m4f* a, const m4f* b) {
  for (int i = 0; i < 4; ++i) StoreRow(a, i, _mm_add_ps(LoadRow(a, i), LoadRow(b, i)));
  return a;
}

m4f* VLM_m4fAbs(m4f* dst, const m4f* src) {
  const __m128 sign = SignAll();
  for (int i = 0; i < 4; ++i) StoreRow(dst, i, _mm_andnot_ps(sign, LoadRow(src, i)));
  return dst;
}

m4f* VLM_m4fTranspose(m4f* m) {
  __m128 r0 = LoadRow(m, 0), r1 = LoadRow(m, 1), r2 = LoadRow(m, 2), r3 = LoadRow(m, 3);
  _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
  StoreRow(m, 0, r0);
  StoreRow(m, 1, r1);
  StoreRow(m, 2, r2);
  StoreRow(m, 3, r3);
  return m;
}

m4f* VLM_m4fInverse(m4f* dst, const m4f* src) {
  const __m128 r0 = LoadRow(src, 0), r1 = LoadRow(src, 1);
  const __m128 r2 = LoadRow(src, 2), r3 = LoadRow(src, 3);

  // 2x2 minors of rows 0/1 (s) and rows 2/3 (c) over the column pairs
  // (0,1) (0,2) (0,3) (1,2) (1,3) (2,3); every cofactor is built from them.
  const __m128 s0123 = _mm_sub_ps(_mm_mul_ps(Swizzle<0, 0, 0, 1>(r0), Swizzle<1, 2, 3, 2>(r1)),
                                  _mm_mul_ps(Swizzle<0, 0, 0, 1>(r1), Swizzle<1, 2, 3, 2>(r0)));
  const __m128 c0123 = _mm_sub_ps(_mm_mul_ps(Swizzle<0, 0, 0, 1>(r2), Swizzle<1, 2, 3, 2>(r3)),
                                  _mm_mul_ps(Swizzle<0, 0, 0, 1>(r3), Swizzle<1, 2, 3, 2>(r2)));
  // (s4, s5, c4, c5) in one go from the upper and lower row pairs.
  const __m128 t02 = _mm_shuffle_ps(r0, r2, _MM_SHUFFLE(2, 1, 2, 1));
  const __m128 t13 = _mm_shuffle_ps(r1, r3, _MM_SHUFFLE(2, 1, 2, 1));
  const __m128 u02 = _mm_shuffle_ps(r0, r2, _MM_SHUFFLE(3, 3, 3, 3));
  const __m128 u13 = _mm_shuffle_ps(r1, r3, _MM_SHUFFLE(3, 3, 3, 3));
  const __m128 sc45 = _mm_sub_ps(_mm_mul_ps(t02, u13), _mm_mul_ps(t13, u02));

  // Dk = (ck, ck, sk, sk).
  const __m128 d5 = _mm_shuffle_ps(sc45, sc45, _MM_SHUFFLE(1, 1, 3, 3));
  const __m128 d4 = _mm_shuffle_ps(sc45, sc45, _MM_SHUFFLE(0, 0, 2, 2));
  const __m128 d3 = _mm_shuffle_ps(c0123, s0123, _MM_SHUFFLE(3, 3, 3, 3));
  const __m128 d2 = _mm_shuffle_ps(c0123, s0123, _MM_SHUFFLE(2, 2, 2, 2));
  const __m128 d1 = _mm_shuffle_ps(c0123, s0123, _MM_SHUFFLE(1, 1, 1, 1));
  const __m128 d0 = _mm_shuffle_ps(c0123, s0123, _MM_SHUFFLE(0, 0, 0, 0));

  // Columns of the source in row order 1, 0, 3, 2: vj = (a1j, a0j, a3j, a2j).
  const __m128 lo10 = _mm_unpacklo_ps(r1, r0), hi10 = _mm_unpackhi_ps(r1, r0);
  const __m128 lo32 = _mm_unpacklo_ps(r3, r2), hi32 = _mm_unpackhi_ps(r3, r2);
  const __m128 v0 = _mm_movelh_ps(lo10, lo32), v1 = _mm_movehl_ps(lo32, lo10);
  const __m128 v2 = _mm_movelh_ps(hi10, hi32), v3 = _mm_movehl_ps(hi32, hi10);

  // Rows of the adjugate (transposed cofactor matrix), signs alternating.
  const __m128 signA = Bits(0u, 0x80000000u, 0u, 0x80000000u);
  const __m128 signB = Bits(0x80000000u, 0u, 0x80000000u, 0u);
  const __m128 j0 = _mm_xor_ps(
      _mm_add_ps(_mm_sub_ps(_mm_mul_ps(v1, d5), _mm_mul_ps(v2, d4)), _mm_mul_ps(v3, d3)), signA);
  const __m128 j1 = _mm_xor_ps(
      _mm_add_ps(_mm_sub_ps(_mm_mul_ps(v0, d5), _mm_mul_ps(v2, d2)), _mm_mul_ps(v3, d1)), signB);
  const __m128 j2 = _mm_xor_ps(
      _mm_add_ps(_mm_sub_ps(_mm_mul_ps(v0, d4), _mm_mul_ps(v1, d2)), _mm_mul_ps(v3, d0)), signA);
  const __m128 j3 = _mm_xor_ps(
      _mm_add_ps(_mm_sub_ps(_mm_mul_ps(v0, d3), _mm_mul_ps(v1, d1)), _mm_mul_ps(v2, d0)), signB);

  // Determinant: row 0 times its cofactors, which form column 0 of the adjugate.
  const __m128 col0 = _mm_movelh_ps(_mm_unpacklo_ps(j0, j1), _mm_unpacklo_ps(j2, j3));
  __m128 det = _mm_mul_ps(r0, col0);
  det = _mm_add_ps(det, Swizzle<2, 3, 0, 1>(det));
  det = _mm_add_ps(det, Swizzle<1, 0, 3, 2>(det));
  // No singular test: a zero determinant yields infinities and NaNs.
  const __m128 inv = _mm_div_ps(_mm_set1_ps(1.0f), det);

  StoreRow(dst, 0, _mm_mul_ps(j0, inv));
  StoreRow(dst, 1, _mm_mul_ps(j1, inv));
  StoreRow(dst, 2, _mm_mul_ps(j2, inv));
  StoreRow(dst, 3, _mm_mul_ps(j3, inv));
  return dst;
}

m4f* VLM_m4fInvert(m4f* m) { return VLM_m4fInverse(m, m); }

m4f* VLM_m4fFromQuaternion(const v4f* q, m4f* m) {
  const float x = q->x, y = q->y, z = q->z, w = q->w;
  const float xx = 2.0f * x * x, yy = 2.0f * y * y, zz = 2.0f * z * z;
  const float xy = 2.0f * x * y, xz = 2.0f * x * z, yz = 2.0f * y * z;
  const float wx = 2.0f * w * x, wy = 2.0f * w * y, wz = 2.0f * w * z;
  StoreRow(m, 0, _mm_setr_ps(1.0f - yy - zz, xy + wz, xz - wy, 0.0f));
  StoreRow(m, 1, _mm_setr_ps(xy - wz, 1.0f - xx - zz, yz + wx, 0.0f));
  StoreRow(m, 2, _mm_setr_ps(xz + wy, yz - wx, 1.0f - xx - yy, 0.0f));
  StoreRow(m, 3, _mm_setr_ps(0.0f, 0.0f, 0.0f, 1.0f));
  return m;
}

v4f* VLM_q4fFromEuler(v4f* q, float x, float y, float z, int mode) {
  // Half angles in double so that degree input like 90 lands on the float
  // nearest to the true sine and cosine.
  const double k = (mode == 1 ? 1.0 : 3.14159265358979323846 / 180.0) * 0.5;
  const double hx = x * k, hy = y * k, hz = z * k;
  const double cx = vlm::Cos(hx), sx = vlm::Sin(hx);
  const double cy = vlm::Cos(hy), sy = vlm::Sin(hy);
  const double cz = vlm::Cos(hz), sz = vlm::Sin(hz);
  Store(q, _mm_setr_ps(static_cast<float>(sx * cy * cz - cx * sy * sz),
                       static_cast<float>(cx * sy * cz + sx * cy * sz),
                       static_cast<float>(cx * cy * sz - sx * sy * cz),
                       static_cast<float>(cx * cy * cz + sx * sy * sz)));
  return q;
}

v4f* VLM_q4fMultiplyInto(v4f* dst, const v4f* a, const v4f* b) {
  Store(dst, QuaternionProduct(Load(a), Load(b)));
  return dst;
}

v4f* VLM_q4fMultiply(v4f* a, const v4f* b) { return VLM_q4fMultiplyInto(a, a, b); }

}  // extern "C"
