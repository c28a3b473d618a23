// Physics step against Bullet on the same scenes, with the CPU time of the
// thread, runs alternating between the engines.
//
// Spheres: N unit spheres of mass 1 in 10 x 10 layers (spacing 2.5, first
// layer at y = 5) dropped on a static box ground (half extents 100, 1, 100
// at y = -1), gravity -9.81, dt 1/60, 600 steps. The layers fall into 100
// columns. Prints, per N, one line for ours with one contact pass, ours
// with more passes, and Bullet:
//   N=2000 engine=ours passes=10 ms=... height=... pen_mean=... pen_max=... below=...
// ms: milliseconds of CPU time per step, the median of several runs
// alternating between the engines; height: the highest sphere centre at the
// end over the top of a resting column of the tallest layer count (1 + 2 *
// (layers - 1)); pen_mean, pen_max: mean and largest penetration depth over
// the touching pairs (sphere-sphere and sphere-ground) at the end; below:
// spheres that ended below y = 0.9. Bullet's passes are its solver
// iterations.
//
// Boxes: N unit cubes of mass 1 on the same ground, 600 steps, in two
// layouts. Columns: 100 columns on a 10 x 10 grid (spacing 2.5), each of
// N / 100 cubes standing 0.01 apart. Pile: cubes turned at random in five
// layers 1.8 apart, each layer a square grid of cells 1.8 apart with each
// cube shifted a little, so that they land on and beside each other. Bullet runs
// btBoxShape with the same placements and turns. Prints per N and layout
//   N=1000 scene=boxes layout=columns engine=ours passes=10 ms=... height=... pen_max=... drift=...
// ms as above; height: the highest cube centre at the end over that of a
// resting column (columns), or over the highest centre after 300 steps,
// when the pile has settled (pile); pen_max: the deepest overlap of two
// cubes or of a cube with the ground at the end; drift: the farthest a cube
// moved sideways from its start (columns), or moved at all in the last 300
// steps (pile).
//
//   bench_physics            spheres at every N of 100, 250, 500, 1000, 2000,
//                            then boxes at 100, 500 and 1000
//   bench_physics 1000       one N only, spheres and boxes
//   bench_physics spheres [N] | boxes [N]   one scene only
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

#include "bench/box_overlap.h"
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

// The world both of our scenes run in: settings, the ground (cage 1) and
// the bodies, freed with the scene.
class OursWorld {
 public:
  explicit OursWorld(int passes) {
    VLM_SetPhysicsWaits(0);
    VLM_SetGravity(0.0f, kGravity, 0.0f);
    VLM_SetPhysicsTimeStep(kDt, 1);  // no window: one step of dt per update
    VLM_SetPhysicsContactPasses(passes);
    VLM_CreateBoxCage(1, 200.0f, 2.0f, 200.0f, "");
    Add(1, 0.0f, 0.0f, -1.0f, 0.0f);
  }
  ~OursWorld() {
    for (VLM_OBJECT* body : bodies_) VLM_FreeBody(Handle(body));
    VLM_FreeCage(1);
    VLM_FreeCage(2);
  }
  void Step() { VLM_UpdatePhysics(0); }

 protected:
  static VLM_HANDLE Handle(VLM_OBJECT* body) { return reinterpret_cast<VLM_HANDLE>(body); }
  VLM_OBJECT* Add(VLM_HANDLE cage, float mass, float x, float y, float z) {
    VLM_OBJECT* body = VLM_CreateBody(-1, cage, -1, "");
    const v4f at{x, y, z, 1.0f};
    VLM_BodyPosition(Handle(body), &at, 0);
    if (mass != 0.0f) VLM_SetBodyMass(Handle(body), mass);
    bodies_.push_back(body);
    return body;
  }
  std::vector<VLM_OBJECT*> bodies_;  // the ground first
};

class OursScene : public OursWorld {
 public:
  OursScene(int n, int passes) : OursWorld(passes) {
    VLM_CreateSphereCage(2, 2.0f, "");
    for (const Placement& p : Spheres(n)) Add(2, 1.0f, p.x, p.y, p.z);
  }
  std::vector<Centre> Centres() const {
    std::vector<Centre> out;
    for (size_t i = 1; i < bodies_.size(); ++i) {
      m4f world;
      VLM_EntityWorldMatrix(&world, bodies_[i], 1);  // row 3 is the position
      out.push_back({world.e[12], world.e[13], world.e[14]});
    }
    return out;
  }
};

// ---- Bullet -------------------------------------------------------------------

// Bullet's world with the same ground, and the bodies added to it.
class BulletWorld {
 public:
  BulletWorld()
      : dispatcher_(&configuration_),
        world_(&dispatcher_, &broadphase_, &solver_, &configuration_),
        groundShape_(btVector3(100, 1, 100)) {
    world_.setGravity(btVector3(0, kGravity, 0));
    Add(&groundShape_, 0.0f, btMatrix3x3::getIdentity(), btVector3(0, -1, 0));
  }
  ~BulletWorld() {
    for (auto& body : bodies_) world_.removeRigidBody(body.get());
  }
  void Step() { world_.stepSimulation(kDt, 1, kDt); }
  int Iterations() { return world_.getSolverInfo().m_numIterations; }

 protected:
  btRigidBody* Add(btCollisionShape* shape, float mass, const btMatrix3x3& basis, const btVector3& at) {
    btVector3 inertia(0, 0, 0);
    if (mass != 0.0f) shape->calculateLocalInertia(mass, inertia);
    const btTransform start(basis, at);
    states_.push_back(std::make_unique<btDefaultMotionState>(start));
    btRigidBody::btRigidBodyConstructionInfo info(mass, states_.back().get(), shape, inertia);
    bodies_.push_back(std::make_unique<btRigidBody>(info));
    world_.addRigidBody(bodies_.back().get());
    return bodies_.back().get();
  }
  std::vector<std::unique_ptr<btRigidBody>> bodies_;  // the ground first

 private:
  btDefaultCollisionConfiguration configuration_;
  btCollisionDispatcher dispatcher_;
  btDbvtBroadphase broadphase_;
  btSequentialImpulseConstraintSolver solver_;
  btDiscreteDynamicsWorld world_;
  btBoxShape groundShape_;
  std::vector<std::unique_ptr<btDefaultMotionState>> states_;
};

class BulletScene : public BulletWorld {
 public:
  BulletScene(int n, int /*passes*/) : ballShape_(1.0f) {
    for (const Placement& p : Spheres(n)) Add(&ballShape_, 1.0f, btMatrix3x3::getIdentity(), btVector3(p.x, p.y, p.z));
  }
  std::vector<Centre> Centres() const {
    std::vector<Centre> out;
    for (size_t i = 1; i < bodies_.size(); ++i) {
      const btVector3& p = bodies_[i]->getCenterOfMassPosition();
      out.push_back({p.x(), p.y(), p.z()});
    }
    return out;
  }

 private:
  btSphereShape ballShape_;
};

// ---- Boxes ------------------------------------------------------------------------

enum class Layout { kColumns, kPile };

const char* LayoutName(Layout layout) { return layout == Layout::kColumns ? "columns" : "pile"; }

struct BoxStart {
  float x, y, z;
  float ax, ay, az;  // degrees, as VLM_BodyRotation takes them
};

std::vector<BoxStart> Boxes(int n, Layout layout) {
  std::vector<BoxStart> out;
  out.reserve(static_cast<size_t>(n));
  uint32_t state = 2024u;
  auto random = [&](float lo, float hi) {
    state = state * 1664525u + 1013904223u;
    return lo + (hi - lo) * static_cast<float>(state >> 8) / 16777216.0f;
  };
  // Pile: five layers, each a square grid of cells 1.8 apart (a turned
  // cube reaches 0.87 from its centre), every cube shifted within its cell.
  const int perLayer = (n + 4) / 5;
  const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<float>(perLayer))));
  for (int i = 0; i < n; ++i) {
    if (layout == Layout::kColumns) {
      const int layer = i / 100, row = (i / 10) % 10, column = i % 10;
      out.push_back({(column - 4.5f) * 2.5f, 0.5f + 1.01f * layer, (row - 4.5f) * 2.5f, 0, 0, 0});
    } else {
      const int layer = i / perLayer, cell = i % perLayer;
      const float centre = (side - 1) * 0.5f;
      const float x = (cell % side - centre) * 1.8f + random(-0.05f, 0.05f);
      const float z = (cell / side - centre) * 1.8f + random(-0.05f, 0.05f);
      out.push_back({x, 1.0f + 1.8f * layer, z, random(0, 360), random(0, 360), random(0, 360)});
    }
  }
  return out;
}

// A cube as the quality measures see it: centre and axes in world space.
using Cube = vlmbench::OrientedBox;

struct BoxOutcome {
  double msPerStep = 0.0;
  double height = 0.0;
  double penMax = 0.0;
  double drift = 0.0;
};

double TopOf(const std::vector<Cube>& cubes) {
  double top = -1e30;
  for (const Cube& c : cubes) top = std::max(top, c.centre[1]);
  return top;
}

// The deepest overlap of two cubes, or of a cube with the ground (top y = 0).
double DeepestOverlap(const std::vector<Cube>& cubes) {
  double most = 0.0;
  for (size_t i = 0; i < cubes.size(); ++i) {
    const Cube& a = cubes[i];
    double lowest = a.centre[1];
    for (int k = 0; k < 3; ++k) lowest -= a.half[k] * std::fabs(a.axis[k][1]);
    most = std::max(most, -lowest);
    for (size_t j = i + 1; j < cubes.size(); ++j) {
      const Cube& b = cubes[j];
      const double dx = a.centre[0] - b.centre[0], dy = a.centre[1] - b.centre[1], dz = a.centre[2] - b.centre[2];
      if (dx * dx + dy * dy + dz * dz > 3.0) continue;  // farther apart than two half diagonals
      most = std::max(most, vlmbench::BoxOverlap(a, b));
    }
  }
  return most;
}

double Moved(const Cube& a, const Cube& b, bool sideways) {
  const double dx = a.centre[0] - b.centre[0], dy = sideways ? 0.0 : a.centre[1] - b.centre[1];
  const double dz = a.centre[2] - b.centre[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void MeasureBoxes(int n, Layout layout, const std::vector<Cube>& start, const std::vector<Cube>& settled,
                  const std::vector<Cube>& end, BoxOutcome& out) {
  const int layers = (n + 99) / 100;
  out.height = layout == Layout::kColumns ? TopOf(end) / (0.5 + (layers - 1)) : TopOf(end) / TopOf(settled);
  out.penMax = DeepestOverlap(end);
  out.drift = 0.0;
  for (size_t i = 0; i < end.size(); ++i) {
    out.drift = std::max(out.drift, layout == Layout::kColumns ? Moved(end[i], start[i], true)
                                                                : Moved(end[i], settled[i], false));
  }
}

class OursBoxes : public OursWorld {
 public:
  OursBoxes(int n, Layout layout, int passes) : OursWorld(passes) {
    VLM_CreateBoxCage(2, 1.0f, 1.0f, 1.0f, "");
    for (const BoxStart& b : Boxes(n, layout)) {
      VLM_OBJECT* box = Add(2, 1.0f, b.x, b.y, b.z);
      VLM_BodyRotation(Handle(box), b.ax, b.ay, b.az, 0);
    }
  }
  std::vector<Cube> Cubes() const {
    std::vector<Cube> out;
    for (size_t i = 1; i < bodies_.size(); ++i) {
      m4f m;
      VLM_EntityWorldMatrix(&m, bodies_[i], 1);  // rows 0 to 2 the axes, row 3 the centre
      Cube c{};
      for (int k = 0; k < 3; ++k) {
        c.centre[k] = m.e[12 + k];
        c.half[k] = 0.5;
        for (int j = 0; j < 3; ++j) c.axis[k][j] = m.e[4 * k + j];
      }
      out.push_back(c);
    }
    return out;
  }
};

class BulletBoxes : public BulletWorld {
 public:
  // Bullet's cubes take their turns from ours, so that both piles start alike.
  BulletBoxes(int n, Layout layout, int /*passes*/) : boxShape_(btVector3(0.5f, 0.5f, 0.5f)) {
    VLM_CreateBoxCage(3, 1.0f, 1.0f, 1.0f, "");
    VLM_OBJECT* probe = VLM_CreateBody(-1, 3, -1, "");
    const auto handle = reinterpret_cast<VLM_HANDLE>(probe);
    for (const BoxStart& b : Boxes(n, layout)) {
      VLM_BodyRotation(handle, b.ax, b.ay, b.az, 0);
      m4f m;
      VLM_EntityWorldMatrix(&m, probe, 1);
      // Our rows are the cube's axes; Bullet's basis has them as columns.
      const btMatrix3x3 basis(m.e[0], m.e[4], m.e[8], m.e[1], m.e[5], m.e[9], m.e[2], m.e[6], m.e[10]);
      Add(&boxShape_, 1.0f, basis, btVector3(b.x, b.y, b.z));
    }
    VLM_FreeBody(handle);
    VLM_FreeCage(3);
  }
  std::vector<Cube> Cubes() const {
    std::vector<Cube> out;
    for (size_t i = 1; i < bodies_.size(); ++i) {
      const btTransform& t = bodies_[i]->getCenterOfMassTransform();
      Cube c{};
      for (int k = 0; k < 3; ++k) {
        c.centre[k] = t.getOrigin()[k];
        c.half[k] = 0.5;
        for (int j = 0; j < 3; ++j) c.axis[k][j] = t.getBasis()[j][k];
      }
      out.push_back(c);
    }
    return out;
  }

 private:
  btBoxShape boxShape_;
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

template <class Scene>
BoxOutcome RunBoxes(int n, Layout layout, int passes) {
  Scene scene(n, layout, passes);
  const std::vector<Cube> start = scene.Cubes();
  std::vector<Cube> settled;
  double ms = 0.0;
  for (int i = 0; i < kSteps; ++i) {
    const double before = ThreadMilliseconds();
    scene.Step();
    ms += ThreadMilliseconds() - before;
    if (i + 1 == kSteps / 2) settled = scene.Cubes();
  }
  BoxOutcome out;
  out.msPerStep = ms / kSteps;
  MeasureBoxes(n, layout, start, settled, scene.Cubes(), out);
  return out;
}

// The median time; the quality of the run that kept its shape worst.
BoxOutcome MedianBoxes(std::vector<BoxOutcome> all) {
  std::sort(all.begin(), all.end(), [](const BoxOutcome& a, const BoxOutcome& b) { return a.msPerStep < b.msPerStep; });
  BoxOutcome worst = all.front();
  for (const BoxOutcome& o : all) {
    if (o.height < worst.height) worst = o;
  }
  worst.msPerStep = all[all.size() / 2].msPerStep;
  return worst;
}

void PrintBoxes(int n, Layout layout, const char* engine, int passes, const BoxOutcome& o) {
  std::printf("N=%d scene=boxes layout=%s engine=%s passes=%d ms=%.4f height=%.3f pen_max=%.4f drift=%.4f\n", n,
              LayoutName(layout), engine, passes, o.msPerStep, o.height, o.penMax, o.drift);
}

void CompareBoxes(int n, int runs, int passes) {
  for (Layout layout : {Layout::kColumns, Layout::kPile}) {
    std::vector<BoxOutcome> one, more, bullet;
    for (int r = 0; r < runs; ++r) {
      one.push_back(RunBoxes<OursBoxes>(n, layout, 1));
      more.push_back(RunBoxes<OursBoxes>(n, layout, passes));
      bullet.push_back(RunBoxes<BulletBoxes>(n, layout, 0));
    }
    PrintBoxes(n, layout, "ours", 1, MedianBoxes(one));
    PrintBoxes(n, layout, "ours", passes, MedianBoxes(more));
    PrintBoxes(n, layout, "bullet", BulletScene(1, 0).Iterations(), MedianBoxes(bullet));
    std::fflush(stdout);
  }
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

// Boxes: one whole scene per iteration. Arguments: N, layout (0 columns,
// 1 pile), contact passes (ours).
template <class Scene>
void BM_Boxes(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Layout layout = state.range(1) == 0 ? Layout::kColumns : Layout::kPile;
  for (auto _ : state) {
    state.PauseTiming();
    auto scene = std::make_unique<Scene>(n, layout, static_cast<int>(state.range(2)));
    state.ResumeTiming();
    for (int i = 0; i < kSteps; ++i) scene->Step();
    benchmark::DoNotOptimize(scene->Cubes());
    state.PauseTiming();
    scene.reset();
    state.ResumeTiming();
  }
}
BENCHMARK_TEMPLATE(BM_Boxes, OursBoxes)
    ->ArgsProduct({{100, 500, 1000}, {0, 1}, {1, 10}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Boxes, BulletBoxes)
    ->ArgsProduct({{100, 500, 1000}, {0, 1}, {0}})
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
  std::vector<int> spheres = {100, 250, 500, 1000, 2000};
  std::vector<int> boxes = {100, 500, 1000};
  int arg = 1;
  if (argc > arg && std::strcmp(argv[arg], "spheres") == 0) {
    boxes.clear();
    ++arg;
  } else if (argc > arg && std::strcmp(argv[arg], "boxes") == 0) {
    spheres.clear();
    ++arg;
  }
  if (argc > arg) {
    const int n = std::atoi(argv[arg]);
    if (n <= 0) {
      std::fprintf(stderr, "usage: bench_physics [spheres|boxes] [N] | --benchmark_...\n");
      return 1;
    }
    if (!spheres.empty()) spheres = {n};
    if (!boxes.empty()) boxes = {n};
  }
  for (int n : spheres) Compare(n, runs, passes);
  for (int n : boxes) CompareBoxes(n, runs, passes);
  return 0;
}
