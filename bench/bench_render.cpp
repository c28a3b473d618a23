// The 3D frame against Irrlicht's OpenGL driver: N textured boxes lit by one
// point light (no shadows, no glow) at 320 x 180 and 1600 x 900, vertical
// sync off, the median of 200 frames each, one line per case:
//
//   N=1000 res=320x180 ours_ms=... irrlicht_ms=... ratio=...
//
// followed by the time of each pass of our frame for the demo's scene at
// 1600 x 900. `--box-passes N WIDTH HEIGHT [LIGHT]` gives the same per-pass
// lines for one case of the box scene, with its light as RunBoxPasses says.
// Every measurement runs in a child process of its own (this program with
// --ours, --irrlicht or --passes), so that each engine opens its window and
// GL context on a clean slate; the parent starts Xvfb when there is no
// display and collects the children's "result" lines.
// Frame times include the present and end with glFinish before the clock
// is read.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/irrlicht_scene.h"
#include "game.h"
#include "gpu/gl_table.h"
#include "platform/image.h"
#include "render/render_state.h"
#include "support/gl_context.h"
#include "support/test_support.h"
#include "velmora.h"

namespace {

constexpr int kWarmupFrames = 10;
// 200 measured frames; VLM_BENCH_FRAMES may ask for fewer for a quick look.
const int kFrames = [] {
  const char* text = std::getenv("VLM_BENCH_FRAMES");
  const int n = text ? std::atoi(text) : 0;
  return n > 0 ? n : 200;
}();
constexpr int kCheckerSide = 64;
constexpr float kBoxSize = 1.0f;
constexpr float kSpacing = 1.6f;
constexpr float kFov = 60.0f;  // degrees, vertical in both engines

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// The scene both engines draw: a grid of boxes centred on the origin,
// seen from 45 degrees above, with the light over the middle.
struct Layout {
  int columns = 0;
  int rows = 0;
  float span = 0.0f;      // larger side of the grid
  float distance = 0.0f;  // camera to the grid's centre
  float lightHeight = 0.0f;
  float lightRange = 0.0f;
  explicit Layout(int n) {
    columns = static_cast<int>(std::ceil(std::sqrt(2.0 * n)));
    rows = (n + columns - 1) / columns;
    span = static_cast<float>(std::max(columns, rows)) * kSpacing;
    distance = span * 0.8f;
    lightHeight = span * 0.3f + 3.0f;
    lightRange = span * 1.5f;
  }
  // x and z of box i, z growing away from the camera's side.
  void Place(int i, float& x, float& z) const {
    x = (static_cast<float>(i % columns) - 0.5f * static_cast<float>(columns - 1)) * kSpacing;
    z = (static_cast<float>(i / columns) - 0.5f * static_cast<float>(rows - 1)) * kSpacing;
  }
};

// The same checker texels for both engines: 8 x 8 squares, warm and cool.
uint32_t CheckerTexel(int x, int y) {
  return ((x / 8 + y / 8) % 2) ? 0xFFE0C080u : 0xFF4060A0u;  // A R G B
}

// ---- Our frame -------------------------------------------------------------

bool OpenOurScreen(int width, int height) {
  std::string error;
  if (!vlmtest::EnsureDisplay(&error)) {
    std::fprintf(stderr, "bench_render: %s\n", error.c_str());
    return false;
  }
  if (VLM_OpenScreenWindow(width, height, 32, "bench_render", VLM_WINDOW_HIDDEN, 0) == 0) {
    std::fprintf(stderr, "bench_render: our screen cannot be opened\n");
    return false;
  }
  VLM_SetVSync(0);
  return true;
}

void BuildOurBoxes(int n) {
  const Layout layout(n);
  VLM_BackgroundColour(0xFF202020u);
  VLM_AmbientColour(0xFF202020u);
  VLM_DirectLight(0);
  VLM_Shadows(0);
  VLM_Glow(0.0f);
  VLM_Bloom(0.0f);
  VLM_CameraFOV(kFov);
  VLM_CameraNear(0.1f);
  VLM_CameraFar(layout.distance * 3.0f);
  const float d = layout.distance * 0.70710678f;
  VLM_CameraPosition(0.0f, d, d, 0);
  VLM_CameraRotation(-45.0f, 0.0f, 0.0f, 0);

  std::vector<uint8_t> rgb(kCheckerSide * kCheckerSide * 3);
  for (int y = 0; y < kCheckerSide; ++y)
    for (int x = 0; x < kCheckerSide; ++x) {
      const uint32_t texel = CheckerTexel(x, y);
      uint8_t* p = &rgb[static_cast<size_t>(y * kCheckerSide + x) * 3];
      p[0] = static_cast<uint8_t>(texel >> 16), p[1] = static_cast<uint8_t>(texel >> 8),
      p[2] = static_cast<uint8_t>(texel);
    }
  const std::vector<uint8_t> png =
      vlm::platform::EncodePng(rgb.data(), kCheckerSide, kCheckerSide, 3, kCheckerSide * 3);
  VLM_CatchTexture(1, png.data(), png.size(), 0x2601 /* GL_LINEAR */, "checker");
  // Program 20: deferred and lit, the flat normal map stands in for slot 1.
  VLM_CreateMaterial(1, 1, 20, "box");
  VLM_CreateCubeMesh(1, kBoxSize, 1.0f, 0, "box");
  for (int i = 0; i < n; ++i) {
    v4f at{0.0f, 0.5f * kBoxSize, 0.0f, 1.0f};
    layout.Place(i, at.x, at.z);
    VLM_ObjectPosition(reinterpret_cast<VLM_HANDLE>(VLM_CreateObject(-1, 1, 1, 0, "")), &at, 0);
  }
  VLM_CreateLight(1, 0.0f, layout.lightHeight, 0.0f, VLM_LIGHT_POINT);
  VLM_LightRange(1, layout.lightRange);
}

double TimeOurFrames(const std::string& shot) {
  std::vector<double> times;
  if (!shot.empty()) VLM_KeepPresentedFrames(1);
  for (int frame = 0; frame < kWarmupFrames + kFrames; ++frame) {
    const Clock::time_point start = Clock::now();
    VLM_RenderWorld(-1);
    VLM_FlipBuffers();
    vlmgl.glFinish();
    if (frame >= kWarmupFrames) times.push_back(Milliseconds(start, Clock::now()));
  }
  if (!shot.empty()) VLM_SavePresentedFrame(shot.c_str());
  return Median(times);
}

int RunOurs(int n, int width, int height, const std::string& shot) {
  if (!OpenOurScreen(width, height)) return 1;
  BuildOurBoxes(n);
  const double ms = TimeOurFrames(shot);
  std::printf("result ms=%.3f objects=%d\n", ms, VLM_RenderedCount(VLM_RENDERED_OBJECTS));
  VLM_Shutdown();
  return 0;
}

// ---- Irrlicht's frame ------------------------------------------------------

int RunIrrlicht(int n, int width, int height, const std::string& shot) {
  std::string error;
  if (!vlmtest::EnsureDisplay(&error)) {
    std::fprintf(stderr, "bench_render: %s\n", error.c_str());
    return 1;
  }
  const Layout layout(n);
  vlmbench::IrrlichtBoxes scene;
  scene.width = width;
  scene.height = height;
  scene.boxSize = kBoxSize;
  for (int i = 0; i < n; ++i) {
    float x = 0.0f, z = 0.0f;
    layout.Place(i, x, z);
    scene.boxes.push_back({x, z});
  }
  scene.cameraHeight = scene.cameraBack = layout.distance * 0.70710678f;
  scene.fovDegrees = kFov;
  scene.nearPlane = 0.1f;
  scene.farPlane = layout.distance * 3.0f;
  scene.lightHeight = layout.lightHeight;
  scene.lightRange = layout.lightRange;
  scene.ambient = 0x20 / 255.0f;
  scene.checkerSide = kCheckerSide;
  for (int y = 0; y < kCheckerSide; ++y)
    for (int x = 0; x < kCheckerSide; ++x) scene.checker.push_back(CheckerTexel(x, y));
  scene.warmupFrames = kWarmupFrames;
  scene.frames = kFrames;
  scene.screenshot = shot;
  std::vector<double> times;
  if (!vlmbench::TimeIrrlichtFrames(scene, times, error)) {
    std::fprintf(stderr, "bench_render: %s\n", error.c_str());
    return 1;
  }
  std::printf("result ms=%.3f\n", Median(times));
  return 0;
}

// ---- Our passes in the demo's scene ----------------------------------------

// The demo's start scene (its own start-up code: ground plate, the two
// wheels on their axle, the shadowed point light), plus a few balls and
// wall slabs lying about as after some play.
void BuildDemoScene() {
  demo::BuildScene();
  const auto place = [](VLM_HANDLE mesh, const char* material, v4f at, float turn, v4f scale) {
    const auto object =
        reinterpret_cast<VLM_HANDLE>(VLM_CreateObject(-1, mesh, VLM_GetMaterialByName(material), 0, ""));
    VLM_ObjectPosition(object, &at, 0);
    VLM_ObjectRotation(object, 0.0f, turn, 0.0f, 0);
    VLM_ObjectScale(object, scale.x, scale.y, scale.z, 0);
  };
  for (int i = 0; i < 8; ++i) {
    const float x = -6.0f + 1.7f * static_cast<float>(i);
    place(demo::kMeshBall, "Ball", {x, 1, -6.0f - static_cast<float>(i % 3), 1}, 0.0f, {1, 1, 1, 0});
    place(demo::kMeshCube, "Wall", {x, 2, -10.0f + static_cast<float>(i % 2), 1}, 20.0f * static_cast<float>(i),
          {2, 2, 0.3f, 0});
  }
}

struct PassClock {
  static constexpr int kMaxMarks = 32;
  GLuint queries[kMaxMarks + 2] = {};
  const char* names[kMaxMarks] = {};
  Clock::time_point cpu[kMaxMarks + 1];
  int marks = 0;
  bool finishEachPass = false;
};

PassClock& Passes() {
  static PassClock clock;
  return clock;
}

void MarkPass(const char* pass) {
  PassClock& clock = Passes();
  if (clock.marks >= PassClock::kMaxMarks) return;
  if (clock.finishEachPass) vlmgl.glFinish();
  glQueryCounter(clock.queries[clock.marks + 1], GL_TIMESTAMP);
  clock.names[clock.marks] = pass;
  clock.cpu[++clock.marks] = Clock::now();
}

// A demo frame renders the light's six 2048 x 2048 shadow faces, which
// takes llvmpipe about a second: the passes take the median of fewer frames.
const int kPassFrames = std::min(kFrames, 20);

// One line per pass (and the present) of the scene already built: the GPU
// time between timer queries, the CPU time spent issuing the pass, and in a
// second series with glFinish after every pass, the wall time until the
// pass is done.
void MeasurePasses(int frames) {
  PassClock& clock = Passes();
  glGenQueries(PassClock::kMaxMarks + 2, clock.queries);
  vlm::Render().hooks.passEnded = MarkPass;
  std::map<std::string, std::vector<double>> gpu, cpu, finished;
  std::vector<std::string> order;
  std::vector<double> totals;
  for (int series = 0; series < 2; ++series) {
    clock.finishEachPass = series == 1;
    for (int frame = 0; frame < kWarmupFrames + frames; ++frame) {
      vlmgl.glFinish();
      clock.marks = 0;
      glQueryCounter(clock.queries[0], GL_TIMESTAMP);
      clock.cpu[0] = Clock::now();
      VLM_RenderWorld(-1);
      VLM_FlipBuffers();
      MarkPass("Present");
      vlmgl.glFinish();
      const Clock::time_point end = Clock::now();
      if (frame < kWarmupFrames) continue;
      if (series == 0) totals.push_back(Milliseconds(clock.cpu[0], end));
      GLuint64 stamps[PassClock::kMaxMarks + 1] = {};
      for (int k = 0; k <= clock.marks; ++k)
        glGetQueryObjectui64v(clock.queries[k], GL_QUERY_RESULT, &stamps[k]);
      for (int k = 0; k < clock.marks; ++k) {
        const std::string name = clock.names[k];
        if (frame == kWarmupFrames && series == 0) order.push_back(name);
        if (series == 0) {
          gpu[name].push_back(static_cast<double>(stamps[k + 1] - stamps[k]) * 1e-6);
          cpu[name].push_back(Milliseconds(clock.cpu[k], clock.cpu[k + 1]));
        } else {
          finished[name].push_back(Milliseconds(clock.cpu[k], clock.cpu[k + 1]));
        }
      }
    }
  }
  vlm::Render().hooks.passEnded = nullptr;
  glDeleteQueries(PassClock::kMaxMarks + 2, clock.queries);
  for (const std::string& name : order)
    std::printf("result pass=%s gpu_ms=%.3f cpu_ms=%.3f finished_ms=%.3f\n", name.c_str(),
                Median(gpu[name]), Median(cpu[name]), Median(finished[name]));
  std::printf("result pass=frame total_ms=%.3f objects=%d lights=%d shadow_objects=%d\n",
              Median(totals), VLM_RenderedCount(VLM_RENDERED_OBJECTS),
              VLM_RenderedCount(VLM_RENDERED_LIGHTS),
              VLM_RenderedCount(VLM_RENDERED_SHADOW_OBJECTS));
}

int RunDemoPasses(const char* resources) {
  if (!OpenOurScreen(1600, 900)) return 1;
  const std::string previous = VLM_GetCurrentDirectory();
  if (!VLM_SetCurrentDirectory(resources)) {
    std::fprintf(stderr, "bench_render: the demo's resources %s are not there\n", resources);
    return 1;
  }
  BuildDemoScene();
  VLM_SetCurrentDirectory(previous.c_str());
  MeasurePasses(kPassFrames);
  VLM_Shutdown();
  return 0;
}

// The passes of the box scene, to see where a case's frame goes, with its
// light as `light` says: "point" as built, "spot" a spot light in its place
// looking down, "point-shadow" and "spot-shadow" those casting shadows (the
// point light's cube, the spot's map), "direct-shadow" the point light and
// the shadowed direct light from straight above.
int RunBoxPasses(int n, int width, int height, const std::string& light) {
  if (!OpenOurScreen(width, height)) return 1;
  BuildOurBoxes(n);
  if (light.rfind("spot", 0) == 0) {
    const Layout layout(n);
    VLM_CreateLight(1, 0.0f, layout.lightHeight, 0.0f, VLM_LIGHT_SPOT);  // replaces the point light
    VLM_LightRange(1, layout.lightRange);
  } else if (light != "point" && light != "point-shadow" && light != "direct-shadow") {
    std::fprintf(stderr, "bench_render: unknown light %s\n", light.c_str());
    VLM_Shutdown();
    return 2;
  }
  const bool shadow = light.find("-shadow") != std::string::npos;
  VLM_Shadows(shadow ? 1 : 0);
  if (light == "direct-shadow") {
    VLM_DirectLight(1);
    VLM_DirectLightShadow(1);
  } else {
    VLM_LightShadow(1, shadow ? 1 : 0, 0);
  }
  MeasurePasses(kFrames);
  VLM_Shutdown();
  return 0;
}

// ---- The parent --------------------------------------------------------------

// Runs this program with `arguments`; its "result " lines without the
// prefix, or none when it failed.
std::vector<std::string> RunChild(const std::string& arguments) {
  const std::string command = "\"/proc/" + std::to_string(getpid()) + "/exe\" " + arguments;
  std::vector<std::string> results;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return results;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    if (std::strncmp(line, "result ", 7) != 0) continue;
    std::string text = line + 7;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    results.push_back(text);
  }
  if (pclose(pipe) != 0) results.clear();
  return results;
}

double Value(const std::vector<std::string>& results, const char* key) {
  const std::string prefix = std::string(key) + "=";
  for (const std::string& line : results) {
    const size_t at = line.find(prefix);
    if (at != std::string::npos) return std::atof(line.c_str() + at + prefix.size());
  }
  return -1.0;
}

int RunAll() {
  std::string error;
  if (!vlmtest::EnsureDisplay(&error)) {
    std::fprintf(stderr, "bench_render: %s\n", error.c_str());
    return 1;
  }
  // The children write the engine's log into the current folder.
  const std::filesystem::path work = vlmtest::TempRoot() / "bench_render";
  std::error_code ec;
  std::filesystem::create_directories(work, ec);
  std::filesystem::current_path(work, ec);
  std::printf("frames=%d warmup=%d vsync=off shadows=off glow=off light=1 point pass_frames=%d\n",
              kFrames, kWarmupFrames, kPassFrames);
  int failures = 0;
  for (const auto& [width, height] : {std::pair{320, 180}, std::pair{1600, 900}}) {
    for (int n : {100, 1000, 5000}) {
      const std::string size = std::to_string(n) + " " + std::to_string(width) + " " + std::to_string(height);
      const double ours = Value(RunChild("--ours " + size), "ms");
      const double irrlicht = Value(RunChild("--irrlicht " + size), "ms");
      if (ours < 0 || irrlicht < 0) ++failures;
      std::printf("N=%d res=%dx%d ours_ms=%.3f irrlicht_ms=%.3f ratio=%.3f\n", n, width, height,
                  ours, irrlicht, irrlicht > 0 ? ours / irrlicht : 0.0);
      std::fflush(stdout);
    }
  }
  const std::vector<std::string> passes = RunChild("--passes");
  if (passes.empty()) ++failures;
  for (const std::string& line : passes) std::printf("demo 1600x900 %s\n", line.c_str());
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if ((mode == "--ours" || mode == "--irrlicht") && argc >= 5) {
    const int n = std::atoi(argv[2]), width = std::atoi(argv[3]), height = std::atoi(argv[4]);
    const std::string shot = argc > 5 ? argv[5] : "";
    if (n <= 0 || width <= 0 || height <= 0) return 2;
    return mode == "--ours" ? RunOurs(n, width, height, shot) : RunIrrlicht(n, width, height, shot);
  }
  if (mode == "--passes") return RunDemoPasses(argc > 2 ? argv[2] : VLM_DEMO_RESOURCES);
  if (mode == "--box-passes" && argc >= 5) {
    const int n = std::atoi(argv[2]), width = std::atoi(argv[3]), height = std::atoi(argv[4]);
    if (n <= 0 || width <= 0 || height <= 0) return 2;
    return RunBoxPasses(n, width, height, argc > 5 ? argv[5] : "point");
  }
  if (!mode.empty()) {
    std::fprintf(stderr,
                 "Usage: %s [--ours|--irrlicht N WIDTH HEIGHT [SCREENSHOT.png] | --passes [RESOURCES] |\n"
                 "          --box-passes N WIDTH HEIGHT [point|spot|point-shadow|spot-shadow|direct-shadow]]\n",
                 argv[0]);
    return 2;
  }
  return RunAll();
}
