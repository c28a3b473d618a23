// The maximum texture anisotropy against the frame time on this machine's
// GL driver. For each value, in a process of its own: the demo's start view
// (the plate's draw into the G-buffer is nearly all of the geometry pass),
// then the frames right after a wall slab is shot, while it flies away from
// the camera (a textured box seen from very close, where a software
// rasteriser's anisotropic filtering costs most). The world steps 1/60 s
// per frame, as in the demo's scripted runs. Prints key=value lines, times
// in milliseconds, each pass and frame waited for with glFinish:
//   renderer, startup_anisotropy      the driver and what the engine chose
//   geometry_ms_at_<a>, frame_ms_at_<a>                     start view, medians
//   slab_geometry_max_ms_at_<a>, slab_frame_max_ms_at_<a>   worst frame after the shot
//
//   bench_anisotropy [--anisotropy 1,2,4,8] [--frames 10] [--slab-frames 10]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "game.h"
#include "gpu/gl_table.h"
#include "render/render_state.h"
#include "support/gl_context.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// The end of the last pass, and the geometry pass's share of this frame.
Clock::time_point g_passEnd;
double g_geometryMs = 0.0;

void PassEnded(const char* pass) {
  vlmgl.glFinish();
  const Clock::time_point now = Clock::now();
  if (std::strcmp(pass, "Geometry") == 0) g_geometryMs = Ms(now - g_passEnd);
  g_passEnd = now;
}

// One frame of the demo's loop without input, waited for; returns its
// milliseconds and leaves the geometry pass's in g_geometryMs.
double Frame() {
  vlmgl.glFinish();
  const Clock::time_point start = Clock::now();
  demo::HandleWindowEvents();
  VLM_ExamineMouse();
  VLM_ExamineKeyboard();
  VLM_UpdatePhysics(0);
  g_passEnd = Clock::now();
  VLM_RenderWorld(-1);
  VLM_DisplayElement(demo::kElementCross, static_cast<float>(VLM_WindowInnerWidth(0)) / 2.0f,
                     static_cast<float>(VLM_WindowInnerHeight(0)) / 2.0f);
  demo::DrawOverlay();
  VLM_FlipBuffers();
  vlmgl.glFinish();
  return Ms(Clock::now() - start);
}

int MeasureChild(float anisotropy, int frames, int slabFrames, bool first) {
  int width = 0, height = 0;
  if (!demo::OpenScreen(width, height)) {
    std::fprintf(stderr, "bench_anisotropy: the demo's screen cannot be opened\n");
    return 1;
  }
  VLM_SetVSync(0);
  VLM_SetCurrentDirectory(VLM_DEMO_RESOURCES);
  if (first) {
    std::printf("renderer=%s\n", reinterpret_cast<const char*>(vlmgl.glGetString(GL_RENDERER)));
    std::printf("startup_anisotropy=%g\n", static_cast<double>(VLM_GetTextureAnisotropy()));
  }
  // The textures are made by BuildScene and take the setting then.
  VLM_SetTextureAnisotropy(anisotropy);
  demo::BuildScene();
  VLM_SetPhysicsTimeStep(1.0f / 60.0f, 1);
  vlm::Render().hooks.passEnded = PassEnded;
  for (int i = 0; i < 2; ++i) Frame();  // programs and textures reach the driver
  std::vector<double> frame, geometry;
  for (int i = 0; i < frames; ++i) {
    frame.push_back(Frame());
    geometry.push_back(g_geometryMs);
  }
  double slabFrame = 0.0, slabGeometry = 0.0;
  demo::Shoot(true);
  for (int i = 0; i < slabFrames; ++i) {
    slabFrame = std::max(slabFrame, Frame());
    slabGeometry = std::max(slabGeometry, g_geometryMs);
  }
  vlm::Render().hooks.passEnded = nullptr;
  const std::string at = "_at_" + std::to_string(static_cast<int>(anisotropy));
  std::printf("geometry_ms%s=%.1f\nframe_ms%s=%.1f\n", at.c_str(), Median(geometry), at.c_str(), Median(frame));
  std::printf("slab_geometry_max_ms%s=%.1f\nslab_frame_max_ms%s=%.1f\n", at.c_str(), slabGeometry, at.c_str(),
              slabFrame);
  std::fflush(stdout);
  VLM_Shutdown();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> values = {1, 2, 4, 8};
  int frames = 10, slabFrames = 10;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--measure") == 0 && i + 4 < argc) {
      return MeasureChild(static_cast<float>(std::atof(argv[i + 1])), std::atoi(argv[i + 2]),
                          std::atoi(argv[i + 3]), std::atoi(argv[i + 4]) != 0);
    }
    if (std::strcmp(argv[i], "--anisotropy") == 0 && i + 1 < argc) {
      values.clear();
      std::stringstream list(argv[++i]);
      for (std::string item; std::getline(list, item, ',');) values.push_back(std::max(1, std::atoi(item.c_str())));
    } else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
      frames = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--slab-frames") == 0 && i + 1 < argc) {
      slabFrames = std::max(0, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: %s [--anisotropy 1,2,4,8] [--frames 10] [--slab-frames 10]\n", argv[0]);
      return 2;
    }
  }
  std::string error;
  if (!vlmtest::EnsureDisplay(&error)) {
    std::fprintf(stderr, "bench_anisotropy: no display: %s\n", error.c_str());
    return 1;
  }
  // Bodies and cages outlive VLM_Shutdown: every value runs in a new process.
  for (size_t i = 0; i < values.size(); ++i) {
    std::fflush(stdout);
    const std::string value = std::to_string(values[i]), count = std::to_string(frames),
                      slab = std::to_string(slabFrames);
    const pid_t pid = fork();
    if (pid == 0) {
      execl("/proc/self/exe", "bench_anisotropy", "--measure", value.c_str(), count.c_str(), slab.c_str(),
            i == 0 ? "1" : "0", static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "bench_anisotropy: the run at anisotropy %d failed\n", values[i]);
      return 1;
    }
  }
  return 0;
}
