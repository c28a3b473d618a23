// Three-component vector helpers for the shape tests and the contacts: they
// ignore w and inline into the inner loops, where a call per operation costs
// more than the operation.
#pragma once

#include "velmora/types.h"

namespace vlm {

inline float Dot3(const v4f& a, const v4f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline v4f Cross3(const v4f& a, const v4f& b) {
  return v4f{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0.0f};
}

}  // namespace vlm
