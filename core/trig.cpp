#include "core/trig.h"

#include <array>
#include <cmath>

namespace vlm {
namespace {

// (-1)^(n/2) / n!, the Taylor coefficient of x^n in sine (odd n) and
// cosine (even n), folded by the compiler in IEEE double.
constexpr double TaylorCoefficient(int n) {
  double factorial = 1.0;
  for (int i = 2; i <= n; ++i) factorial *= i;
  return ((n / 2) % 2 ? -1.0 : 1.0) / factorial;
}

// Coefficients of x^3 ... x^19 (sine) or x^4 ... x^20 (cosine).
constexpr std::array<double, 9> SeriesFrom(int first) {
  std::array<double, 9> c{};
  for (int k = 0; k < 9; ++k) c[k] = TaylorCoefficient(first + 2 * k);
  return c;
}
constexpr std::array<double, 9> kSinTerms = SeriesFrom(3);
constexpr std::array<double, 9> kCosTerms = SeriesFrom(4);

// Horner's rule over c[0] + c[1] z + ... + c[8] z^8.
double Series(const std::array<double, 9>& c, double z) {
  double p = c[8];
  for (int k = 7; k >= 0; --k) p = p * z + c[k];
  return p;
}

// sin(r) and cos(r) for |r| <= pi/4: nine Taylor terms leave a truncation
// error below 1e-19, under half a unit of the result.
double SinKernel(double r) {
  const double z = r * r;
  return r + r * z * Series(kSinTerms, z);
}

double CosKernel(double r) {
  const double z = r * r;
  return 1.0 - 0.5 * z + z * z * Series(kCosTerms, z);
}

struct Quarter {
  double r;      // remainder in [-pi/4, pi/4]
  int quadrant;  // quarter turns taken off, modulo 4
};

// x = n * pi/2 + r with pi/2 split into three 33-bit parts (Cody and Waite),
// so each n * part is exact while |n| < 2^20. Larger angles are first brought
// into one turn by fmod, which is exact; they lose accuracy but not
// repeatability.
Quarter ReduceByQuarterTurns(double x) {
  constexpr double kPio2Part1 = 0x1.921fb544p+0;
  constexpr double kPio2Part2 = 0x1.0b4611a6p-34;
  constexpr double kPio2Part3 = 0x1.3198a2ep-69;
  constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
  if (std::fabs(x) > 0x1p19) x = std::fmod(x, 4.0 * (kPio2Part1 + kPio2Part2));
  const double n = std::nearbyint(x * kTwoOverPi);
  const double r = ((x - n * kPio2Part1) - n * kPio2Part2) - n * kPio2Part3;
  return Quarter{r, static_cast<int>(n) & 3};
}

// asin(z) for 0 <= |z| <= 0.5 by its series: the terms fall by at least 4
// each, so 30 of them are below a double's last place.
double AsinSeries(double z) {
  static constexpr std::array<double, 30> kTerms = [] {
    std::array<double, 30> c{};
    c[0] = 1.0;
    for (int n = 0; n + 1 < 30; ++n) {
      const double k = 2.0 * n + 1.0;
      c[n + 1] = c[n] * k * k / ((k + 1.0) * (k + 2.0));
    }
    return c;
  }();
  const double z2 = z * z;
  double p = kTerms[29];
  for (int n = 28; n >= 0; --n) p = p * z2 + kTerms[n];
  return z * p;
}

}  // namespace

double Sin(double x) {
  if (!std::isfinite(x)) return x - x;  // NaN for inf and NaN
  if (std::fabs(x) < 0x1p-26) return x;  // x^3/6 is below half a unit; keeps -0
  const Quarter q = ReduceByQuarterTurns(x);
  switch (q.quadrant) {
    case 0: return SinKernel(q.r);
    case 1: return CosKernel(q.r);
    case 2: return -SinKernel(q.r);
    default: return -CosKernel(q.r);
  }
}

double Cos(double x) {
  if (!std::isfinite(x)) return x - x;
  const Quarter q = ReduceByQuarterTurns(x);
  switch (q.quadrant) {
    case 0: return CosKernel(q.r);
    case 1: return -SinKernel(q.r);
    case 2: return -CosKernel(q.r);
    default: return SinKernel(q.r);
  }
}

double Tan(double x) { return Sin(x) / Cos(x); }

double Acos(double x) {
  constexpr double kPi = 0x1.921fb54442d18p+1;
  if (!(x >= -1.0 && x <= 1.0)) return std::nan("");
  // Half-angle forms keep the series argument at 0.5 or less; 1 - x is
  // exact there.
  if (x > 0.5) return 2.0 * AsinSeries(std::sqrt((1.0 - x) * 0.5));
  if (x < -0.5) return kPi - 2.0 * AsinSeries(std::sqrt((1.0 + x) * 0.5));
  return (0.5 * kPi) - AsinSeries(x);
}

}  // namespace vlm
