// Particle update cost per live particle at 10,000 and 100,000 particles
// (one emitter, all drawn, turbulence on, a turning view so the sort has
// work), against the floor any update pays: one pass that only moves the
// same particles. Target: under 25 ns per particle. Text layout throughput
// is measured by bench_text.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_medians.h"
#include "particles/particle_internal.h"
#include "particles/particle_record.h"
#include "particles/particle_state.h"
#include "velmora.h"

namespace {

constexpr int64_t kNow = 1000000;
constexpr float kFrame = 1.0f / 60.0f;

VLM_PARTICLE_EMITTER* Emitter(int32_t count) {
  vlm::ResetParticles();
  VLM_PARTICLE_EMITTER* e = VLM_CreateParticleEmitter(1, -1, "");
  VLM_SetParticleEmissionRate(1, 0.0f);
  VLM_SetParticleEmissionShape(1, VLM_EMISSION_BOX);
  VLM_SetParticleEmissionSize(1, 20.0f, 20.0f, 20.0f);
  VLM_SetParticleEmissionAngle(1, 180.0f);
  VLM_SetParticleRange(1, VLM_PARTICLE_FORCE, 0.5f, 2.0f);
  VLM_SetParticleRange(1, VLM_PARTICLE_LIFETIME, 1e8f, 1e8f);
  VLM_SetParticleRange(1, VLM_PARTICLE_FADE_IN, 0.5f, 1.0f);
  VLM_SetParticleRange(1, VLM_PARTICLE_GROWTH, 0.1f, 0.2f);
  VLM_SetParticleRange(1, VLM_PARTICLE_ROTATION_SPEED, -1.0f, 1.0f);
  VLM_SetParticleTurbulence(1, 0.5f);
  VLM_SetParticleMaxDrawn(1, count);
  vlm::particles::Spawn(*e, count, 0.0f, 0.0f, 0.0f, kNow);
  return e;
}

// A view turned about y a little more every frame.
m4f View(int frame) {
  const float a = 0.01f * static_cast<float>(frame % 600);
  v4f q;
  VLM_q4fFromEuler(&q, 0.0f, a, 0.0f, 1);
  m4f m;
  VLM_m4fFromQuaternion(&q, &m);
  m.e[14] = -30.0f;
  return m;
}

void BM_UpdateParticles(benchmark::State& state) {
  const auto count = static_cast<int32_t>(state.range(0));
  Emitter(count);
  int frame = 0;
  for (auto _ : state) {
    vlm::particles::UpdateEmitters(kNow, kFrame, View(frame++));
  }
  if (VLM_CountParticles(1) != count) state.SkipWithError("particles died during the run");
  state.counters["ns_per_particle"] =
      benchmark::Counter(static_cast<double>(count) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
  vlm::ResetParticles();
}
BENCHMARK(BM_UpdateParticles)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)->Repetitions(5);

// The reference: the same particles moved by one plain pass.
void BM_MoveOnly(benchmark::State& state) {
  const auto count = static_cast<int32_t>(state.range(0));
  std::vector<vlm::Particle> particles = Emitter(count)->aParticles;
  vlm::ResetParticles();
  for (auto _ : state) {
    for (vlm::Particle& p : particles) {
      p.v4fPosition.x += p.v4fVelocity.x * kFrame;
      p.v4fPosition.y += p.v4fVelocity.y * kFrame;
      p.v4fPosition.z += p.v4fVelocity.z * kFrame;
    }
    benchmark::DoNotOptimize(particles.data());
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_particle"] =
      benchmark::Counter(static_cast<double>(count) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_MoveOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)->Repetitions(5);

// Medians by benchmark and argument ("BM_MoveOnly/10000").
class Reporter : public vlmbench::MedianReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
        byArgument[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedCPUTime();
    }
    MedianReporter::ReportRuns(runs);
  }
  std::map<std::string, double> byArgument;  // CPU time, microseconds
};

}  // namespace

int main(int argc, char** argv) {
  vlmbench::InitializeInterleaved(argc, argv);
  Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (int count : {10000, 100000}) {
    const auto update = reporter.byArgument.find("BM_UpdateParticles/" + std::to_string(count));
    const auto move = reporter.byArgument.find("BM_MoveOnly/" + std::to_string(count));
    if (update == reporter.byArgument.end() || move == reporter.byArgument.end()) continue;
    const double ns = update->second * 1000.0 / count;
    const double floor = move->second * 1000.0 / count;
    std::printf("%6d particles: update %.2f ns per particle (target < 25), move-only reference %.2f ns\n", count,
                ns, floor);
  }
  benchmark::Shutdown();
  return 0;
}
