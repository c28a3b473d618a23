// The frame's scene passes seen from outside: what the geometry pass
// writes into the G-buffer, what the counters count, the forward passes'
// state switches and the presented frame with its gamma.
#include <cmath>
#include <string>
#include <vector>

#include "core/engine_state.h"
#include "definition/texture_material_records.h"
#include "frame/frame_fixture.h"
#include "gpu/gl_table.h"
#include "physics/world_state.h"
#include "platform/image.h"
#include "render/render_state.h"
#include "render/targets.h"
#include "support/test_support.h"

namespace {

using frametest::FrameTest;

constexpr int kW = 640, kH = 480;
constexpr double kPi = 3.14159265358979323846;

// View-space direction through the centre of pixel (px, py), y from the
// bottom, for the camera's default 45-degree vertical field of view.
struct Ray {
  double x, y, z;
};
Ray PixelRay(int px, int py) {
  const double t = std::tan(22.5 * kPi / 180.0);
  const double ndcX = (px + 0.5) / (kW / 2.0) - 1.0;
  const double ndcY = (py + 0.5) / (kH / 2.0) - 1.0;
  return {ndcX * t * kW / kH, ndcY * t, -1.0};
}

// A deferred material ("3D NormalMap") with the substitute maps: white
// colour texel, flat normal.
VLM_MATERIAL* DeferredMaterial() {
  VLM_MATERIAL* material = VLM_CreateMaterial(-1, -1, 20, "deferred");
  EXPECT_NE(material, nullptr);
  return material;
}

VLM_OBJECT* Place(VLM_HANDLE mesh, VLM_HANDLE material, float x, float y, float z, int instances = 1) {
  VLM_OBJECT* object = VLM_CreateObject(-1, mesh, material, instances, "");
  EXPECT_NE(object, nullptr);
  const v4f at{x, y, z, 0};
  EXPECT_EQ(VLM_ObjectPosition(reinterpret_cast<VLM_HANDLE>(object), &at, VLM_TRANSFORM_RELATIVE), 1);
  return object;
}

VLM_HANDLE H(const void* record) { return reinterpret_cast<VLM_HANDLE>(record); }

// Debug builds turn a GL error after a pass into a failure row (and take it
// off the error queue); release builds leave it queued. A test's frames are
// clean when neither shows one.
class NoGLErrors {
 public:
  NoGLErrors() : log_(vlmtest::OpenTestLog(dir_, VLM_LOG_PROCEDURE)) {}
  ~NoGLErrors() {
    VLM_OpenLogFile(nullptr, 0, 1);
    EXPECT_EQ(vlmtest::LogBody(log_).find("GL error"), std::string::npos) << vlmtest::LogBody(log_);
    EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
  std::string Body() const { return vlmtest::LogBody(log_); }

 private:
  vlmtest::TempDir dir_;
  std::string log_;
};

// A forward material ("3D Draw Mesh": flat vColor, render list 1). Each
// gets its own name: a material made under a name in use replaces the old one.
VLM_MATERIAL* FlatMaterial(float r, float g, float b) {
  static int count = 0;
  const std::string name = "flat " + std::to_string(++count);
  VLM_MATERIAL* material = VLM_CreateMaterial(-1, 0, 17, name.c_str());
  EXPECT_NE(material, nullptr);
  if (material) material->v4fColor = v4f{r, g, b, 1.0f};
  return material;
}

// The light passes fill the lit layer; these tests start it at 0 so that
// what the forward passes add is all there is.
void ClearLitLayer() {
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, vlm::render::Targets().framebuffers[1].framebuffer);
  const GLenum layer6 = GL_COLOR_ATTACHMENT0;
  vlmgl.glDrawBuffers(1, &layer6);
  vlmgl.glClearColor(0, 0, 0, 0);
  vlmgl.glClear(GL_COLOR_BUFFER_BIT);
}

// Screen pixel of a view-space point (the camera at the origin looking
// down -z, default field of view).
std::pair<int, int> Project(double x, double y, double z) {
  const double f = (kH / 2.0) / std::tan(22.5 * kPi / 180.0);
  return {static_cast<int>(std::floor(kW / 2.0 + x / -z * f)),
          static_cast<int>(std::floor(kH / 2.0 + y / -z * f))};
}

bool Near(const float* rgba, float r, float g, float b, float tolerance = 1e-5f) {
  return std::fabs(rgba[0] - r) <= tolerance && std::fabs(rgba[1] - g) <= tolerance &&
         std::fabs(rgba[2] - b) <= tolerance;
}

TEST_F(FrameTest, APlaneFillsTheFiveGBufferLayersFromItsMaterial) {
  NoGLErrors clean;
  VLM_MATERIAL* material = DeferredMaterial();
  material->v4fColor = v4f{0.6f, 0.4f, 0.2f, 1.0f};
  material->fShine = 0.7f;               // specular intensity
  material->fHardness = 12.0f;
  material->fSurfaceScattering = 0.25f;
  material->fReflection = 0.3f;          // emission in this program
  material->v4fShineColor = v4f{0.1f, 0.2f, 0.3f, 1.0f};
  VLM_MESH* plane = VLM_CreatePlaneMesh(-1, 100.0f, 1.0f, "floor");
  ASSERT_NE(plane, nullptr);
  Place(H(plane), H(material), 0.0f, -2.0f, 0.0f);

  EXPECT_EQ(VLM_RenderWorld(-1), 0);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_OBJECTS), 1);

  const frametest::Layer position = ReadLayer(0), normal = ReadLayer(1), diffuse = ReadLayer(2),
                         specular = ReadLayer(3), misc = ReadLayer(4);
  // The camera sits at the origin looking down -z, so view space is world
  // space: a ray through a pixel of the lower half meets y = -2 at
  // t = -2 / ray.y.
  for (const auto& [px, py] : {std::pair{320, 60}, std::pair{100, 200}, std::pair{600, 10}}) {
    SCOPED_TRACE(std::to_string(px) + "," + std::to_string(py));
    const Ray ray = PixelRay(px, py);
    const double t = -2.0 / ray.y;
    const float* p = position.At(px, py);
    EXPECT_NEAR(p[0], t * ray.x, 1e-3 * t);
    EXPECT_NEAR(p[1], -2.0, 1e-4);
    EXPECT_NEAR(p[2], t * ray.z, 1e-3 * t);
    EXPECT_FLOAT_EQ(p[3], 0.25f);
    // The flat normal texel is (128, 128, 255): off by 1/255 at most.
    const float* n = normal.At(px, py);
    EXPECT_NEAR(n[0], 0.0, 0.01);
    EXPECT_NEAR(n[1], 1.0, 1e-3);
    EXPECT_NEAR(n[2], 0.0, 0.01);
    EXPECT_FLOAT_EQ(n[3], 12.0f);
    const float* d = diffuse.At(px, py);
    EXPECT_NEAR(d[0], 0.6, 1e-6);
    EXPECT_NEAR(d[1], 0.4, 1e-6);
    EXPECT_NEAR(d[2], 0.2, 1e-6);
    EXPECT_NEAR(d[3], 0.3, 1e-6);
    const float* s = specular.At(px, py);
    EXPECT_NEAR(s[0], 0.1, 1e-6);
    EXPECT_NEAR(s[1], 0.2, 1e-6);
    EXPECT_NEAR(s[2], 0.3, 1e-6);
    EXPECT_NEAR(s[3], 0.7, 1e-6);
    EXPECT_EQ(misc.At(px, py)[3], 1.0f);
  }
  // Above the horizon nothing was drawn: the cleared layers stay 0.
  EXPECT_EQ(misc.At(320, 400)[3], 0.0f);
  EXPECT_EQ(diffuse.At(320, 400)[0], 0.0f);
}

TEST_F(FrameTest, CullingSkipsAndUncountsWhatLiesOutsideAndInstancedDrawsAreNotCounted) {
  NoGLErrors clean;
  VLM_MATERIAL* material = DeferredMaterial();
  VLM_MESH* cube = VLM_CreateCubeMesh(-1, 1.0f, 1.0f, 0, "cube");
  ASSERT_NE(cube, nullptr);
  Place(H(cube), H(material), 0.0f, 0.0f, -5.0f);    // in view
  Place(H(cube), H(material), 0.0f, 0.0f, 10.0f);    // behind the camera
  Place(H(cube), H(material), 40.0f, 0.0f, -5.0f);   // far to the right
  VLM_OBJECT* hidden = Place(H(cube), H(material), 0.5f, 0.0f, -6.0f);
  VLM_SetObjectVisible(H(hidden), 0);
  // Three instances at the object's place (their matrices start as identity).
  Place(H(cube), H(material), -1.5f, 0.0f, -5.0f, 3);

  VLM_RenderWorld(-1);
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_OBJECTS), 1);
  const frametest::Layer misc = ReadLayer(4);
  EXPECT_EQ(misc.At(kW / 2, kH / 2)[3], 1.0f);  // the cube in view
  // The instanced cube at x = -1.5, z = -5 is drawn though not counted: its
  // centre projects to x = 320 + (-1.5 / 5) / tan(22.5 deg) x 240.
  const int instancedX = static_cast<int>(std::lround(320.0 - 0.3 / std::tan(22.5 * kPi / 180.0) * 240.0));
  EXPECT_EQ(misc.At(instancedX, kH / 2)[3], 1.0f);

  // Without culling every visible single object is drawn and counted; the
  // invisible one still is not.
  VLM_FrustumCulling(0);
  VLM_RenderWorld(-1);
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_OBJECTS), 3);
  VLM_FrustumCulling(1);
  VLM_RenderWorld(-1);
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_OBJECTS), 1);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(FrameTest, ARefusedTargetDrawsNothingAndSaysWhy) {
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  EXPECT_EQ(VLM_RenderWorld(987654), 0);
  EXPECT_EQ(VLM_RenderWorld(-7), 0);
  VLM_OpenLogFile(nullptr, 0, 1);
  const std::string body = vlmtest::LogBody(log);
  EXPECT_NE(body.find("Fail: The target 987654 is not a framebuffer!"), std::string::npos);
  EXPECT_NE(body.find("Fail: The target -7 is not a framebuffer!"), std::string::npos);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The presented frame is layer 7 with rgb^(1 / gamma): what the frame and
// the 2D drawing after it left there, replacing the window's old contents
// even where it is transparent.
TEST_F(FrameTest, GammaMapsAGreyInThePresentedFrame) {
  NoGLErrors clean;
  vlmtest::TempDir dir;
  const std::string file = dir.File("presented.png");
  VLM_KeepPresentedFrames(1);
  auto presented = [&](int x, int y) {
    std::vector<int> rgb;
    VLM_IMAGE* image = VLM_LoadImage(file.c_str());
    if (!image) return rgb;
    const uint8_t* p = VLM_ImagePixels(image) +
                       (static_cast<size_t>(y) * kW + static_cast<size_t>(x)) * VLM_ImageBytesPerPixel(image);
    rgb = {p[0], p[1], p[2]};
    VLM_FreeImage(image);
    return rgb;
  };
  for (const float gamma : {1.0f, 2.2f}) {
    vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
    vlmgl.glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    vlmgl.glClear(GL_COLOR_BUFFER_BIT);
    VLM_RenderWorld(-1);
    // After the frame layer 7 is the draw buffer; a grey, with alpha 0 the
    // second time, fills it as a 2D overlay would. Red lies above 1 and
    // green below 0, as a float layer can hold them.
    vlmgl.glClearColor(1.5f, -0.5f, 0.25f, gamma == 1.0f ? 1.0f : 0.0f);
    vlmgl.glClear(GL_COLOR_BUFFER_BIT);
    vlm::Timing().gamma = gamma;
    VLM_FlipBuffers();
    ASSERT_EQ(VLM_SavePresentedFrame(file.c_str()), 1);
    const std::vector<int> pixel = presented(kW / 2, kH / 2);
    ASSERT_EQ(pixel.size(), 3u);
    EXPECT_EQ(pixel[0], 255) << "gamma " << gamma;
    EXPECT_EQ(pixel[1], 0) << "gamma " << gamma;
    // 63.75 goes out as 64 exactly at gamma 1; 135.8 at 2.2, through pow.
    if (gamma == 1.0f) EXPECT_EQ(pixel[2], 64);
    else EXPECT_NEAR(pixel[2], std::pow(0.25, 1.0 / gamma) * 255.0, 1.0);
  }
  // The logo lands in the waiting frame, centred at (W - 52, H - 52).
  vlm::Timing().gamma = 1.0f;
  VLM_ShowEngineLogo(1);
  VLM_RenderWorld(-1);
  VLM_FlipBuffers();
  VLM_ShowEngineLogo(0);
  ASSERT_EQ(VLM_SavePresentedFrame(file.c_str()), 1);
  const std::vector<int> logo = presented(kW - 52, kH - 52);
  ASSERT_EQ(logo.size(), 3u);
  EXPECT_GT(logo[0] + logo[1] + logo[2], 0);
  EXPECT_EQ(presented(kW - 8, kH - 8), (std::vector<int>{0, 0, 0}));
  VLM_KeepPresentedFrames(0);
  vlm::Timing().gamma = 1.0f;
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(FrameTest, AWireFrameMaterialDrawsEdgesOnlyAndTheNextMaterialIsFilledAgain) {
  NoGLErrors clean;
  VLM_MESH* ground = VLM_CreatePlaneMesh(-1, 100.0f, 1.0f, "ground");
  VLM_MESH* quad = VLM_CreatePlaneMesh(-1, 4.0f, 1.0f, "quad");
  VLM_MESH* small = VLM_CreatePlaneMesh(-1, 1.0f, 1.0f, "small");
  // In list order: a black ground, the white wire frame, a red filled quad.
  Place(H(ground), H(FlatMaterial(0, 0, 0)), 0.0f, -1.5f, 0.0f);
  VLM_MATERIAL* wire = FlatMaterial(1, 1, 1);
  wire->iWireframe = 1;
  Place(H(quad), H(wire), 0.0f, -1.0f, -6.0f);
  Place(H(small), H(FlatMaterial(1, 0, 0)), 1.5f, -1.0f, -6.0f);

  ClearLitLayer();
  VLM_RenderWorld(-1);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  const frametest::Layer lit = ReadLayer(6);
  // The quad spans x -2..2, z -4..-8 at y = -1. Inside, away from its
  // edges and its diagonal, the black ground shows through.
  const auto [ix, iy] = Project(-1.5, -1.0, -6.0);
  EXPECT_TRUE(Near(lit.At(ix, iy), 0, 0, 0)) << ix << "," << iy;
  // The near and far edges cross the centre column as white lines.
  for (const double z : {-4.0, -8.0}) {
    const auto [ex, ey] = Project(0.0, -1.0, z);
    bool white = false;
    for (int y = ey - 1; y <= ey + 1; ++y) white = white || Near(lit.At(ex, y), 1, 1, 1);
    EXPECT_TRUE(white) << "edge at z " << z;
  }
  // The red quad after it is filled again, in its middle too.
  const auto [rx, ry] = Project(1.5, -1.0, -6.0);
  EXPECT_TRUE(Near(lit.At(rx, ry), 1, 0, 0));
  GLint mode[2] = {};
  vlmgl.glGetIntegerv(GL_POLYGON_MODE, mode);
  EXPECT_EQ(mode[0], GL_FILL);
  EXPECT_EQ(vlm::Render().cache.wireframe, 0);
  EXPECT_EQ(vlmgl.glIsEnabled(GL_CULL_FACE), GL_TRUE);
}

TEST_F(FrameTest, AdditiveBlendingAddsTwoColoursAndTheFactorsComeBack) {
  NoGLErrors clean;
  VLM_MESH* ground = VLM_CreatePlaneMesh(-1, 100.0f, 1.0f, "ground");
  VLM_MESH* quad = VLM_CreatePlaneMesh(-1, 4.0f, 1.0f, "quad");
  Place(H(ground), H(FlatMaterial(0.25f, 0.5f, 0.125f)), 0.0f, -2.0f, 0.0f);
  VLM_MATERIAL* glow = FlatMaterial(0.5f, 0.25f, 0.125f);
  glow->iBlendSource = GL_ONE;
  glow->iBlendDestination = GL_ONE;
  glow->iDepthMask = 0;
  Place(H(quad), H(glow), 0.0f, -1.9f, -6.0f);

  ClearLitLayer();
  VLM_RenderWorld(-1);
  const frametest::Layer lit = ReadLayer(6);
  const auto [bx, by] = Project(0.0, -1.9, -6.0);
  EXPECT_TRUE(Near(lit.At(bx, by), 0.75f, 0.75f, 0.25f));  // both
  const auto [gx, gy] = Project(-3.0, -2.0, -6.0);
  EXPECT_TRUE(Near(lit.At(gx, gy), 0.25f, 0.5f, 0.125f));   // the ground alone
  GLint source = 0, destination = 0;
  vlmgl.glGetIntegerv(GL_BLEND_SRC_RGB, &source);
  vlmgl.glGetIntegerv(GL_BLEND_DST_RGB, &destination);
  EXPECT_EQ(source, GL_SRC_ALPHA);
  EXPECT_EQ(destination, GL_ONE_MINUS_SRC_ALPHA);
  EXPECT_EQ(vlm::Render().cache.blendSource, GL_SRC_ALPHA);
  GLint depthWrites = 0;
  vlmgl.glGetIntegerv(GL_DEPTH_WRITEMASK, &depthWrites);
  EXPECT_EQ(depthWrites, GL_TRUE);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Six faces of one colour each; the sky program looks up (x, y, -z), so the
// view down -z shows the +z face.
TEST_F(FrameTest, TheSkyBoxFillsOnlyWhereNothingWasDrawn) {
  static constexpr uint8_t kFaces[6][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255},
                                           {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
  std::vector<uint8_t> pngs[6];
  const void* images[6];
  size_t sizes[6];
  for (int f = 0; f < 6; ++f) {
    std::vector<uint8_t> rgb(8 * 8 * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = kFaces[f][i % 3];
    pngs[f] = vlm::platform::EncodePng(rgb.data(), 8, 8, 3, 8 * 3);
    images[f] = pngs[f].data();
    sizes[f] = pngs[f].size();
  }
  VLM_TEXTURE* sky = VLM_CatchCubeMapTexture(-1, images, sizes, VLM_DEFAULT, 0, "sky");
  ASSERT_NE(sky, nullptr);
  VLM_MESH* cube = VLM_CreateCubeMesh(-1, 1.0f, 1.0f, 0, "cube");
  Place(H(cube), H(DeferredMaterial()), 1.5f, 0.0f, -5.0f);

  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  EXPECT_EQ(VLM_SkyBox(VLM_GetDefaultResource(VLM_RESOURCE_TEXTURE)), 0);  // a 2D texture
  VLM_OpenLogFile(nullptr, 0, 1);
  EXPECT_NE(vlmtest::LogBody(log).find("Fail: The sky box needs a cube texture!"), std::string::npos);
  NoGLErrors clean;

  ClearLitLayer();
  VLM_RenderWorld(-1);  // no sky by default
  EXPECT_TRUE(Near(ReadLayer(6).At(kW / 2, kH / 2), 0, 0, 0));

  ASSERT_EQ(VLM_SkyBox(H(sky)), 1);
  ClearLitLayer();
  VLM_RenderWorld(-1);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  const frametest::Layer lit = ReadLayer(6);
  EXPECT_TRUE(Near(lit.At(kW / 2, kH / 2), 0, 1, 1));
  EXPECT_TRUE(Near(lit.At(5, 5), 0, 1, 1));
  const auto [cx, cy] = Project(1.5, 0.0, -4.5);  // the cube's front face
  EXPECT_FALSE(Near(lit.At(cx, cy), 0, 1, 1));

  // Released, the texture leaves no sky behind.
  VLM_FreeTexture(H(sky));
  ClearLitLayer();
  VLM_RenderWorld(-1);
  EXPECT_TRUE(Near(ReadLayer(6).At(kW / 2, kH / 2), 0, 0, 0));
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(FrameTest, TheLinePassDrawsTheDebugViewAndQueuedLinesOnce) {
  NoGLErrors clean;
  // A sphere cage of radius 1 at z = -5: its rings are the debug view's.
  VLM_CAGE* ball = VLM_CreateSphereCage(-1, 2.0f, "ball");
  VLM_OBJECT* body = VLM_CreateBody(-1, H(ball), -1, "ball");
  const v4f at{0, 0, -5, 0};
  VLM_BodyPosition(H(body), &at, VLM_TRANSFORM_RELATIVE);
  VLM_UpdatePhysics(1);
  ASSERT_FALSE(vlm::World().debugLines.empty());
  // 0xFF00FF00 reads as (0, 1, 0, 1).
  EXPECT_EQ(VLM_DrawLine3D(-1.0f, 0.1f, -5.0f, 1.0f, 0.1f, -5.0f, 0xFF00FF00u), 1);
  EXPECT_EQ(VLM_DrawLine3D(0, 0, 0, NAN, 0, 0, 0xFFFFFFFFu), 0);

  ClearLitLayer();
  VLM_RenderWorld(-1);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  const frametest::Layer lit = ReadLayer(6);
  const auto [lx, ly] = Project(0.5, 0.1, -5.0);
  bool green = false;
  for (int y = ly - 1; y <= ly + 1; ++y) green = green || Near(lit.At(lx, y), 0, 1, 0);
  EXPECT_TRUE(green);
  // The sphere's rings in 0xC000: (0, 192 / 255, 0).
  int ring = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) ring += Near(lit.At(x, y), 0, 192.0f / 255.0f, 0, 1e-4f);
  EXPECT_GT(ring, 200);
  // Both lists were drawn by this frame and are gone.
  EXPECT_TRUE(vlm::World().debugLines.empty());
  EXPECT_TRUE(vlm::Render().scene.lines.empty());
}

// The lit scene reaches layer 7 by a layer copy where the driver has one,
// else by a clear and program 42, also where the last frame left something
// else in layer 7. The copy is exact; the program's linear filter may lean
// on a neighbouring texel by the rounding of its interpolated coordinate.
TEST_F(FrameTest, TheOutputCopyAndItsFallbackBothPutLayerSixIntoLayerSeven) {
  NoGLErrors clean;
  VLM_MATERIAL* material = DeferredMaterial();
  material->v4fColor = v4f{0.6f, 0.4f, 0.2f, 1.0f};
  VLM_MESH* plane = VLM_CreatePlaneMesh(-1, 100.0f, 1.0f, "floor");
  ASSERT_NE(plane, nullptr);
  Place(H(plane), H(material), 0.0f, -2.0f, 0.0f);
  VLM_BackgroundColour(0xFF666666u);
  VLM_AmbientColour(0xFFFFFFFFu);
  const auto copyImage = vlmgl.glCopyImageSubData;
  std::vector<frametest::Layer> screens;
  for (const bool fallback : {false, true}) {
    SCOPED_TRACE(fallback ? "program 42" : "layer copy");
    if (fallback) vlmgl.glCopyImageSubData = nullptr;
    // Something else in layer 7 first: the output must replace all of it.
    const vlm::render::RenderTargets& t = vlm::render::Targets();
    std::vector<float> stale(static_cast<size_t>(t.width) * static_cast<size_t>(t.height) * 4, 0.75f);
    vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, t.gbufferArray);
    vlmgl.glTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, 0, 7, t.width, t.height, 1, GL_RGBA,
                          GL_FLOAT, stale.data());
    EXPECT_EQ(VLM_RenderWorld(-1), 0);
    vlmgl.glCopyImageSubData = copyImage;
    const frametest::Layer lit = ReadLayer(6);
    screens.push_back(ReadLayer(7));
    const float tolerance = fallback ? 1e-5f : 0.0f;
    size_t differ = 0;
    for (size_t i = 0; i < lit.rgba.size(); ++i)
      if (std::fabs(lit.rgba[i] - screens.back().rgba[i]) > tolerance) ++differ;
    EXPECT_EQ(differ, 0u);
    // Lit floor below the horizon, the background above it.
    EXPECT_NEAR(lit.At(320, 60)[0], 0.6f, 1e-6);
    EXPECT_NEAR(lit.At(320, 400)[2], 0x66 / 255.0f, 1e-6);
  }
  ASSERT_EQ(screens[0].rgba.size(), screens[1].rgba.size());
  for (size_t i = 0; i < screens[0].rgba.size(); ++i)
    ASSERT_NEAR(screens[0].rgba[i], screens[1].rgba[i], 1e-5f) << i;
}

}  // namespace
