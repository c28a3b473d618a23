// The demo's frame, timed: how long from process start to the first
// presented frame, and the median frame time at 1600 x 900 with vertical
// sync off when 0, 100 and 1,000 bodies have been shot into the scene,
// split into the physics step (VLM_UpdatePhysics), render submission (the
// CPU time of VLM_RenderWorld) and the GPU (the wait in glFinish after
// it). Prints key=value lines; every time is in milliseconds.
//
//   bench_demo [--bodies 0,100,1000] [--frames 60] [--starts 3]
//
// Keys end in _at_<bodies>; engine_cpu_ms is physics, submission and the
// overlay's drawing together, the engine's own CPU work of a frame. The
// reference of the same run, reference_empty_frame_ms (present only), shows
// what the display path alone costs on this machine.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "game.h"
#include "render/gl/gl_table.h"
#include "support/gl_context.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// The demo's start-up with vertical sync off, its Resources as the folder.
bool StartDemo() {
  int width = 0, height = 0;
  if (!demo::OpenScreen(width, height)) return false;
  VLM_SetVSync(0);
  VLM_SetCurrentDirectory(VLM_DEMO_RESOURCES);
  demo::BuildScene();
  return true;
}

struct FrameTimes {
  double frame = 0, physics = 0, submit = 0, gpu = 0, overlay = 0, present = 0;
};

// One frame of the demo's loop without input: events, particles, sounds,
// physics, the world, the GPU wait, cross-hair, overlay, present.
FrameTimes Frame() {
  FrameTimes t;
  const auto start = Clock::now();
  demo::HandleWindowEvents();
  VLM_UpdateParticles();
  VLM_UpdateSounds();
  VLM_ExamineMouse();
  VLM_ExamineKeyboard();
  const auto physics = Clock::now();
  VLM_UpdatePhysics(0);
  const auto world = Clock::now();
  VLM_RenderWorld(-1);
  const auto submitted = Clock::now();
  vlmgl.glFinish();
  const auto finished = Clock::now();
  VLM_DisplayElement(demo::kElementCross, demo::kWidth / 2.0f, demo::kHeight / 2.0f);
  demo::DrawOverlay();
  const auto drawn = Clock::now();
  VLM_FlipBuffers();
  const auto end = Clock::now();
  t.frame = Ms(end - start);
  t.physics = Ms(world - physics);
  t.submit = Ms(submitted - world);
  t.gpu = Ms(finished - submitted);
  t.overlay = Ms(drawn - finished);
  t.present = Ms(end - drawn);
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
  if (!StartDemo()) return 1;
  Frame();
  vlmgl.glFinish();
  std::printf("%lld\n", static_cast<long long>(MonotonicNs()));
  std::fflush(stdout);
  VLM_Shutdown();
  return 0;
}

// Milliseconds from just before the fork of a new process to its first
// presented frame; negative when the child failed.
double TimeToFirstFrame() {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
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
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.empty()) return -1;
  return static_cast<double>(std::strtoll(text.c_str(), nullptr, 10) - start) / 1e6;
}

// Child of one body count: start-up, the reference frames when asked,
// the bodies, ten frames to settle, then the timed frames.
int MeasureChild(int count, int frames, bool reference) {
  if (!StartDemo()) {
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
  Spawn(count);
  for (int i = 0; i < 10; ++i) Frame();  // contacts form; caches fill
  std::vector<double> frame, physics, submit, gpu, overlay, present, cpu;
  for (int i = 0; i < frames; ++i) {
    const FrameTimes t = Frame();
    frame.push_back(t.frame);
    physics.push_back(t.physics);
    submit.push_back(t.submit);
    gpu.push_back(t.gpu);
    overlay.push_back(t.overlay);
    present.push_back(t.present);
    cpu.push_back(t.physics + t.submit + t.overlay);
  }
  const std::string at = "_at_" + std::to_string(count);
  std::printf("dynamic_bodies%s=%d\n", at.c_str(), VLM_CountBodies(1));
  const struct {
    const char* key;
    const std::vector<double>& values;
  } medians[] = {{"frame_ms", frame},     {"physics_ms", physics}, {"submit_ms", submit},
                 {"gpu_ms", gpu},         {"overlay_ms", overlay}, {"present_ms", present},
                 {"engine_cpu_ms", cpu}};
  for (const auto& m : medians) std::printf("%s%s=%.3f\n", m.key, at.c_str(), Median(m.values));
  std::printf("fps%s=%.1f\n", at.c_str(), 1000.0 / Median(frame));
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
    if (std::strcmp(argv[i], "--measure") == 0 && i + 3 < argc) {
      return MeasureChild(std::atoi(argv[i + 1]), std::atoi(argv[i + 2]), std::atoi(argv[i + 3]) != 0);
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

  std::vector<double> firstFrames;
  for (int i = 0; i < starts; ++i) firstFrames.push_back(TimeToFirstFrame());
  if (*std::min_element(firstFrames.begin(), firstFrames.end()) < 0) {
    std::fprintf(stderr, "bench_demo: the start-up child failed\n");
    return 1;
  }
  std::printf("first_frame_ms=%.1f\n", Median(firstFrames));

  // Bodies, cages and joints outlive VLM_Shutdown, so every count runs in
  // a new process of its own (started afresh: a forked copy would share
  // this process's display connection).
  for (size_t i = 0; i < bodies.size(); ++i) {
    std::fflush(stdout);
    const std::string count = std::to_string(bodies[i]), frameCount = std::to_string(frames);
    const pid_t pid = fork();
    if (pid == 0) {
      execl("/proc/self/exe", "bench_demo", "--measure", count.c_str(), frameCount.c_str(),
            i == 0 ? "1" : "0", static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "bench_demo: the run with %d bodies failed\n", bodies[i]);
      return 1;
    }
  }
  return 0;
}
