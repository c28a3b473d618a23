// Physics step against Bullet on the same scene: N unit spheres of mass 1 in
// 10 x 10 layers (spacing 2.5, first layer at y = 5) dropped on a static box
// ground (half extents 100, 1, 100 at y = -1), gravity -9.81, dt 1/60, 600
// steps. The layers fall into 100 columns. Prints, per N, one line for ours
// with one contact pass, ours with more passes, and Bullet:
//   N=2000 engine=ours passes=10 ms=... height=... pen_mean=... pen_max=... below=...
// ms: milliseconds of CPU time per step, the median of several runs
// alternating between the engines; height: the highest sphere centre at the
// end over the top of a resting column of the tallest layer count (1 + 2 *
// (layers - 1)); pen_mean, pen_max: mean and largest penetration depth over
// the touching pairs (sphere-sphere and sphere-ground) at the end; below:
// spheres that ended below y = 0.9. Bullet's passes are its solver
// iterations.
//
//   bench_physics            every N of 100, 250, 500, 1000, 2000
//   bench_physics 1000       one N only
//   bench_physics --benchmark_filter=...   the same scenes as Google
//                                          Benchmark cases
// VLM_BENCH_RUNS sets the number of runs per median (default 3),
// VLM_BENCH_PASSES our larger pass count (default 10).
#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

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
  double height = 0.0;
  double penMean = 0.0;
  double penMax = 0.0;
};

struct Centre {
  double x, y, z;
};

// Quality of the final positions: see the head of the file.
void Measure(const std::vector<Centre>& balls, int n, Outcome& out) {
  const int layers = (n + 99) / 100;
  double top = -1e30;
  double sum = 0.0, most = 0.0;
  int touching = 0;
  auto add = [&](double depth) {
    if (!(depth > 0.0)) return;
    sum += depth;
    most = std::max(most, depth);
    ++touching;
  };
  for (size_t i = 0; i < balls.size(); ++i) {
    const Centre& a = balls[i];
    top = std::max(top, a.y);
    out.below += a.y < kLow ? 1 : 0;
    add(1.0 - a.y);  // the ground's top face is y = 0
    for (size_t j = i + 1; j < balls.size(); ++j) {
      const Centre& b = balls[j];
      const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
      const double d2 = dx * dx + dy * dy + dz * dz;
      if (d2 < 4.0) add(2.0 - std::sqrt(d2));
    }
  }
  out.height = top / (1.0 + 2.0 * (layers - 1));
  out.penMean = touching ? sum / touching : 0.0;
  out.penMax = most;
}

// ---- Velmora ----------------------------------------------------------------

class OursScene {
 public:
  OursScene(int n, int passes) {
    VLM_SetPhysicsWaits(0);
    VLM_SetGravity(0.0f, kGravity, 0.0f);
    VLM_SetPhysicsTimeStep(kDt, 1);  // no window: one step of dt per update
    VLM_SetPhysicsContactPasses(passes);
    VLM_CreateBoxCage(1, 200.0f, 2.0f, 200.0f, "");
    VLM_CreateSphereCage(2, 2.0f, "");
    ground_ = VLM_CreateBody(-1, 1, -1, "");
    const v4f at{0.0f, -1.0f, 0.0f, 1.0f};
    VLM_BodyPosition(Handle(ground_), &at, 0);
    for (const Placement& p : Spheres(n)) {
      VLM_OBJECT* ball = VLM_CreateBody(-1, 2, -1, "");
      const v4f here{p.x, p.y, p.z, 1.0f};
      VLM_BodyPosition(Handle(ball), &here, 0);
      VLM_SetBodyMass(Handle(ball), 1.0f);
      balls_.push_back(ball);
    }
  }
  ~OursScene() {
    for (VLM_OBJECT* ball : balls_) VLM_FreeBody(Handle(ball));
    VLM_FreeBody(Handle(ground_));
    VLM_FreeCage(1);
    VLM_FreeCage(2);
  }
  void Step() { VLM_UpdatePhysics(0); }
  std::vector<Centre> Centres() const {
    std::vector<Centre> out;
    for (VLM_OBJECT* ball : balls_) {
      m4f world;
      VLM_EntityWorldMatrix(&world, ball, 1);  // row 3 is the position
      out.push_back({world.e[12], world.e[13], world.e[14]});
    }
    return out;
  }

 private:
  static VLM_HANDLE Handle(VLM_OBJECT* body) { return reinterpret_cast<VLM_HANDLE>(body); }
  VLM_OBJECT* ground_ = nullptr;
  std::vector<VLM_OBJECT*> balls_;
};

// ---- Bullet -------------------------------------------------------------------

class BulletScene {
 public:
  BulletScene(int n, int /*passes*/)
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
  std::vector<Centre> Centres() const {
    std::vector<Centre> out;
    for (const btRigidBody* ball : balls_) {
      const btVector3& p = ball->getCenterOfMassPosition();
      out.push_back({p.x(), p.y(), p.z()});
    }
    return out;
  }
  int Iterations() { return world_.getSolverInfo().m_numIterations; }

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
Outcome RunOnce(int n, int passes) {
  Scene scene(n, passes);
  const double start = ThreadMilliseconds();
  for (int i = 0; i < kSteps; ++i) scene.Step();
  const double end = ThreadMilliseconds();
  Outcome out;
  out.msPerStep = (end - start) / kSteps;
  Measure(scene.Centres(), n, out);
  return out;
}

// The median time; the quality of the run with the most spheres below.
Outcome Median(std::vector<Outcome> all) {
  std::sort(all.begin(), all.end(), [](const Outcome& a, const Outcome& b) { return a.msPerStep < b.msPerStep; });
  const double ms = all[all.size() / 2].msPerStep;
  Outcome worst = all.front();
  for (const Outcome& o : all) {
    if (o.below > worst.below || (o.below == worst.below && o.height < worst.height)) worst = o;
  }
  worst.msPerStep = ms;
  return worst;
}

void Print(int n, const char* engine, int passes, const Outcome& o) {
  std::printf("N=%d engine=%s passes=%d ms=%.4f height=%.3f pen_mean=%.4f pen_max=%.4f below=%d\n", n, engine,
              passes, o.msPerStep, o.height, o.penMean, o.penMax, o.below);
}

void Compare(int n, int runs, int passes) {
  // Runs alternate between the engines so that all see the same machine.
  std::vector<Outcome> one, more, bullet;
  for (int r = 0; r < runs; ++r) {
    one.push_back(RunOnce<OursScene>(n, 1));
    more.push_back(RunOnce<OursScene>(n, passes));
    bullet.push_back(RunOnce<BulletScene>(n, 0));
  }
  Print(n, "ours", 1, Median(one));
  Print(n, "ours", passes, Median(more));
  Print(n, "bullet", BulletScene(1, 0).Iterations(), Median(bullet));
  std::fflush(stdout);
}

// Google Benchmark cases: one whole scene (600 steps) per iteration.
template <class Scene>
void BM_Scene(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto scene = std::make_unique<Scene>(n, static_cast<int>(state.range(1)));
    state.ResumeTiming();
    for (int i = 0; i < kSteps; ++i) scene->Step();
    benchmark::DoNotOptimize(scene->Centres());
    state.PauseTiming();
    scene.reset();
    state.ResumeTiming();
  }
  state.counters["per_step"] =
      benchmark::Counter(static_cast<double>(kSteps), benchmark::Counter::kIsIterationInvariantRate |
                                                          benchmark::Counter::kInvert);
}
// Arguments: N, contact passes (ours).
BENCHMARK_TEMPLATE(BM_Scene, OursScene)
    ->ArgsProduct({{100, 250, 500, 1000, 2000}, {1, 10}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Scene, BulletScene)
    ->ArgsProduct({{100, 250, 500, 1000, 2000}, {0}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  VLM_Init();
  if (argc > 1 && std::strncmp(argv[1], "--benchmark", 11) == 0) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
  }
  int runs = 3;
  if (const char* env = std::getenv("VLM_BENCH_RUNS")) runs = std::max(1, std::atoi(env));
  int passes = 10;
  if (const char* env = std::getenv("VLM_BENCH_PASSES")) passes = std::max(1, std::atoi(env));
  std::vector<int> sizes = {100, 250, 500, 1000, 2000};
  if (argc > 1) {
    const int n = std::atoi(argv[1]);
    if (n <= 0) {
      std::fprintf(stderr, "usage: bench_physics [N] | --benchmark_...\n");
      return 1;
    }
    sizes = {n};
  }
  for (int n : sizes) Compare(n, runs, passes);
  return 0;
}
