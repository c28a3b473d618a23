/* Velmora Engine: vector, matrix and quaternion operations.
 *
 * Every operation works on caller-owned memory (any 4-byte alignment),
 * never allocates, allows the destination to alias a source and returns
 * the destination. Addition keeps w by OR-ing the bit patterns, subtraction
 * by XOR-ing them, so point +/- direction stays a point and point - point
 * is a direction. */
#ifndef VELMORA_MATH_H
#define VELMORA_MATH_H

#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

v4f* VLM_v4fSet(v4f* v, float x, float y, float z, float w);
v4f* VLM_v4fCopy(v4f* dst, const v4f* src);
v4f* VLM_v4fIdentity(v4f* v);
v4f* VLM_v4fAdd(v4f* a, const v4f* b);
v4f* VLM_v4fAddInto(v4f* dst, const v4f* a, const v4f* b);
v4f* VLM_v4fSub(v4f* a, const v4f* b);
v4f* VLM_v4fSubInto(v4f* dst, const v4f* a, const v4f* b);
v4f* VLM_v4fAddScaled(v4f* a, const v4f* b, float s);
v4f* VLM_v4fScale(v4f* v, float s);
v4f* VLM_v4fScaleInto(v4f* dst, const v4f* v, float s);
v4f* VLM_v4fMultiply(v4f* a, const v4f* b);
v4f* VLM_v4fMultiplyInto(v4f* dst, const v4f* a, const v4f* b);
v4f* VLM_v4fDivide(v4f* a, const v4f* b);
v4f* VLM_v4fDivideInto(v4f* dst, const v4f* a, const v4f* b);
v4f* VLM_v4fNegate(v4f* v);
v4f* VLM_v4fNegateInto(v4f* dst, const v4f* src);
v4f* VLM_v4fAbs(v4f* v);
/* a.b over x, y, z (b null: b = a). With m: a . (b * m) over four components. */
float VLM_v4fDot(const v4f* a, const v4f* b, const m4f* m);
v4f* VLM_v4fCross(v4f* dst, const v4f* a, const v4f* b);
v4f* VLM_v4fCrossInPlace(v4f* a, const v4f* b);
/* (b x a) x b: the part of a perpendicular to b, times |b|^2. */
v4f* VLM_v4fTripleCross(v4f* dst, const v4f* a, const v4f* b);
float VLM_v4fLength(const v4f* v);
float VLM_v4fDistance(const v4f* a, const v4f* b);
/* Exact; a zero vector stays zero; w unchanged. */
v4f* VLM_v4fNormalize(v4f* v);
/* Approximate (about 12 bits); zero gives NaN; w = 0. */
v4f* VLM_v4fNormalizeFast(v4f* v);
v4f* VLM_v4fNormalizeFastInto(v4f* dst, const v4f* src);
v4f* VLM_q4fNormalizeFast(v4f* q);
v4f* VLM_q4fNormalizeFastInto(v4f* dst, const v4f* src);
/* v = v * m (row vector times matrix). */
v4f* VLM_v4fTransform(v4f* v, const m4f* m);
v4f* VLM_v4fTransformInto(v4f* dst, const m4f* m, const v4f* v);
/* Colour 0xAABBGGRR to (r, g, b, a) / 255; alpha 0 reads as 255. */
v4f* VLM_v4fFromColor(v4f* v, uint32_t colour);
/* box = {centre, half extents}; 1 when p is inside (borders included). */
int VLM_v4fInsideBox(const v4f* box, const v4f* p);

m4f* VLM_m4fSetDiagonal(m4f* m, float s);
/* dst = b * a: transforming by dst applies b first, then a. */
m4f* VLM_m4fMultiply(m4f* dst, const m4f* a, const m4f* b);
/* a = b * a */
m4f* VLM_m4fPreMultiply(m4f* a, const m4f* b);
m4f* VLM_m4fAdd(m4f* a, const m4f* b);
m4f* VLM_m4fAbs(m4f* dst, const m4f* src);
m4f* VLM_m4fTranspose(m4f* m);
m4f* VLM_m4fInvert(m4f* m);
m4f* VLM_m4fInverse(m4f* dst, const m4f* src);
/* Note the order: source quaternion first. */
m4f* VLM_m4fFromQuaternion(const v4f* q, m4f* m);
/* mode 1: radians, otherwise degrees. Rotation about x, then y, then z. */
v4f* VLM_q4fFromEuler(v4f* q, float x, float y, float z, int mode);
v4f* VLM_q4fMultiply(v4f* a, const v4f* b);
v4f* VLM_q4fMultiplyInto(v4f* dst, const v4f* a, const v4f* b);

/* Per-thread stack of 128 temporary vectors. Every push is matched by a
 * pop in the same procedure. Overflow reports to the debugger channel and
 * hands out the last slot. */
v4f* VLM_v4fPush(float x, float y, float z, float w);
v4f* VLM_v4fPushCopy(const v4f* v);
int VLM_v4fPop(int n);
v4f* VLM_v4fPeek(int n);

#ifdef __cplusplus
}
#endif

#endif
