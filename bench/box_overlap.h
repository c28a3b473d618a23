// How deep two oriented boxes overlap, for measuring piles of boxes in the
// physics benchmark and the stacking tests alike, whichever engine moved
// them: the least overlap over the 15 separating axes (3 face axes of each
// box and the 9 cross products of their edges). Negative: apart by that
// much along some axis.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace vlmbench {

struct OrientedBox {
  double centre[3];
  double axis[3][3];  // unit rows
  double half[3];
};

inline double Dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

inline double BoxOverlap(const OrientedBox& a, const OrientedBox& b) {
  const double d[3] = {b.centre[0] - a.centre[0], b.centre[1] - a.centre[1], b.centre[2] - a.centre[2]};
  double least = std::numeric_limits<double>::infinity();
  auto along = [&](const double* axis) {
    const double length = std::sqrt(Dot(axis, axis));
    if (!(length > 1e-9)) return;
    double reach = 0.0;
    for (int k = 0; k < 3; ++k) {
      reach += a.half[k] * std::fabs(Dot(a.axis[k], axis)) + b.half[k] * std::fabs(Dot(b.axis[k], axis));
    }
    least = std::min(least, (reach - std::fabs(Dot(d, axis))) / length);
  };
  for (int k = 0; k < 3; ++k) {
    along(a.axis[k]);
    along(b.axis[k]);
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const double* p = a.axis[i];
      const double* q = b.axis[j];
      const double cross[3] = {p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2], p[0] * q[1] - p[1] * q[0]};
      along(cross);
    }
  }
  return least;
}

}  // namespace vlmbench
