// The frame's scene passes seen from outside: what the geometry pass
// writes into the G-buffer, what the counters count, the forward passes'
// state switches and the presented frame with its gamma.
#include <cmath>
#include <string>

#include "core/engine_state.h"
#include "definition/records.h"
#include "frame/frame_fixture.h"
#include "render/gl/gl_table.h"
#include "render/render_state.h"
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

TEST_F(FrameTest, APlaneFillsTheFiveGBufferLayersFromItsMaterial) {
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
// the 2D drawing after it left there.
TEST_F(FrameTest, GammaMapsAGreyInThePresentedFrame) {
  vlmtest::TempDir dir;
  VLM_KeepPresentedFrames(1);
  for (const float gamma : {1.0f, 2.2f}) {
    VLM_RenderWorld(-1);
    // After the frame layer 7 is the draw buffer; a grey fills it as a 2D
    // overlay would.
    vlmgl.glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
    vlmgl.glClear(GL_COLOR_BUFFER_BIT);
    vlm::Timing().gamma = gamma;
    VLM_FlipBuffers();
    const std::string file = dir.File("gamma.png");
    ASSERT_EQ(VLM_SavePresentedFrame(file.c_str()), 1);
    VLM_IMAGE* image = VLM_LoadImage(file.c_str());
    ASSERT_NE(image, nullptr);
    const uint8_t* pixel = VLM_ImagePixels(image) +
                           (static_cast<size_t>(kH / 2) * kW + kW / 2) * VLM_ImageBytesPerPixel(image);
    const double expected = std::pow(0.25, 1.0 / gamma) * 255.0;  // 63.75, then 135.8
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(pixel[c], expected, 1.0) << "gamma " << gamma;
    VLM_FreeImage(image);
  }
  VLM_KeepPresentedFrames(0);
  vlm::Timing().gamma = 1.0f;
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
