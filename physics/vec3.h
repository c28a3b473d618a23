// Three-component vector helpers for the shape tests and the contacts: they
// ignore w and inline into the inner loops, where a call per operation costs
// more than the operation.
#pragma once

#include <bit>
#include <cstdint>

#include "velmora/math.h"
#include "velmora/types.h"

namespace vlm {

inline float Dot3(const v4f& a, const v4f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline v4f Cross3(const v4f& a, const v4f& b) {
  return v4f{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0.0f};
}

// a += b * s on x, y and z; w stays (as VLM_v4fAddScaled keeps it).
inline void AddScaled3(v4f& a, const v4f& b, float s) {
  a.x += b.x * s;
  a.y += b.y * s;
  a.z += b.z * s;
}

// a + b as VLM_v4fAddInto gives it: x, y and z summed, w the bitwise OR of
// the two (a point plus a direction stays a point).
inline v4f Add4(const v4f& a, const v4f& b) {
  const uint32_t w = std::bit_cast<uint32_t>(a.w) | std::bit_cast<uint32_t>(b.w);
  return v4f{a.x + b.x, a.y + b.y, a.z + b.z, std::bit_cast<float>(w)};
}

// a - b as VLM_v4fSubInto gives it: w the bitwise XOR of the two (point
// minus point is a direction).
inline v4f Sub4(const v4f& a, const v4f& b) {
  const uint32_t w = std::bit_cast<uint32_t>(a.w) ^ std::bit_cast<uint32_t>(b.w);
  return v4f{a.x - b.x, a.y - b.y, a.z - b.z, std::bit_cast<float>(w)};
}

// v * s with w = 0, as VLM_v4fScaleInto gives it.
inline v4f Scaled3(const v4f& v, float s) { return v4f{v.x * s, v.y * s, v.z * s, 0.0f}; }

// Row vector v times m, rounded exactly as VLM_v4fTransformInto rounds it
// (products of the first two and of the last two rows summed first), so
// that inlining it changes no bit of a result.
inline v4f Transform4(const v4f& v, const m4f& m) {
  const float* e = m.e;
  return v4f{(v.x * e[0] + v.y * e[4]) + (v.z * e[8] + v.w * e[12]),
             (v.x * e[1] + v.y * e[5]) + (v.z * e[9] + v.w * e[13]),
             (v.x * e[2] + v.y * e[6]) + (v.z * e[10] + v.w * e[14]),
             (v.x * e[3] + v.y * e[7]) + (v.z * e[11] + v.w * e[15])};
}

// k . (k * m) over all four components, rounded as VLM_v4fDot(k, k, m).
inline float Form4(const v4f& k, const m4f& m) {
  const v4f t = Transform4(k, m);
  return (k.x * t.x + k.y * t.y) + (k.z * t.z + k.w * t.w);
}

}  // namespace vlm
