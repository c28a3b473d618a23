// Physics step against Bullet on the same scene: N unit spheres of mass 1 in
// 10 x 10 layers (spacing 2.5, first layer at y = 5) dropped on a static box
// ground (half extents 100, 1, 100 at y = -1), gravity -9.81, dt 1/60, 600
// steps. Prints one line per N:
//   N=1000 ours_ms=... bullet_ms=... ratio=...
// (milliseconds of CPU time per step, medians of several runs alternating
// between the engines; ratio = ours / Bullet),
// followed by a "#" line with the spheres that ended below y = 0.9.
//
//   bench_physics            every N of 100, 250, 500, 1000, 2000
//   bench_physics 1000       one N only
//   bench_physics --benchmark_filter=...   the same scenes as Google
//                                          Benchmark cases
// VLM_BENCH_RUNS sets the number of runs per median (default 3).
#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/engine_state.h"
#include "core/registries.h"
#include "mesh/cage_record.h"
#include "physics/world.h"
#include "physics/world_state.h"
#include "scene/object_record.h"
#include "velmora.h"

namespace {

constexpr int kSteps = 600;
constexpr float kDt = 1.0f / 60.0f;
constexpr float kGravity = -9.81f;
constexpr float kLow = 0.9f;

struct Placement {
  float x, y, z;
};

// Layer after layer of 10 x 10, centred on x = z = 0.
std::vector<Placement> Spheres(int n) {
  std::vector<Placement> out;
  out.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const int layer = i / 100, row = (i / 10) % 10, column = i % 10;
    out.push_back({(column - 4.5f) * 2.5f, 5.0f + layer * 2.5f, (row - 4.5f) * 2.5f});
  }
  return out;
}

struct Outcome {
  double msPerStep = 0.0;
  int below = 0;
};

// ---- Velmora ----------------------------------------------------------------

class OursScene {
 public:
  explicit OursScene(int n) {
    vlm::BodyRegistry().ReleaseAll();
    vlm::CageRegistry().ReleaseAll();
    vlm::InitPhysicsWorld();
    VLM_SetPhysicsWaits(0);
    VLM_SetGravity(0.0f, kGravity, 0.0f);
    vlm::Timing().frameTimeFactor = kDt;
    VLM_CreateBoxCage(1, 200.0f, 2.0f, 200.0f, "");
    VLM_CreateSphereCage(2, 2.0f, "");
    VLM_CreateBody(-1, 1, -1, "");
    const v4f ground{0.0f, -1.0f, 0.0f, 1.0f};
    VLM_BodyPosition(vlm::StaticBodies().back()->iHandle, &ground, 0);
    for (const Placement& p : Spheres(n)) {
      VLM_OBJECT* ball = VLM_CreateBody(-1, 2, -1, "");
      const v4f at{p.x, p.y, p.z, 1.0f};
      const VLM_HANDLE h = reinterpret_cast<VLM_HANDLE>(ball);
      VLM_BodyPosition(h, &at, 0);
      VLM_SetBodyMass(h, 1.0f);
      balls_.push_back(ball);
    }
  }
  ~OursScene() {
    vlm::BodyRegistry().ReleaseAll();
    vlm::CageRegistry().ReleaseAll();
  }
  void Step() { VLM_UpdatePhysics(0); }
  int Below() const {
    int n = 0;
    for (const VLM_OBJECT* ball : balls_) n += ball->v4fPosition.y < kLow ? 1 : 0;
    return n;
  }

 private:
  std::vector<VLM_OBJECT*> balls_;
};

// ---- Bullet -------------------------------------------------------------------

class BulletScene {
 public:
  explicit BulletScene(int n)
      : dispatcher_(&configuration_),
        world_(&dispatcher_, &broadphase_, &solver_, &configuration_),
        groundShape_(btVector3(100, 1, 100)),
        ballShape_(1.0f) {
    world_.setGravity(btVector3(0, kGravity, 0));
    Add(&groundShape_, 0.0f, btVector3(0, -1, 0));
    for (const Placement& p : Spheres(n)) balls_.push_back(Add(&ballShape_, 1.0f, btVector3(p.x, p.y, p.z)));
  }
  ~BulletScene() {
    for (auto& body : bodies_) world_.removeRigidBody(body.get());
  }
  void Step() { world_.stepSimulation(kDt, 1, kDt); }
  int Below() const {
    int n = 0;
    for (const btRigidBody* ball : balls_) n += ball->getCenterOfMassPosition().y() < kLow ? 1 : 0;
    return n;
  }

 private:
  btRigidBody* Add(btCollisionShape* shape, float mass, const btVector3& at) {
    btVector3 inertia(0, 0, 0);
    if (mass != 0.0f) shape->calculateLocalInertia(mass, inertia);
    btTransform start;
    start.setIdentity();
    start.setOrigin(at);
    states_.push_back(std::make_unique<btDefaultMotionState>(start));
    btRigidBody::btRigidBodyConstructionInfo info(mass, states_.back().get(), shape, inertia);
    bodies_.push_back(std::make_unique<btRigidBody>(info));
    world_.addRigidBody(bodies_.back().get());
    return bodies_.back().get();
  }

  btDefaultCollisionConfiguration configuration_;
  btCollisionDispatcher dispatcher_;
  btDbvtBroadphase broadphase_;
  btSequentialImpulseConstraintSolver solver_;
  btDiscreteDynamicsWorld world_;
  btBoxShape groundShape_;
  btSphereShape ballShape_;
  std::vector<std::unique_ptr<btDefaultMotionState>> states_;
  std::vector<std::unique_ptr<btRigidBody>> bodies_;
  std::vector<btRigidBody*> balls_;
};

// ---- Runs -----------------------------------------------------------------------

// CPU time of this thread: the machine is shared, and other processes must
// not count against either engine.
double ThreadMilliseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

template <class Scene>
Outcome RunOnce(int n) {
  Scene scene(n);
  const double start = ThreadMilliseconds();
  for (int i = 0; i < kSteps; ++i) scene.Step();
  const double end = ThreadMilliseconds();
  Outcome out;
  out.msPerStep = (end - start) / kSteps;
  out.below = scene.Below();
  return out;
}

Outcome Median(std::vector<Outcome> all) {
  std::sort(all.begin(), all.end(), [](const Outcome& a, const Outcome& b) { return a.msPerStep < b.msPerStep; });
  Outcome median = all[all.size() / 2];
  for (const Outcome& o : all) median.below = std::max(median.below, o.below);
  return median;
}

void Compare(int n, int runs) {
  // Runs alternate between the engines so that both see the same machine.
  std::vector<Outcome> oursRuns, bulletRuns;
  for (int r = 0; r < runs; ++r) {
    oursRuns.push_back(RunOnce<OursScene>(n));
    bulletRuns.push_back(RunOnce<BulletScene>(n));
  }
  const Outcome ours = Median(oursRuns);
  const Outcome bullet = Median(bulletRuns);
  std::printf("N=%d ours_ms=%.4f bullet_ms=%.4f ratio=%.3f\n", n, ours.msPerStep, bullet.msPerStep,
              ours.msPerStep / bullet.msPerStep);
  std::printf("# N=%d runs=%d ours_below_0.9=%d bullet_below_0.9=%d\n", n, runs, ours.below, bullet.below);
  std::fflush(stdout);
}

// Google Benchmark cases: one whole scene (600 steps) per iteration.
template <class Scene>
void BM_Scene(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto scene = std::make_unique<Scene>(n);
    state.ResumeTiming();
    for (int i = 0; i < kSteps; ++i) scene->Step();
    benchmark::DoNotOptimize(scene->Below());
    state.PauseTiming();
    scene.reset();
    state.ResumeTiming();
  }
  state.counters["per_step"] =
      benchmark::Counter(static_cast<double>(kSteps), benchmark::Counter::kIsIterationInvariantRate |
                                                          benchmark::Counter::kInvert);
}
BENCHMARK_TEMPLATE(BM_Scene, OursScene)->Arg(100)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Scene, BulletScene)->Arg(100)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strncmp(argv[1], "--benchmark", 11) == 0) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
  }
  int runs = 3;
  if (const char* env = std::getenv("VLM_BENCH_RUNS")) runs = std::max(1, std::atoi(env));
  std::vector<int> sizes = {100, 250, 500, 1000, 2000};
  if (argc > 1) {
    const int n = std::atoi(argv[1]);
    if (n <= 0) {
      std::fprintf(stderr, "usage: bench_physics [N] | --benchmark_...\n");
      return 1;
    }
    sizes = {n};
  }
  for (int n : sizes) Compare(n, runs);
  return 0;
}
