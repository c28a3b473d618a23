// Culling one instance: the engine's test (planes of model-view x projection,
// then the box against them in the mesh's space) against the usual
// reference, the box's eight corners taken to clip space and tested there.
// Both run over the same random instances and give the same verdicts on
// boxes wholly outside; items_per_second compares them directly.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "render/frustum.h"
#include "scene/camera.h"
#include "velmora/math.h"

namespace {

struct Instance {
  m4f modelView;
  v4f centre, halfExtents;
};

std::vector<Instance> MakeInstances(size_t n) {
  std::mt19937 rng(2024);
  std::uniform_real_distribution<float> place(-60.0f, 60.0f), size(0.2f, 4.0f), angle(0.0f, 360.0f);
  std::vector<Instance> instances(n);
  for (Instance& i : instances) {
    v4f q;
    VLM_q4fFromEuler(&q, angle(rng), angle(rng), angle(rng), 0);
    VLM_m4fFromQuaternion(&q, &i.modelView);
    i.modelView.e[12] = place(rng);
    i.modelView.e[13] = place(rng);
    i.modelView.e[14] = place(rng) - 60.0f;
    i.centre = v4f{place(rng) * 0.05f, place(rng) * 0.05f, place(rng) * 0.05f, 1.0f};
    i.halfExtents = v4f{size(rng), size(rng), size(rng), 0.0f};
  }
  return instances;
}

const m4f& Projection() {
  static const m4f p = vlm::PerspectiveMatrix(45.0f, 16.0f / 9.0f, 0.1f, 128.0f);
  return p;
}

void BM_CullEnginePlanes(benchmark::State& state) {
  const auto instances = MakeInstances(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    int visible = 0;
    for (const Instance& i : instances) {
      m4f mvp;
      VLM_m4fMultiply(&mvp, &Projection(), &i.modelView);
      const auto frustum = vlm::render::FrustumOf(mvp);
      visible += vlm::render::TestBox(frustum, i.centre, i.halfExtents) != vlm::render::Containment::kOutside;
    }
    benchmark::DoNotOptimize(visible);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Outside when all eight clip-space corners lie beyond one of the six
// clip planes.
void BM_CullReferenceCorners(benchmark::State& state) {
  const auto instances = MakeInstances(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    int visible = 0;
    for (const Instance& i : instances) {
      m4f mvp;
      VLM_m4fMultiply(&mvp, &Projection(), &i.modelView);
      unsigned all = 0x3F;
      for (int c = 0; c < 8; ++c) {
        v4f p{i.centre.x + ((c & 1) ? i.halfExtents.x : -i.halfExtents.x),
              i.centre.y + ((c & 2) ? i.halfExtents.y : -i.halfExtents.y),
              i.centre.z + ((c & 4) ? i.halfExtents.z : -i.halfExtents.z), 1.0f};
        VLM_v4fTransform(&p, &mvp);
        unsigned out = 0;
        if (p.x < -p.w) out |= 1;
        if (p.x > p.w) out |= 2;
        if (p.y < -p.w) out |= 4;
        if (p.y > p.w) out |= 8;
        if (p.z < -p.w) out |= 16;
        if (p.z > p.w) out |= 32;
        all &= out;
      }
      visible += all == 0;
    }
    benchmark::DoNotOptimize(visible);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_CullEnginePlanes)->Arg(4096);
BENCHMARK(BM_CullReferenceCorners)->Arg(4096);

}  // namespace

BENCHMARK_MAIN();
