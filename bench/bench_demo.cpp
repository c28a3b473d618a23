// The demo's frame, timed: how long from process start to the first
// presented frame (and where that time goes), and the median frame time
// with vertical sync off when 0, 100 and 1,000 bodies have been shot into
// the scene, split into the physics step (VLM_UpdatePhysics), render
// submission (VLM_RenderWorld), the GPU (the wait in glFinish after it),
// the overlay and the present. Physics runs the demo's fixed step of 1/60 s
// (one step per frame, as in its scripted runs), and every frame lasts at
// least that long, so each frame steps the world exactly once.
// Prints key=value lines; every time is in milliseconds.
//
//   bench_demo [--bodies 0,100,1000] [--frames 60] [--starts 3]
//
// Each body count runs twice: at the demo's 1600 x 900 (keys end in
// _at_<bodies>) and at 160 x 90 (keys start with small_), where the
// software rasteriser has a hundredth of the pixels to fill, so that the
// frame there is the CPU work of the engine and of the GL driver's front
// end (state, vertex processing, binning on the calling thread). The *_cpu_ms
// keys are CPU time of the calling thread alone, which the rasteriser's own
// threads and other programs on the machine do not inflate. engine_cpu_ms
// is physics, world submission and overlay drawing of the calling thread
// together; at 160 x 90 it is the engine's own per-frame CPU work with the
// driver's front end. The reference of the same run,
// reference_empty_frame_ms (present only), shows what the display path
// alone costs on this machine.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sstream>
#include <thread>
#include <string>
#include <vector>

#include "game.h"
#include "gpu/gl_table.h"
#include "support/gl_context.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

// CPU time of the whole process, the rasteriser's threads included: on a
// machine shared with other work it tells what a start costs when the
// wall clock cannot.
int64_t ProcessCpuNs() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// CPU time of the calling thread: physics, the engine's submission and the
// driver's work on this thread, not the rasteriser's threads.
double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The demo's start-up with vertical sync off, its Resources as the folder:
// the demo's own screen, or a window of another size opened the same way.
bool StartDemo(int width = demo::kWidth, int height = demo::kHeight) {
  int w = 0, h = 0;
  if (width == demo::kWidth && height == demo::kHeight) {
    if (!demo::OpenScreen(w, h)) return false;
  } else {
    VLM_OpenWindow(0, 0, 0, width, height, demo::kTitle, VLM_WINDOW_CENTERED | VLM_WINDOW_TITLEBAR);
    if (VLM_OpenScreenInWindow(VLM_WindowID(0), 0, 0, VLM_WindowInnerWidth(0), VLM_WindowInnerHeight(0),
                               32) == 0)
      return false;
  }
  VLM_SetVSync(0);
  VLM_SetCurrentDirectory(VLM_DEMO_RESOURCES);
  demo::BuildScene();
  return true;
}

constexpr float kStep = 1.0f / 60.0f;  // the demo's fixed physics step

struct FrameTimes {
  double frame = 0, physics = 0, submit = 0, gpu = 0, overlay = 0, present = 0;
  double physicsCpu = 0, submitCpu = 0, overlayCpu = 0;
};

// One frame of the demo's loop without input: events, particles, sounds,
// physics, the world, the GPU wait, cross-hair, overlay, present. With
// `paced` the frame lasts at least one physics step (the wait is not
// counted), so that the next update runs exactly one step.
FrameTimes Frame(bool paced = true) {
  FrameTimes t;
  const auto start = Clock::now();
  demo::HandleWindowEvents();
  VLM_UpdateParticles();
  VLM_UpdateSounds();
  VLM_ExamineMouse();
  VLM_ExamineKeyboard();
  const double cpu0 = ThreadCpuMs();
  const auto physics = Clock::now();
  VLM_UpdatePhysics(0);
  const auto world = Clock::now();
  const double cpu1 = ThreadCpuMs();
  VLM_RenderWorld(-1);
  const auto submitted = Clock::now();
  const double cpu2 = ThreadCpuMs();
  vlmgl.glFinish();
  const auto finished = Clock::now();
  const double cpu3 = ThreadCpuMs();
  VLM_DisplayElement(demo::kElementCross, static_cast<float>(VLM_WindowInnerWidth(0)) / 2.0f,
                     static_cast<float>(VLM_WindowInnerHeight(0)) / 2.0f);
  demo::DrawOverlay();
  const auto drawn = Clock::now();
  const double cpu4 = ThreadCpuMs();
  const auto due = start + std::chrono::duration<double>(kStep * 1.02);
  if (paced && Clock::now() < due) std::this_thread::sleep_until(due);
  const auto flip = Clock::now();
  VLM_FlipBuffers();
  const auto end = Clock::now();
  t.frame = Ms(end - start) - Ms(flip - drawn);
  t.physics = Ms(world - physics);
  t.submit = Ms(submitted - world);
  t.gpu = Ms(finished - submitted);
  t.overlay = Ms(drawn - finished);
  t.present = Ms(end - flip);
  t.physicsCpu = cpu1 - cpu0;
  t.submitCpu = cpu2 - cpu1;
  t.overlayCpu = cpu4 - cpu3;
  return t;
}

// Shoots `count` bodies as the mouse buttons do (balls and slabs by turns),
// then stands them at rest on the plate (top at y = 0.5) in rows of 32,
// 5 apart: every body then has its contact with the plate in every step.
void Spawn(int count) {
  for (int i = 0; i < count; ++i) {
    const bool slab = i % 2 != 0;
    const VLM_HANDLE body = demo::Shoot(slab);
    const v4f at{-77.5f + 5.0f * static_cast<float>(i % 32), slab ? 2.5f : 1.5f,
                 -77.5f + 5.0f * static_cast<float>(i / 32 % 32), 1.0f};
    VLM_BodyPosition(body, &at, 0);
    VLM_SetBodyVelocity(body, nullptr, 0.0f, 0.0f, 0.0f, 0);
  }
}

// Child of --first-frame: start-up, one frame, then the clock reading of
// the moment it was presented and finished, on stdout.
int FirstFrameChild() {
  const int64_t begin = MonotonicNs();
  int width = 0, height = 0;
  if (!demo::OpenScreen(width, height)) return 1;
  VLM_SetVSync(0);
  VLM_SetCurrentDirectory(VLM_DEMO_RESOURCES);
  const int64_t opened = MonotonicNs();
  demo::BuildScene();
  const int64_t built = MonotonicNs();
  Frame(false);
  vlmgl.glFinish();
  const int64_t presented = MonotonicNs();
  // The moment of presentation first, then where the child's time went,
  // then the CPU time it took from exec to there.
  std::printf("%lld %.1f %.1f %.1f %.1f\n", static_cast<long long>(presented),
              static_cast<double>(opened - begin) / 1e6, static_cast<double>(built - opened) / 1e6,
              static_cast<double>(presented - built) / 1e6, static_cast<double>(ProcessCpuNs()) / 1e6);
  std::fflush(stdout);
  VLM_Shutdown();
  return 0;
}

// One start of a new process: milliseconds from just before its fork to
// its first presented frame, and the child's own split of that time.
struct FirstFrame {
  double total = -1;   // negative when the child failed
  double open = 0;     // window, GL context, engine start (shader builds)
  double scene = 0;    // the demo's BuildScene: font, definitions, meshes, cages, bodies
  double frame = 0;    // the first frame, presented and finished
  double cpu = 0;      // CPU time of the child up to then, all its threads
};

FirstFrame TimeToFirstFrame() {
  FirstFrame result;
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return result;
  const int64_t start = MonotonicNs();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeEnds[1], 1);
    close(pipeEnds[0]);
    execl("/proc/self/exe", "bench_demo", "--first-frame", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeEnds[1]);
  std::string text;
  char buffer[64];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
  close(pipeEnds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  long long presented = 0;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
      std::sscanf(text.c_str(), "%lld %lf %lf %lf %lf", &presented, &result.open, &result.scene,
                  &result.frame, &result.cpu) != 5) {
    return result;
  }
  result.total = static_cast<double>(presented - start) / 1e6;
  return result;
}

// Child of one body count at one screen size: start-up, the reference
// frames when asked, the fixed step, the bodies, ten frames to settle, then
// the timed frames. Keys start with `prefix`.
int MeasureChild(int count, int frames, bool reference, int width, int height, const std::string& prefix) {
  if (!StartDemo(width, height)) {
    std::fprintf(stderr, "bench_demo: the demo's screen cannot be opened\n");
    return 1;
  }
  if (reference) {
    // The reference: what clearing and presenting alone take here.
    std::vector<double> empty;
    for (int i = 0; i < frames; ++i) {
      const auto start = Clock::now();
      VLM_FlipBuffers();
      empty.push_back(Ms(Clock::now() - start));
    }
    std::printf("reference_empty_frame_ms=%.3f\n", Median(empty));
  }
  // The demo's scripted runs step the world by 1/60 s once per frame.
  VLM_SetPhysicsTimeStep(kStep, 1);
  Spawn(count);
  for (int i = 0; i < 10; ++i) Frame();  // contacts form; caches fill
  std::vector<double> frame, physics, submit, gpu, overlay, present, physicsCpu, submitCpu, overlayCpu,
      engineCpu;
  for (int i = 0; i < frames; ++i) {
    const FrameTimes t = Frame();
    frame.push_back(t.frame);
    physics.push_back(t.physics);
    submit.push_back(t.submit);
    gpu.push_back(t.gpu);
    overlay.push_back(t.overlay);
    present.push_back(t.present);
    physicsCpu.push_back(t.physicsCpu);
    submitCpu.push_back(t.submitCpu);
    overlayCpu.push_back(t.overlayCpu);
    engineCpu.push_back(t.physicsCpu + t.submitCpu + t.overlayCpu);
  }
  const std::string at = "_at_" + std::to_string(count);
  std::printf("%sscreen%s=%dx%d\n", prefix.c_str(), at.c_str(), VLM_WindowInnerWidth(0),
              VLM_WindowInnerHeight(0));
  std::printf("%sdynamic_bodies%s=%d\n", prefix.c_str(), at.c_str(), VLM_CountBodies(1));
  const struct {
    const char* key;
    const std::vector<double>& values;
  } medians[] = {{"frame_ms", frame},           {"physics_ms", physics},       {"submit_ms", submit},
                 {"gpu_ms", gpu},               {"overlay_ms", overlay},       {"present_ms", present},
                 {"physics_cpu_ms", physicsCpu}, {"submit_cpu_ms", submitCpu}, {"overlay_cpu_ms", overlayCpu},
                 {"engine_cpu_ms", engineCpu}};
  for (const auto& m : medians) std::printf("%s%s%s=%.3f\n", prefix.c_str(), m.key, at.c_str(), Median(m.values));
  std::printf("%sfps%s=%.1f\n", prefix.c_str(), at.c_str(), 1000.0 / Median(frame));
  std::fflush(stdout);
  VLM_Shutdown();
  return 0;
}

std::vector<int> ParseList(const char* text) {
  std::vector<int> out;
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ',');) out.push_back(std::atoi(item.c_str()));
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> bodies = {0, 100, 1000};
  int frames = 60, starts = 3;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--first-frame") == 0) return FirstFrameChild();
    if (std::strcmp(argv[i], "--measure") == 0 && i + 6 < argc) {
      return MeasureChild(std::atoi(argv[i + 1]), std::atoi(argv[i + 2]), std::atoi(argv[i + 3]) != 0,
                          std::atoi(argv[i + 4]), std::atoi(argv[i + 5]), argv[i + 6]);
    }
    if (std::strcmp(argv[i], "--bodies") == 0 && i + 1 < argc) {
      bodies = ParseList(argv[++i]);
    } else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
      frames = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--starts") == 0 && i + 1 < argc) {
      starts = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: %s [--bodies 0,100,1000] [--frames 60] [--starts 3]\n", argv[0]);
      return 2;
    }
  }
  std::string error;
  if (!vlmtest::EnsureDisplay(&error)) {
    std::fprintf(stderr, "bench_demo: no display: %s\n", error.c_str());
    return 1;
  }

  // The split is the median of each part on its own; what the parts leave
  // of the total is the process start (exec, dynamic loading).
  std::vector<double> total, open, scene, first, cpu;
  for (int i = 0; i < starts; ++i) {
    const FirstFrame f = TimeToFirstFrame();
    if (f.total < 0) {
      std::fprintf(stderr, "bench_demo: the start-up child failed\n");
      return 1;
    }
    total.push_back(f.total);
    open.push_back(f.open);
    scene.push_back(f.scene);
    first.push_back(f.frame);
    cpu.push_back(f.cpu);
  }
  std::printf("first_frame_ms=%.1f\n", Median(total));
  std::printf("first_frame_open_screen_ms=%.1f\n", Median(open));
  std::printf("first_frame_build_scene_ms=%.1f\n", Median(scene));
  std::printf("first_frame_render_ms=%.1f\n", Median(first));
  std::printf("first_frame_cpu_ms=%.1f\n", Median(cpu));

  // Every count runs in a new process of its own (started afresh: a forked
  // copy would share this process's display connection).
  struct Screen {
    const char* width;
    const char* height;
    const char* prefix;
  };
  const Screen screens[] = {{"1600", "900", ""}, {"160", "90", "small_"}};
  for (size_t i = 0; i < bodies.size(); ++i) {
    for (const Screen& screen : screens) {
      std::fflush(stdout);
      const std::string count = std::to_string(bodies[i]), frameCount = std::to_string(frames);
      const bool reference = i == 0 && screen.prefix[0] == '\0';
      const pid_t pid = fork();
      if (pid == 0) {
        execl("/proc/self/exe", "bench_demo", "--measure", count.c_str(), frameCount.c_str(),
              reference ? "1" : "0", screen.width, screen.height, screen.prefix, static_cast<char*>(nullptr));
        _exit(127);
      }
      int status = 0;
      waitpid(pid, &status, 0);
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_demo: the run with %d bodies at %sx%s failed\n", bodies[i], screen.width,
                     screen.height);
        return 1;
      }
    }
  }
  return 0;
}
