// Vector math against plain scalar loops doing the same arithmetic.
//
// Each operation runs over arrays of N elements; the "Vlm" and "Scalar"
// variants of one operation are registered with the same sizes, so their
// times per element compare directly (items_per_second).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "velmora/math.h"

namespace {

struct Data {
  std::vector<v4f> a, b, dst;
  std::vector<m4f> ma, mb, mdst;
  m4f transform;
  std::vector<float> out;
};

Data MakeData(size_t n) {
  std::mt19937 rng(12345);
  std::uniform_real_distribution<float> dist(-10.0f, 10.0f);
  Data d;
  d.a.resize(n);
  d.b.resize(n);
  d.dst.resize(n);
  d.out.resize(n);
  for (size_t i = 0; i < n; ++i) {
    d.a[i] = v4f{dist(rng), dist(rng), dist(rng), (i & 1) ? 1.0f : 0.0f};
    d.b[i] = v4f{dist(rng), dist(rng), dist(rng), 0.0f};
  }
  d.ma.resize(n);
  d.mb.resize(n);
  d.mdst.resize(n);
  for (size_t i = 0; i < n; ++i) {
    for (int k = 0; k < 16; ++k) {
      d.ma[i].e[k] = dist(rng);
      d.mb[i].e[k] = dist(rng);
    }
    // Keep the matrices well away from singular.
    for (int k = 0; k < 4; ++k) d.ma[i].e[5 * k] += 50.0f;
  }
  for (int k = 0; k < 16; ++k) d.transform.e[k] = dist(rng);
  return d;
}

// ---- Scalar references -------------------------------------------------

// The OR of two bit patterns, the rule addition uses for w.
inline float OrBits(float f, float g) {
  uint32_t x, y;
  std::memcpy(&x, &f, 4);
  std::memcpy(&y, &g, 4);
  const uint32_t r = x | y;
  float out;
  std::memcpy(&out, &r, 4);
  return out;
}

inline void ScalarAdd(v4f& r, const v4f& a, const v4f& b) {
  r.x = a.x + b.x;
  r.y = a.y + b.y;
  r.z = a.z + b.z;
  r.w = OrBits(a.w, b.w);
}

inline float ScalarDot(const v4f& a, const v4f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline void ScalarCross(v4f& r, const v4f& a, const v4f& b) {
  const float x = a.y * b.z - a.z * b.y;
  const float y = a.z * b.x - a.x * b.z;
  const float z = a.x * b.y - a.y * b.x;
  r = v4f{x, y, z, 0.0f};
}

inline void ScalarNormalizeExact(v4f& v) {
  const long double x = v.x, y = v.y, z = v.z;
  const long double len = std::sqrt(x * x + y * y + z * z);
  if (len != 0.0L) {
    v.x = static_cast<float>(x / len);
    v.y = static_cast<float>(y / len);
    v.z = static_cast<float>(z / len);
  }
}

inline void ScalarNormalizeFast(v4f& r, const v4f& v) {
  const float k = 1.0f / std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  r = v4f{v.x * k, v.y * k, v.z * k, 0.0f};
}

inline void ScalarTransform(v4f& r, const m4f& m, const v4f& v) {
  const float* e = m.e;
  const float x = v.x * e[0] + v.y * e[4] + v.z * e[8] + v.w * e[12];
  const float y = v.x * e[1] + v.y * e[5] + v.z * e[9] + v.w * e[13];
  const float z = v.x * e[2] + v.y * e[6] + v.z * e[10] + v.w * e[14];
  const float w = v.x * e[3] + v.y * e[7] + v.z * e[11] + v.w * e[15];
  r = v4f{x, y, z, w};
}

// dst = b * a (row i of dst = b.row_i * a).
inline void ScalarMatMul(m4f& dst, const m4f& a, const m4f& b) {
  m4f r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0.0f;
      for (int k = 0; k < 4; ++k) s += b.e[4 * i + k] * a.e[4 * k + j];
      r.e[4 * i + j] = s;
    }
  dst = r;
}

// Cofactor inverse through the 2x2 minors of the upper and lower row pairs.
inline void ScalarInverse(m4f& dst, const m4f& src) {
  const float* m = src.e;
  auto a = [m](int r, int c) { return m[4 * r + c]; };
  const float s0 = a(0, 0) * a(1, 1) - a(1, 0) * a(0, 1);
  const float s1 = a(0, 0) * a(1, 2) - a(1, 0) * a(0, 2);
  const float s2 = a(0, 0) * a(1, 3) - a(1, 0) * a(0, 3);
  const float s3 = a(0, 1) * a(1, 2) - a(1, 1) * a(0, 2);
  const float s4 = a(0, 1) * a(1, 3) - a(1, 1) * a(0, 3);
  const float s5 = a(0, 2) * a(1, 3) - a(1, 2) * a(0, 3);
  const float c5 = a(2, 2) * a(3, 3) - a(3, 2) * a(2, 3);
  const float c4 = a(2, 1) * a(3, 3) - a(3, 1) * a(2, 3);
  const float c3 = a(2, 1) * a(3, 2) - a(3, 1) * a(2, 2);
  const float c2 = a(2, 0) * a(3, 3) - a(3, 0) * a(2, 3);
  const float c1 = a(2, 0) * a(3, 2) - a(3, 0) * a(2, 2);
  const float c0 = a(2, 0) * a(3, 1) - a(3, 0) * a(2, 1);
  float r[16];
  r[0] = a(1, 1) * c5 - a(1, 2) * c4 + a(1, 3) * c3;
  r[1] = -a(0, 1) * c5 + a(0, 2) * c4 - a(0, 3) * c3;
  r[2] = a(3, 1) * s5 - a(3, 2) * s4 + a(3, 3) * s3;
  r[3] = -a(2, 1) * s5 + a(2, 2) * s4 - a(2, 3) * s3;
  r[4] = -a(1, 0) * c5 + a(1, 2) * c2 - a(1, 3) * c1;
  r[5] = a(0, 0) * c5 - a(0, 2) * c2 + a(0, 3) * c1;
  r[6] = -a(3, 0) * s5 + a(3, 2) * s2 - a(3, 3) * s1;
  r[7] = a(2, 0) * s5 - a(2, 2) * s2 + a(2, 3) * s1;
  r[8] = a(1, 0) * c4 - a(1, 1) * c2 + a(1, 3) * c0;
  r[9] = -a(0, 0) * c4 + a(0, 1) * c2 - a(0, 3) * c0;
  r[10] = a(3, 0) * s4 - a(3, 1) * s2 + a(3, 3) * s0;
  r[11] = -a(2, 0) * s4 + a(2, 1) * s2 - a(2, 3) * s0;
  r[12] = -a(1, 0) * c3 + a(1, 1) * c1 - a(1, 2) * c0;
  r[13] = a(0, 0) * c3 - a(0, 1) * c1 + a(0, 2) * c0;
  r[14] = -a(3, 0) * s3 + a(3, 1) * s1 - a(3, 2) * s0;
  r[15] = a(2, 0) * s3 - a(2, 1) * s1 + a(2, 2) * s0;
  const float det = a(0, 0) * r[0] + a(0, 1) * r[4] + a(0, 2) * r[8] + a(0, 3) * r[12];
  const float inv = 1.0f / det;
  for (int i = 0; i < 16; ++i) dst.e[i] = r[i] * inv;
}

inline void ScalarQuatMul(v4f& r, const v4f& a, const v4f& b) {
  const float x = a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y;
  const float y = a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x;
  const float z = a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w;
  const float w = a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z;
  r = v4f{x, y, z, w};
}

// ---- Benchmarks ----------------------------------------------------------

template <typename Body>
void Run(benchmark::State& state, Body body) {
  const size_t n = static_cast<size_t>(state.range(0));
  Data d = MakeData(n);
  for (auto _ : state) {
    body(d, n);
    benchmark::DoNotOptimize(d.dst.data());
    benchmark::DoNotOptimize(d.mdst.data());
    benchmark::DoNotOptimize(d.out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

void Add_Vlm(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) VLM_v4fAddInto(&d.dst[i], &d.a[i], &d.b[i]);
  });
}
void Add_Scalar(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) ScalarAdd(d.dst[i], d.a[i], d.b[i]);
  });
}

void Dot_Vlm(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) d.out[i] = VLM_v4fDot(&d.a[i], &d.b[i], nullptr);
  });
}
void Dot_Scalar(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) d.out[i] = ScalarDot(d.a[i], d.b[i]);
  });
}

void Cross_Vlm(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) VLM_v4fCross(&d.dst[i], &d.a[i], &d.b[i]);
  });
}
void Cross_Scalar(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) ScalarCross(d.dst[i], d.a[i], d.b[i]);
  });
}

// The exact forms normalise a fresh copy each round so the input never
// becomes a unit vector that stays fixed.
void NormalizeExact_Vlm(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      d.dst[i] = d.a[i];
      VLM_v4fNormalize(&d.dst[i]);
    }
  });
}
void NormalizeExact_Scalar(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      d.dst[i] = d.a[i];
      ScalarNormalizeExact(d.dst[i]);
    }
  });
}

void NormalizeFast_Vlm(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) VLM_v4fNormalizeFastInto(&d.dst[i], &d.a[i]);
  });
}
void NormalizeFast_Scalar(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) ScalarNormalizeFast(d.dst[i], d.a[i]);
  });
}

void Transform_Vlm(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) VLM_v4fTransformInto(&d.dst[i], &d.transform, &d.a[i]);
  });
}
void Transform_Scalar(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) ScalarTransform(d.dst[i], d.transform, d.a[i]);
  });
}

void MatMul_Vlm(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) VLM_m4fMultiply(&d.mdst[i], &d.ma[i], &d.mb[i]);
  });
}
void MatMul_Scalar(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) ScalarMatMul(d.mdst[i], d.ma[i], d.mb[i]);
  });
}

void Inverse_Vlm(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) VLM_m4fInverse(&d.mdst[i], &d.ma[i]);
  });
}
void Inverse_Scalar(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) ScalarInverse(d.mdst[i], d.ma[i]);
  });
}

void QuatMul_Vlm(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) VLM_q4fMultiplyInto(&d.dst[i], &d.a[i], &d.b[i]);
  });
}
void QuatMul_Scalar(benchmark::State& s) {
  Run(s, [](Data& d, size_t n) {
    for (size_t i = 0; i < n; ++i) ScalarQuatMul(d.dst[i], d.a[i], d.b[i]);
  });
}

// Same sizes for both sides of every pair.
#define VLM_BENCH_PAIR(op)                  \
  BENCHMARK(op##_Vlm)->Arg(256)->Arg(4096); \
  BENCHMARK(op##_Scalar)->Arg(256)->Arg(4096)

VLM_BENCH_PAIR(Add);
VLM_BENCH_PAIR(Dot);
VLM_BENCH_PAIR(Cross);
VLM_BENCH_PAIR(NormalizeExact);
VLM_BENCH_PAIR(NormalizeFast);
VLM_BENCH_PAIR(Transform);
VLM_BENCH_PAIR(MatMul);
VLM_BENCH_PAIR(Inverse);
VLM_BENCH_PAIR(QuatMul);

}  // namespace

BENCHMARK_MAIN();
