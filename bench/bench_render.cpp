// The 3D frame against its floor and against Irrlicht's OpenGL driver.
//
// The box scene: N textured boxes lit by one point light (no shadows, no
// glow), drawn by both engines at 320 x 180 and 1600 x 900 with vertical
// sync off. The demo's scene: the demo's own start-up scene (shadowed point
// light, its 6 x 2048 x 2048 cube) at the same two sizes, with the
// anisotropy the renderer chose for this rasteriser. One line per case,
// the medians of 200 frames (VLM_BENCH_FRAMES may ask for fewer):
//
//   scene=box N=1000 res=320x180 ours_ms=... floor_ms=... ratio_floor=... irrlicht_ms=... ratio=...
//   scene=demo res=1600x900 ours_ms=... floor_ms=... ratio_floor=...
//
// The floor is the least work the design's mandated steps must do on the
// same render targets in the same process: one full-screen pass each with
// a trivial program (the G-buffer fill of five RGBA32F layers with depth,
// one light pass reading four layers, for a shadowed point light its six
// depth faces, and the present: the screen layer blitted to the window and
// swapped). Our frames and floor frames alternate, so that load on a shared
// machine hits both alike. Each case is followed by the per-pass split of
// both ("ours" and "floor" lines, milliseconds with glFinish after every
// pass, medians of fewer frames), and for N = 1000 and 5000 by the CPU time
// per drawn object of the geometry pass: engine_us_per_object with the GL
// calls it makes per object (Model block upload, vertex array, draw)
// replaced by calls that do nothing, so the driver's share is left out, and
// with_driver_us_per_object with them.
//
// `--box-passes N WIDTH HEIGHT [LIGHT]` gives the passes of one box-scene
// case with its light as RunBoxPasses says. Every measurement runs in a
// child process of its own (this program with --ours, --irrlicht, --demo or
// --box-passes), so that each engine opens its window and GL context on a
// clean slate; the parent starts Xvfb when there is no display and collects
// the children's "result" lines.
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
#include <utility>
#include <vector>

#include "bench/irrlicht_scene.h"
#include "game.h"
#include "gpu/gl_table.h"
#include "platform/image.h"
#include "render/render_state.h"
#include "render/targets.h"
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
// The per-pass split and the demo's frames (six 2048 x 2048 shadow faces
// each) take the median of fewer frames.
const int kPassFrames = std::min(kFrames, 20);
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

// ---- Our scenes ------------------------------------------------------------

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

// The demo's start scene (its own start-up code: ground plate, the two
// wheels on their axle, the shadowed point light), plus a few balls and
// wall slabs lying about as after some play.
bool BuildDemoScene(const char* resources) {
  const std::string previous = VLM_GetCurrentDirectory();
  if (!VLM_SetCurrentDirectory(resources)) {
    std::fprintf(stderr, "bench_render: the demo's resources %s are not there\n", resources);
    return false;
  }
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
  VLM_SetCurrentDirectory(previous.c_str());
  return true;
}

// ---- The floor -------------------------------------------------------------

// One full-screen pass per mandated step with a trivial program, on the
// engine's own render targets: what no frame of this design can undercut.
class Floor {
 public:
  explicit Floor(bool shadowFaces) : shadowFaces_(shadowFaces) {
    // A triangle that covers the viewport, made from the vertex number.
    static constexpr const char* kCover =
        "#version 330\n"
        "void main() {\n"
        "  vec2 p = vec2(float((gl_VertexID & 1) * 4 - 1), float((gl_VertexID >> 1) * 4 - 1));\n"
        "  gl_Position = vec4(p, 0.5, 1.0);\n"
        "}\n";
    fill_ = Program(kCover,
                    "#version 330\n"
                    "layout(location = 0) out vec4 o0;\n"
                    "layout(location = 1) out vec4 o1;\n"
                    "layout(location = 2) out vec4 o2;\n"
                    "layout(location = 3) out vec4 o3;\n"
                    "layout(location = 4) out vec4 o4;\n"
                    "void main() {\n"
                    "  vec4 p = vec4(gl_FragCoord.xy, 0.0, 1.0);\n"
                    "  o0 = p; o1 = p.yxzw; o2 = p.zyxw; o3 = p.wzyx; o4 = vec4(0.5, 1.0, 0.0, 1.0);\n"
                    "}\n");
    light_ = Program(kCover,
                     "#version 330\n"
                     "uniform sampler2DArray GBufferMap;\n"
                     "layout(location = 0) out vec4 colour;\n"
                     "void main() {\n"
                     "  ivec2 t = ivec2(gl_FragCoord.xy);\n"
                     "  colour = texelFetch(GBufferMap, ivec3(t, 0), 0) + texelFetch(GBufferMap, ivec3(t, 1), 0)\n"
                     "         + texelFetch(GBufferMap, ivec3(t, 2), 0) + texelFetch(GBufferMap, ivec3(t, 3), 0);\n"
                     "}\n");
    depth_ = Program(kCover, "#version 330\nvoid main() {}\n");
    vlmgl.glGenVertexArrays(1, &empty_);
  }
  ~Floor() {
    for (GLuint program : {fill_, light_, depth_}) vlmgl.glDeleteProgram(program);
    vlmgl.glDeleteVertexArrays(1, &empty_);
  }
  bool ok() const { return fill_ && light_ && depth_; }

  // One floor frame; with `mark`, called after each pass with its name.
  template <class Mark>
  void Run(Mark&& mark) {
    const vlm::render::RenderTargets& t = vlm::render::Targets();
    const auto& gbuffer = t.framebuffers[vlm::render::kGBufferFramebuffer];
    vlmgl.glBindVertexArray(empty_);
    vlmgl.glDisable(GL_BLEND);
    vlmgl.glDisable(GL_CULL_FACE);
    vlmgl.glViewport(0, 0, t.width, t.height);

    // The G-buffer fill: five RGBA32F layers and the depth of every pixel.
    vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, gbuffer.framebuffer);
    vlmgl.glDrawBuffers(static_cast<GLsizei>(gbuffer.drawBuffers.size()), gbuffer.drawBuffers.data());
    vlmgl.glEnable(GL_DEPTH_TEST);
    vlmgl.glDepthFunc(GL_ALWAYS);
    vlmgl.glDepthMask(GL_TRUE);
    Cover(fill_);
    mark("Fill");

    // One light pass reading four layers into the lit scene.
    vlmgl.glDisable(GL_DEPTH_TEST);
    vlmgl.glDepthMask(GL_FALSE);
    vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, t.framebuffers[vlm::render::kForwardFramebuffer].framebuffer);
    vlmgl.glDrawBuffer(GL_COLOR_ATTACHMENT0 + vlm::render::ForwardAttachment(vlm::render::kLayerLitScene));
    vlmgl.glActiveTexture(GL_TEXTURE0);
    vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, t.gbufferArray);
    Cover(light_);
    mark("Light");

    // The point light's six depth faces.
    if (shadowFaces_) {
      vlmgl.glEnable(GL_DEPTH_TEST);
      vlmgl.glDepthMask(GL_TRUE);
      vlmgl.glViewport(0, 0, t.cubeSize, t.cubeSize);
      vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, t.cubeFramebuffer);
      for (GLenum face = 0; face < 6; ++face) {
        vlmgl.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_CUBE_MAP_POSITIVE_X + face,
                                     t.shadowCube, 0);
        Cover(depth_);
      }
      vlmgl.glViewport(0, 0, t.width, t.height);
      mark("ShadowFaces");
    }

    // The present: the screen layer onto the window, then the swap.
    vlmgl.glBindFramebuffer(GL_READ_FRAMEBUFFER, t.framebuffers[vlm::render::kForwardFramebuffer].framebuffer);
    vlmgl.glReadBuffer(GL_COLOR_ATTACHMENT0 + vlm::render::ForwardAttachment(vlm::render::kLayerScreen));
    vlmgl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    vlmgl.glBlitFramebuffer(0, 0, t.width, t.height, 0, 0, t.width, t.height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
    VLM_FlipBuffers();  // no frame of the pipeline waits: only the swap
    mark("Present");

    // What our frame expects to find.
    vlmgl.glDepthFunc(GL_LEQUAL);
    vlmgl.glDepthMask(GL_TRUE);
    vlmgl.glEnable(GL_CULL_FACE);
    vlmgl.glUseProgram(0);
    vlmgl.glBindVertexArray(0);
  }

 private:
  static GLuint Program(const char* vertex, const char* fragment) {
    const GLuint program = vlmgl.glCreateProgram();
    for (const auto& [stage, source] : {std::pair{GL_VERTEX_SHADER, vertex}, std::pair{GL_FRAGMENT_SHADER, fragment}}) {
      const GLuint shader = vlmgl.glCreateShader(stage);
      vlmgl.glShaderSource(shader, 1, &source, nullptr);
      vlmgl.glCompileShader(shader);
      vlmgl.glAttachShader(program, shader);
      vlmgl.glDeleteShader(shader);
    }
    vlmgl.glLinkProgram(program);
    GLint linked = 0;
    vlmgl.glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
      std::fprintf(stderr, "bench_render: a floor program does not link\n");
      vlmgl.glDeleteProgram(program);
      return 0;
    }
    return program;
  }
  void Cover(GLuint program) {
    vlmgl.glUseProgram(program);
    vlmgl.glDrawArrays(GL_TRIANGLES, 0, 3);
  }

  bool shadowFaces_;
  GLuint fill_ = 0, light_ = 0, depth_ = 0, empty_ = 0;
};

// ---- Timing ----------------------------------------------------------------

// Per-pass clocks: the names in frame order and each frame's times.
struct PassTimes {
  std::vector<std::string> order;
  std::map<std::string, std::vector<double>> ms;
  Clock::time_point last;
  void Start() { last = Clock::now(); }
  void Mark(const char* pass, bool record) {
    vlmgl.glFinish();
    const Clock::time_point now = Clock::now();
    if (record) {
      if (!ms.count(pass)) order.emplace_back(pass);
      ms[pass].push_back(Milliseconds(last, now));
    }
    last = now;
  }
  // "Name=ms Name=ms ...", medians.
  std::string Line() const {
    std::string line;
    char text[96];
    for (const std::string& name : order) {
      std::snprintf(text, sizeof text, "%s%s=%.3f", line.empty() ? "" : " ", name.c_str(), Median(ms.at(name)));
      line += text;
    }
    return line;
  }
};

PassTimes* gOurPasses = nullptr;
bool gRecordPasses = false;

void MarkOurPass(const char* pass) {
  if (gOurPasses) gOurPasses->Mark(pass, gRecordPasses);
}

void OurFrame() {
  VLM_RenderWorld(-1);
  VLM_FlipBuffers();
}

// Our frames and floor frames in turn: whole frames (each ended by glFinish)
// for the medians, then fewer frames with glFinish after every pass for the
// split. Prints the result lines of the scene.
void MeasureAgainstFloor(Floor& floor, int frames, int passFrames) {
  std::vector<double> ours, floors;
  for (int frame = 0; frame < kWarmupFrames + frames; ++frame) {
    vlmgl.glFinish();
    Clock::time_point start = Clock::now();
    OurFrame();
    vlmgl.glFinish();
    Clock::time_point end = Clock::now();
    if (frame >= kWarmupFrames) ours.push_back(Milliseconds(start, end));
    start = Clock::now();
    floor.Run([](const char*) {});
    vlmgl.glFinish();
    end = Clock::now();
    if (frame >= kWarmupFrames) floors.push_back(Milliseconds(start, end));
  }
  PassTimes ourPasses, floorPasses;
  gOurPasses = &ourPasses;
  vlm::Render().hooks.passEnded = MarkOurPass;
  for (int frame = 0; frame < passFrames + 2; ++frame) {
    gRecordPasses = frame >= 2;
    vlmgl.glFinish();
    ourPasses.Start();
    VLM_RenderWorld(-1);
    VLM_FlipBuffers();
    ourPasses.Mark("Present", gRecordPasses);
    vlmgl.glFinish();
    floorPasses.Start();
    floor.Run([&](const char* pass) { floorPasses.Mark(pass, gRecordPasses); });
  }
  vlm::Render().hooks.passEnded = nullptr;
  gOurPasses = nullptr;
  // Passes that took no time in every frame are left out of the split.
  PassTimes shown;
  for (const std::string& name : ourPasses.order) {
    if (Median(ourPasses.ms[name]) < 0.0005) continue;
    shown.order.push_back(name);
    shown.ms[name] = ourPasses.ms[name];
  }
  std::printf("result ms=%.3f floor_ms=%.3f objects=%d lights=%d shadow_objects=%d\n", Median(ours),
              Median(floors), VLM_RenderedCount(VLM_RENDERED_OBJECTS), VLM_RenderedCount(VLM_RENDERED_LIGHTS),
              VLM_RenderedCount(VLM_RENDERED_SHADOW_OBJECTS));
  std::printf("result ours %s\n", shown.Line().c_str());
  std::printf("result floor %s\n", floorPasses.Line().c_str());
}

// ---- CPU per drawn object --------------------------------------------------

// The GL calls the geometry pass makes per object, each with a stand-in
// that does nothing while the engine's own share is timed.
struct DrawCallStubs {
  decltype(vlmgl.glBindBuffer) bindBuffer = nullptr;
  decltype(vlmgl.glBufferSubData) bufferSubData = nullptr;
  decltype(vlmgl.glBindVertexArray) bindVertexArray = nullptr;
  decltype(vlmgl.glDrawElements) drawElements = nullptr;
  decltype(vlmgl.glDrawElementsInstanced) drawElementsInstanced = nullptr;
  void Install() {
    bindBuffer = std::exchange(vlmgl.glBindBuffer, [](GLenum, GLuint) {});
    bufferSubData = std::exchange(vlmgl.glBufferSubData, [](GLenum, GLintptr, GLsizeiptr, const void*) {});
    bindVertexArray = std::exchange(vlmgl.glBindVertexArray, [](GLuint) {});
    drawElements = std::exchange(vlmgl.glDrawElements, [](GLenum, GLsizei, GLenum, const void*) {});
    drawElementsInstanced =
        std::exchange(vlmgl.glDrawElementsInstanced, [](GLenum, GLsizei, GLenum, const void*, GLsizei) {});
  }
  void Remove() {
    vlmgl.glBindBuffer = bindBuffer;
    vlmgl.glBufferSubData = bufferSubData;
    vlmgl.glBindVertexArray = bindVertexArray;
    vlmgl.glDrawElements = drawElements;
    vlmgl.glDrawElementsInstanced = drawElementsInstanced;
  }
};

struct GeometryClock {
  DrawCallStubs stubs;
  bool stubbed = false;
  Clock::time_point start;
  double ms = 0.0;
};
GeometryClock gGeometry;

// The pass before the geometry pass starts the clock, the geometry pass
// stops it; the stand-ins are in place only in between.
void TimeGeometryPass(const char* pass) {
  if (std::strcmp(pass, "StripMesh") == 0) {
    if (gGeometry.stubbed) gGeometry.stubs.Install();
    gGeometry.start = Clock::now();
  } else if (std::strcmp(pass, "Geometry") == 0) {
    gGeometry.ms = Milliseconds(gGeometry.start, Clock::now());
    if (gGeometry.stubbed) gGeometry.stubs.Remove();
  }
}

// Microseconds of the geometry pass per drawn object, median of `frames`.
double GeometryMicrosecondsPerObject(bool stubbed, int frames) {
  gGeometry.stubbed = stubbed;
  vlm::Render().hooks.passEnded = TimeGeometryPass;
  std::vector<double> perObject;
  for (int frame = 0; frame < kWarmupFrames + frames; ++frame) {
    OurFrame();
    vlmgl.glFinish();
    const int objects = VLM_RenderedCount(VLM_RENDERED_OBJECTS);
    if (frame >= kWarmupFrames && objects > 0) perObject.push_back(gGeometry.ms * 1000.0 / objects);
  }
  vlm::Render().hooks.passEnded = nullptr;
  return Median(perObject);
}

// ---- The children ----------------------------------------------------------

int RunOurs(int n, int width, int height, const std::string& shot) {
  if (!OpenOurScreen(width, height)) return 1;
  BuildOurBoxes(n);
  Floor floor(false);
  if (!floor.ok()) return 1;
  if (!shot.empty()) {
    VLM_KeepPresentedFrames(1);
    OurFrame();
    VLM_SavePresentedFrame(shot.c_str());
    VLM_KeepPresentedFrames(0);
  }
  MeasureAgainstFloor(floor, kFrames, kPassFrames);
  if (n >= 1000) {
    // A frame at the smaller size is mostly the CPU's; the geometry pass
    // is timed on its own.
    const double engine = GeometryMicrosecondsPerObject(true, kPassFrames);
    const double withDriver = GeometryMicrosecondsPerObject(false, kPassFrames);
    std::printf("result engine_us_per_object=%.3f with_driver_us_per_object=%.3f\n", engine, withDriver);
  }
  VLM_Shutdown();
  return 0;
}

int RunDemo(int width, int height, const char* resources) {
  if (!OpenOurScreen(width, height)) return 1;
  if (!BuildDemoScene(resources)) return 1;
  Floor floor(true);
  if (!floor.ok()) return 1;
  MeasureAgainstFloor(floor, kPassFrames, kPassFrames);
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
  Floor floor(light == "point-shadow");
  if (!floor.ok()) return 1;
  MeasureAgainstFloor(floor, kPassFrames, kFrames);
  VLM_Shutdown();
  return 0;
}

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

// ---- The parent --------------------------------------------------------------

// Runs this program with `arguments`; its "result " lines without the
// prefix, or none when it failed.
std::vector<std::string> RunChild(const std::string& arguments) {
  const std::string command = "\"/proc/" + std::to_string(getpid()) + "/exe\" " + arguments;
  std::vector<std::string> results;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return results;
  char line[1024];
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
    if (at != std::string::npos && (at == 0 || line[at - 1] == ' '))
      return std::atof(line.c_str() + at + prefix.size());
  }
  return -1.0;
}

// The per-pass lines of a child ("ours ...", "floor ...") under the case's line.
void PrintSplit(const std::vector<std::string>& results) {
  for (const std::string& line : results)
    if (line.rfind("ours ", 0) == 0 || line.rfind("floor ", 0) == 0) std::printf("  %s\n", line.c_str());
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
  std::printf("frames=%d warmup=%d pass_frames=%d vsync=off; box: shadows=off glow=off light=1 point\n", kFrames,
              kWarmupFrames, kPassFrames);
  int failures = 0;
  const auto sizes = {std::pair{320, 180}, std::pair{1600, 900}};
  for (const auto& [width, height] : sizes) {
    for (int n : {100, 1000, 5000}) {
      const std::string size = std::to_string(n) + " " + std::to_string(width) + " " + std::to_string(height);
      const std::vector<std::string> ours = RunChild("--ours " + size);
      const double irrlicht = Value(RunChild("--irrlicht " + size), "ms");
      const double ms = Value(ours, "ms"), floor = Value(ours, "floor_ms");
      if (ms < 0 || floor < 0 || irrlicht < 0) ++failures;
      std::printf("scene=box N=%d res=%dx%d ours_ms=%.3f floor_ms=%.3f ratio_floor=%.3f irrlicht_ms=%.3f ratio=%.3f\n",
                  n, width, height, ms, floor, floor > 0 ? ms / floor : 0.0, irrlicht,
                  irrlicht > 0 ? ms / irrlicht : 0.0);
      PrintSplit(ours);
      const double engine = Value(ours, "engine_us_per_object");
      if (engine >= 0)
        std::printf("  cpu engine_us_per_object=%.3f with_driver_us_per_object=%.3f\n", engine,
                    Value(ours, "with_driver_us_per_object"));
      std::fflush(stdout);
    }
  }
  for (const auto& [width, height] : sizes) {
    const std::vector<std::string> demo =
        RunChild("--demo " + std::to_string(width) + " " + std::to_string(height));
    const double ms = Value(demo, "ms"), floor = Value(demo, "floor_ms");
    if (ms < 0 || floor < 0) ++failures;
    std::printf("scene=demo res=%dx%d ours_ms=%.3f floor_ms=%.3f ratio_floor=%.3f shadow_objects=%d\n", width,
                height, ms, floor, floor > 0 ? ms / floor : 0.0, static_cast<int>(Value(demo, "shadow_objects")));
    PrintSplit(demo);
    std::fflush(stdout);
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const auto number = [&](int i) { return argc > i ? std::atoi(argv[i]) : 0; };
  const int n = number(2), width = number(3), height = number(4);
  if ((mode == "--ours" || mode == "--irrlicht") && argc >= 5) {
    const std::string shot = argc > 5 ? argv[5] : "";
    if (n <= 0 || width <= 0 || height <= 0) return 2;
    return mode == "--ours" ? RunOurs(n, width, height, shot) : RunIrrlicht(n, width, height, shot);
  }
  if (mode == "--demo" && argc >= 4 && number(2) > 0 && number(3) > 0)
    return RunDemo(number(2), number(3), argc > 4 ? argv[4] : VLM_DEMO_RESOURCES);
  if (mode == "--box-passes" && argc >= 5) {
    if (n <= 0 || width <= 0 || height <= 0) return 2;
    return RunBoxPasses(n, width, height, argc > 5 ? argv[5] : "point");
  }
  if (!mode.empty()) {
    std::fprintf(stderr,
                 "Usage: %s [--ours|--irrlicht N WIDTH HEIGHT [SCREENSHOT.png] | --demo WIDTH HEIGHT [RESOURCES] |\n"
                 "          --box-passes N WIDTH HEIGHT [point|spot|point-shadow|spot-shadow|direct-shadow]]\n",
                 argv[0]);
    return 2;
  }
  return RunAll();
}
