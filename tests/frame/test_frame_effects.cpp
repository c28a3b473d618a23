// The frame's effects: linear depth and the glow map, the half-size glow
// blur and its composite, ribbons, billboards and particles. The passes are
// called directly on G-buffer layers filled with known values.
#include <cmath>
#include <cstring>
#include <vector>

#include "core/engine_state.h"
#include "frame/frame_fixture.h"
#include "gpu/gl_table.h"
#include "particles/particle_record.h"
#include "particles/particle_state.h"
#include "render/frame.h"
#include "render/render_state.h"
#include "scene/camera.h"
#include "scene/entity_records.h"
#include "scene/object_record.h"
#include "scene/scene_state.h"

namespace {

using frametest::FrameTest;
using frametest::Layer;
using vlm::render::Targets;

constexpr float kByte = 1.0f / 255.0f;

// A whole G-buffer layer set to one colour, or to the given pixels.
void FillLayer(int layer, const std::vector<float>& rgba) {
  vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, Targets().gbufferArray);
  vlmgl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  vlmgl.glTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, 0, layer, Targets().width, Targets().height, 1,
                        GL_RGBA, GL_FLOAT, rgba.data());
  vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
}
std::vector<float> Solid(float r, float g, float b, float a) {
  std::vector<float> pixels(static_cast<size_t>(Targets().width) * Targets().height * 4);
  for (size_t i = 0; i < pixels.size(); i += 4) {
    pixels[i] = r;
    pixels[i + 1] = g;
    pixels[i + 2] = b;
    pixels[i + 3] = a;
  }
  return pixels;
}
void FillLayer(int layer, float r, float g, float b, float a) { FillLayer(layer, Solid(r, g, b, a)); }

// The depth texture: one value everywhere, or `near` on the left half.
void FillDepth(float left, float right) {
  const int w = Targets().width, h = Targets().height;
  std::vector<float> depth(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) depth[static_cast<size_t>(y) * w + x] = x < w / 2 ? left : right;
  vlmgl.glBindTexture(GL_TEXTURE_2D, Targets().depthTexture);
  vlmgl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  vlmgl.glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
  vlmgl.glBindTexture(GL_TEXTURE_2D, 0);
}

// Both half-size layers, RGBA bytes, layer after layer.
std::vector<uint8_t> HalfLayers() {
  const vlm::render::RenderTargets& t = Targets();
  std::vector<uint8_t> bytes(static_cast<size_t>(t.halfWidth) * t.halfHeight * 4 * 2);
  vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, t.halfArray);
  vlmgl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
  vlmgl.glGetTexImage(GL_TEXTURE_2D_ARRAY, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
  vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
  return bytes;
}

vlm::render::FrameContext ScreenFrame() {
  vlm::render::FrameContext frame;
  frame.target = -1;
  frame.width = Targets().width;
  frame.height = Targets().height;
  frame.view = vlm::Scene().camera.mView;
  frame.projection = vlm::CurrentProjection();
  return frame;
}

// What the output pass leaves for the screen: the forward framebuffer with
// layer 7 as the draw buffer, the scene's depth at the far plane, blending
// and depth test on.
void BeginScreenOutput(float r, float g, float b) {
  FillDepth(1.0f, 1.0f);
  FillLayer(7, r, g, b, 1.0f);
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, Targets().framebuffers[1].framebuffer);
  vlmgl.glDrawBuffer(GL_COLOR_ATTACHMENT1);
  vlmgl.glViewport(0, 0, Targets().width, Targets().height);
  vlmgl.glEnable(GL_BLEND);
  vlmgl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  vlmgl.glEnable(GL_DEPTH_TEST);
}

// Window pixel of a view-space point under the camera's projection.
void ProjectToPixel(float x, float y, float z, float* px, float* py) {
  v4f p{x, y, z, 1.0f};
  VLM_v4fTransform(&p, &vlm::CurrentProjection());
  *px = (p.x / p.w * 0.5f + 0.5f) * static_cast<float>(Targets().width);
  *py = (p.y / p.w * 0.5f + 0.5f) * static_cast<float>(Targets().height);
}

TEST_F(FrameTest, GlowOffLeavesTheGlowMapAndRunsNoBlur) {
  vlm::Render().effects.glowStrength = 0.0f;
  vlm::Render().effects.bloomStrength = 0.0f;
  FillDepth(0.5f, 1.0f);
  FillLayer(2, 1.0f, 1.0f, 1.0f, 1.0f);  // emissive everywhere
  FillLayer(6, 1.0f, 1.0f, 1.0f, 1.0f);  // and bright
  FillLayer(5, 0.125f, 0.25f, 0.375f, 0.5f);
  FillLayer(7, 0.2f, 0.2f, 0.2f, 1.0f);
  const std::vector<uint8_t> halfBefore = HalfLayers();
  const vlm::render::FrameContext frame = ScreenFrame();
  vlm::render::PostInputPass(frame);
  vlm::render::GlowPass(frame);

  const Layer glow = ReadLayer(5), target = ReadLayer(7), depth = ReadLayer(4);
  for (int y : {0, 100, 479})
    for (int x : {0, 320, 639}) {
      EXPECT_EQ(glow.At(x, y)[0], 0.125f);
      EXPECT_EQ(glow.At(x, y)[3], 0.5f);
      EXPECT_EQ(target.At(x, y)[0], 0.2f);
      EXPECT_EQ(target.At(x, y)[3], 1.0f);
    }
  EXPECT_TRUE(HalfLayers() == halfBefore);
  // The linear depth still runs: drawn on the left, far on the right.
  EXPECT_EQ(depth.At(10, 10)[3], 1.0f);
  EXPECT_EQ(depth.At(630, 10)[3], 0.0f);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(FrameTest, GlowMapIsEmissionByAlphaPlusBloomOfTheLitScene) {
  vlm::Render().effects.glowStrength = 1.5f;
  vlm::Render().effects.bloomStrength = 0.5f;
  FillDepth(1.0f, 1.0f);
  FillLayer(2, 0.5f, 0.25f, 0.0f, 0.25f);
  FillLayer(6, 0.9f, 0.0f, 0.0f, 1.0f);
  vlm::render::PostInputPass(ScreenFrame());
  const Layer glow = ReadLayer(5);
  // rgb x 2 x 0.25 x 1.5 = x 0.75; c = 0.9^12 = 0.28243 in red only.
  const float c = std::pow(0.9f, 12.0f);
  const float bloomRed = (0.025f * c + 0.025f * 0.299f * c) * 0.5f;
  const float bloomOther = 0.025f * 0.299f * c * 0.5f;
  const float* p = glow.At(200, 200);
  EXPECT_NEAR(p[0], 0.375f + bloomRed, 1e-5f);
  EXPECT_NEAR(p[1], 0.1875f + bloomOther, 1e-5f);
  EXPECT_NEAR(p[2], bloomOther, 1e-5f);
  EXPECT_EQ(p[3], 0.25f);
}

TEST_F(FrameTest, LinearDepthFollowsTheLinearisationOfAPlaneAtKnownDistance) {
  const VLM_CAMERA& camera = vlm::Scene().camera;
  const double n = camera.fNear, f = camera.fFar;
  // A plane 10 units in front: its window depth under the perspective.
  const double z = 10.0;
  const double d = f * (1.0 - n / z) / (f - n);
  FillDepth(static_cast<float>(d), 1.0f);
  vlm::render::PostInputPass(ScreenFrame());
  const Layer depth = ReadLayer(4);
  // Distance over far, from the depth in device coordinates 2d - 1.
  const double zNdc = 2.0 * d - 1.0;
  const double expected = 2.0 * n / (f + n - zNdc * (f - n));
  EXPECT_NEAR(expected, z / f, 1e-9);
  // The depth texture keeps 24 bits: d is off by up to 2^-24, z by twice that.
  const double denominator = f + n - zNdc * (f - n);
  const double tolerance = 2.0 * n * (f - n) / (denominator * denominator) * 0x1p-23;
  EXPECT_NEAR(depth.At(5, 5)[0], expected, tolerance + 1e-6);
  EXPECT_NEAR(depth.At(300, 400)[0], expected, tolerance + 1e-6);
  EXPECT_EQ(depth.At(300, 400)[1], 1.0f);  // no occlusion
  EXPECT_EQ(depth.At(300, 400)[3], 1.0f);
  // The far plane: d = 1 gives 2n / 2n = 1, not drawn. In 32-bit floats
  // f + n - (f - n) keeps only a few ulps of f against 2n.
  EXPECT_NEAR(depth.At(600, 5)[0], 1.0, 4.0 * 128.0 * 0x1p-24 / (2.0 * n));
  EXPECT_EQ(depth.At(600, 5)[3], 0.0f);
}

// The blur kernel of "PP Blur TA": taps 0, +-1 .. +-5, result x 1.25.
constexpr float kWeights[6] = {0.1750f, 0.1550f, 0.1250f, 0.1000f, 0.0600f, 0.0380f};
float Weight(int k) { return std::abs(k) <= 5 ? kWeights[std::abs(k)] : 0.0f; }

TEST_F(FrameTest, GlowBlurSpreadsOnePixelByTheKernelAtHalfSizeAndTheCompositeAddsIt) {
  const int w = Targets().width, h = Targets().height;
  ASSERT_EQ(Targets().halfWidth * 2, w);
  ASSERT_EQ(Targets().halfHeight * 2, h);
  vlm::Render().effects.glowStrength = 1.0f;
  vlm::Render().effects.bloomStrength = 0.0f;
  vlm::Render().effects.glowBlurWidth = 2.0f;  // one half-size pixel per tap
  // One bright pixel at full-size (2a, 2b) in the glow map, alpha 0 so the
  // composite only adds.
  const int a = 80, b = 60;
  const float value = 16.0f;
  std::vector<float> glow = Solid(0, 0, 0, 0);
  glow[(static_cast<size_t>(2 * b) * w + 2 * a) * 4] = value;
  FillLayer(5, glow);
  FillLayer(7, 0.2f, 0.2f, 0.2f, 1.0f);
  vlm::render::GlowPass(ScreenFrame());
  ASSERT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // Half-size pixel centres fall between four full-size pixels: the bright
  // one counts a quarter. Horizontal: H(i) = 1.25 w(a - i) value / 4 on row
  // b (stored in 8 bits); vertical: V(i, j) = 1.25 w(b - j) H(i).
  auto horizontal = [&](int i) { return std::round(std::min(1.0f, 1.25f * Weight(a - i) * value * 0.25f) * 255.0f) / 255.0f; };
  auto vertical = [&](int i, int j) { return 1.25f * Weight(b - j) * horizontal(i); };
  const std::vector<uint8_t> half = HalfLayers();
  const size_t layerBytes = static_cast<size_t>(Targets().halfWidth) * Targets().halfHeight * 4;
  auto halfRed = [&](int layer, int i, int j) {
    return half[layerBytes * layer + (static_cast<size_t>(j) * Targets().halfWidth + i) * 4] / 255.0f;
  };
  for (int k = -6; k <= 6; ++k) {
    SCOPED_TRACE(k);
    EXPECT_NEAR(halfRed(0, a + k, b), horizontal(a + k), 1.5f * kByte);
    EXPECT_NEAR(halfRed(0, a + k, b + 1), 0.0f, 0.5f * kByte);
    EXPECT_NEAR(halfRed(1, a + k, b), vertical(a + k, b), 2.5f * kByte);
    EXPECT_NEAR(halfRed(1, a, b + k), vertical(a, b + k), 2.5f * kByte);
    EXPECT_NEAR(halfRed(1, a + k, b + k), vertical(a + k, b + k), 2.5f * kByte);
  }
  EXPECT_GT(halfRed(1, a, b), 0.15f);

  // The composite reads the half-size result at full-size pixel centres
  // (bilinear) and adds it (alpha 0) onto layer 7.
  auto halfSample = [&](float u, float v) {
    const float x = u - 0.5f, y = v - 0.5f;
    const int i = static_cast<int>(std::floor(x)), j = static_cast<int>(std::floor(y));
    const float fx = x - i, fy = y - j;
    return (1 - fx) * (1 - fy) * halfRed(1, i, j) + fx * (1 - fy) * halfRed(1, i + 1, j) +
           (1 - fx) * fy * halfRed(1, i, j + 1) + fx * fy * halfRed(1, i + 1, j + 1);
  };
  const Layer target = ReadLayer(7);
  for (int dy = -3; dy <= 3; ++dy)
    for (int dx = -3; dx <= 3; ++dx) {
      const int x = 2 * a + dx, y = 2 * b + dy;
      SCOPED_TRACE(testing::Message() << x << ", " << y);
      const float expected = 0.2f + halfSample((x + 0.5f) * 0.5f, (y + 0.5f) * 0.5f);
      EXPECT_NEAR(target.At(x, y)[0], expected, 1.5f * kByte);
      EXPECT_NEAR(target.At(x, y)[1], 0.2f, 1e-6f);
    }
  EXPECT_NEAR(target.At(10, 10)[0], 0.2f, 1e-6f);
}

TEST_F(FrameTest, GlowOfARenderTargetFrameIsAddedToThatTarget) {
  const int w = Targets().width, h = Targets().height;
  GLuint texture = 0, framebuffer = 0;
  vlmgl.glGenTextures(1, &texture);
  vlmgl.glBindTexture(GL_TEXTURE_2D, texture);
  vlmgl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, w, h, 0, GL_RGBA, GL_FLOAT, nullptr);
  vlmgl.glGenFramebuffers(1, &framebuffer);
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  vlmgl.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  ASSERT_EQ(vlmgl.glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
  vlmgl.glClearColor(0.2f, 0.2f, 0.2f, 1.0f);
  vlmgl.glClear(GL_COLOR_BUFFER_BIT);

  // An even glow of 0.25 (alpha 0): each blur multiplies a constant by
  // 1.25 x (sum of the 11 weights) = 1.41375, rounded to 8 bits in between.
  vlm::Render().effects.glowStrength = 1.0f;
  FillLayer(5, 0.25f, 0.0f, 0.0f, 0.0f);
  FillLayer(7, 0.0f, 0.0f, 0.0f, 1.0f);
  vlm::render::FrameContext frame = ScreenFrame();
  frame.target = static_cast<intptr_t>(framebuffer);
  vlm::render::GlowPass(frame);
  ASSERT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  const float horizontal = std::round(0.25f * 1.41375f * 255.0f) / 255.0f;
  const float expected = 0.2f + std::round(horizontal * 1.41375f * 255.0f) / 255.0f;
  std::vector<float> pixels(static_cast<size_t>(w) * h * 4);
  vlmgl.glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  vlmgl.glReadPixels(0, 0, w, h, GL_RGBA, GL_FLOAT, pixels.data());
  for (int y : {0, 240, 479})
    for (int x : {0, 320, 639}) {
      const float* p = &pixels[(static_cast<size_t>(y) * w + x) * 4];
      EXPECT_NEAR(p[0], expected, 1.5f * kByte) << x << ", " << y;
      EXPECT_NEAR(p[1], 0.2f, 1e-6f);
    }
  // Layer 7 is the screen's: untouched.
  EXPECT_EQ(ReadLayer(7).At(320, 240)[0], 0.0f);
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
  vlmgl.glDeleteFramebuffers(1, &framebuffer);
  vlmgl.glDeleteTextures(1, &texture);
}

TEST_F(FrameTest, RibbonMeshLayoutAndItsAdvanceTowardTheTail) {
  VLM_MATERIAL* material = VLM_CreateMaterial(-1, -1, 18, "trail");
  ASSERT_NE(material, nullptr);
  VLM_RIBBON* ribbon = VLM_CreateRibbon(-1, reinterpret_cast<VLM_HANDLE>(material), 2.0f, 3, "trail");
  ASSERT_NE(ribbon, nullptr);
  const VLM_HANDLE r = reinterpret_cast<VLM_HANDLE>(ribbon);
  VLM_MESH* mesh = VLM_GetRibbonMesh(r);
  ASSERT_NE(mesh, nullptr);
  const VLM_HANDLE m = reinterpret_cast<VLM_HANDLE>(mesh);
  ASSERT_EQ(VLM_GetMeshVertexCount(m), 8);
  ASSERT_EQ(VLM_GetMeshTriangleCount(m), 6);
  const float uv[8][2] = {{0, 0}, {0, 1}, {1.0f / 3, 0}, {1.0f / 3, 1}, {2.0f / 3, 0}, {2.0f / 3, 1}, {1, 0}, {1, 1}};
  for (int i = 0; i < 8; ++i) {
    EXPECT_FLOAT_EQ(VLM_GetMeshVertexTexCoord(m, i)[0], uv[i][0]) << i;
    EXPECT_EQ(VLM_GetMeshVertexTexCoord(m, i)[1], uv[i][1]) << i;
  }
  const int32_t triangles[18] = {0, 1, 2, 1, 3, 2, 2, 3, 4, 3, 5, 4, 4, 5, 6, 5, 7, 6};
  EXPECT_EQ(std::memcmp(VLM_GetMeshIndices(m), triangles, sizeof triangles), 0);
  VLM_OBJECT* object = VLM_GetRibbonObject(r);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->aiRenderSwitch[1], 0);  // casts no shadow
  EXPECT_EQ(object->pMaterial, material);

  // Hung on a node at (1, 2, 3) turned 90 degrees about y: the world x
  // axis is (0, 0, -1), so pair 0 lies at z = 3 +- 1.
  VLM_NODE* node = VLM_CreateNode(-1, "");
  VLM_AttachEntity(node, ribbon, VLM_LINK_FULL);
  const v4f at{1, 2, 3, 1};
  VLM_NodePosition(reinterpret_cast<VLM_HANDLE>(node), &at, 0);
  VLM_NodeRotation(reinterpret_cast<VLM_HANDLE>(node), 0, 90, 0, 0);
  VLM_RibbonDuration(r, 0.3f);  // a step every 0.1 s
  auto pos = [&](int i) -> const v4f& { return VLM_GetMeshVertex(m, i)->v4fPosition; };
  vlm::Timing().elapsedSeconds = 5.0;
  vlm::render::EffectPass(ScreenFrame());
  // The first step lays every pair at the head.
  v4f left0 = pos(0), right0 = pos(1);
  EXPECT_NEAR(left0.x, 1.0f, 1e-5f);
  EXPECT_NEAR(left0.y, 2.0f, 1e-5f);
  EXPECT_NEAR(std::abs(left0.z - right0.z), 2.0f, 1e-5f);
  EXPECT_NEAR(left0.z + right0.z, 6.0f, 1e-5f);
  for (int i = 2; i < 8; ++i) EXPECT_EQ(std::memcmp(&pos(i), &pos(i % 2), sizeof(v4f)), 0) << i;

  // Too early for the next step: nothing moves.
  const v4f moved{1, 2, 7, 1};
  VLM_NodePosition(reinterpret_cast<VLM_HANDLE>(node), &moved, 0);
  vlm::Timing().elapsedSeconds = 5.05;
  vlm::render::EffectPass(ScreenFrame());
  EXPECT_NEAR(pos(0).z + pos(1).z, 6.0f, 1e-5f);
  // One step: pair 0 at the new head, pair 1 where pair 0 was, the rest as
  // they were.
  vlm::Timing().elapsedSeconds = 5.15;
  vlm::render::EffectPass(ScreenFrame());
  EXPECT_NEAR(pos(0).z + pos(1).z, 14.0f, 1e-5f);
  EXPECT_EQ(std::memcmp(&pos(2), &left0, sizeof(v4f)), 0);
  EXPECT_EQ(std::memcmp(&pos(3), &right0, sizeof(v4f)), 0);
  EXPECT_EQ(std::memcmp(&pos(7), &right0, sizeof(v4f)), 0);
  // The box follows the moved vertices.
  v4f centre, extents;
  VLM_GetMeshBox(m, &centre, &extents);
  EXPECT_GE(centre.z + extents.z, 8.0f - 1e-4f);

  // Releasing the node lets the ribbon go; releasing the ribbon takes its
  // mesh and object along.
  VLM_FreeNode(reinterpret_cast<VLM_HANDLE>(node));
  EXPECT_EQ(ribbon->header.pParent, nullptr);
  const int objects = VLM_CountObjects();
  EXPECT_EQ(VLM_FreeRibbon(r), 1);
  EXPECT_EQ(VLM_CountObjects(), objects - 1);
  EXPECT_EQ(VLM_IsMesh(m), nullptr);
  EXPECT_EQ(VLM_GetRibbonMesh(r), nullptr);
}

TEST_F(FrameTest, RibbonAndBillboardRefusals) {
  EXPECT_EQ(VLM_CreateRibbon(-1, -1, 1.0f, 0, ""), nullptr);
  EXPECT_EQ(VLM_CreateRibbon(-1, -1, 1.0f, 65536, ""), nullptr);
  EXPECT_EQ(VLM_CreateRibbon(-1, -1, NAN, 4, ""), nullptr);
  EXPECT_EQ(VLM_CreateRibbon(70000, -1, 1.0f, 4, ""), nullptr);
  VLM_RIBBON* ribbon = VLM_CreateRibbon(5, -1, 1.0f, 4, "");
  ASSERT_NE(ribbon, nullptr);
  EXPECT_EQ(VLM_RibbonDuration(5, 0.0f), 0);
  EXPECT_EQ(VLM_RibbonDuration(5, INFINITY), 0);
  EXPECT_EQ(VLM_RibbonDuration(6, 1.0f), 0);
  // A ribbon whose mesh was released elsewhere is skipped, not read.
  VLM_FreeMesh(reinterpret_cast<VLM_HANDLE>(VLM_GetRibbonMesh(5)));
  vlm::Timing().elapsedSeconds = 10.0;
  vlm::render::EffectPass(ScreenFrame());
  EXPECT_EQ(VLM_FreeRibbon(5), 1);
  EXPECT_EQ(VLM_FreeRibbon(5), 0);

  VLM_MATERIAL* material = VLM_CreateMaterial(-1, -1, 47, "");
  const VLM_HANDLE mh = reinterpret_cast<VLM_HANDLE>(material);
  EXPECT_EQ(VLM_CreateBillboardGroup(-1, 999, 1, 1, 0, ""), nullptr);
  EXPECT_EQ(VLM_CreateBillboardGroup(-1, mh, 0, 1, 0, ""), nullptr);
  EXPECT_EQ(VLM_CreateBillboardGroup(-1, mh, 1, NAN, 0, ""), nullptr);
  EXPECT_EQ(VLM_CreateBillboardGroup(-1, mh, 1, 1, 3, ""), nullptr);
  VLM_BILLBOARD* group = VLM_CreateBillboardGroup(-1, mh, 1, 1, 2, "");
  ASSERT_NE(group, nullptr);
  const VLM_HANDLE g = reinterpret_cast<VLM_HANDLE>(group);
  m4f bad{};
  bad.e[3] = NAN;
  EXPECT_EQ(VLM_AddBillboard(g, nullptr), -1);
  EXPECT_EQ(VLM_AddBillboard(g, &bad), -1);
  EXPECT_EQ(VLM_SetBillboard(g, 0, &bad), 0);
  EXPECT_EQ(VLM_RemoveBillboard(g, 0), 0);
  EXPECT_EQ(VLM_SetBillboardProjection(g, -1), 0);
  EXPECT_EQ(VLM_CountBillboards(g), 0);
  EXPECT_EQ(VLM_CountBillboards(12345), 0);
  EXPECT_EQ(VLM_FreeBillboard(g), 1);
  EXPECT_EQ(VLM_FreeBillboard(g), 0);
}

m4f Translation(float x, float y, float z) {
  return m4f{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
}

TEST_F(FrameTest, BillboardGroupDrawsOneQuadPerBillboardWhereItsMatrixPlacesIt) {
  VLM_MATERIAL* material = VLM_CreateMaterial(-1, -1, 47, "board");
  ASSERT_NE(material, nullptr);
  VLM_BILLBOARD* group = VLM_CreateBillboardGroup(-1, reinterpret_cast<VLM_HANDLE>(material), 1.0f,
                                                  1.0f, VLM_BILLBOARD_FACING, "boards");
  ASSERT_NE(group, nullptr);
  const VLM_HANDLE g = reinterpret_cast<VLM_HANDLE>(group);
  const float xs[3] = {-3.0f, 0.0f, 3.0f};
  for (float x : xs) {
    const m4f at = Translation(x, 0.0f, -10.0f);
    VLM_AddBillboard(g, &at);
  }
  ASSERT_EQ(VLM_RemoveBillboard(g, 1), 1);  // the middle one goes
  ASSERT_EQ(VLM_CountBillboards(g), 2);

  BeginScreenOutput(0.0f, 0.0f, 0.0f);
  vlm::render::EffectPass(ScreenFrame());
  ASSERT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  Layer target = ReadLayer(7);
  float px = 0, py = 0;
  for (float x : {-3.0f, 3.0f}) {
    ProjectToPixel(x, 0.0f, -10.0f, &px, &py);
    SCOPED_TRACE(px);
    EXPECT_GT(target.At(static_cast<int>(px), static_cast<int>(py))[0], 0.9f);
    // Half a unit across: the edge 0.6 units out is empty.
    float ex = 0, ey = 0;
    ProjectToPixel(x + 0.6f, 0.0f, -10.0f, &ex, &ey);
    EXPECT_EQ(target.At(static_cast<int>(ex), static_cast<int>(ey))[0], 0.0f);
  }
  ProjectToPixel(0.0f, 0.0f, -10.0f, &px, &py);
  EXPECT_EQ(target.At(static_cast<int>(px), static_cast<int>(py))[0], 0.0f);

  // Hidden: nothing drawn. Behind the scene's depth: hidden as well.
  VLM_ShowBillboards(g, 0);
  BeginScreenOutput(0.0f, 0.0f, 0.0f);
  vlm::render::EffectPass(ScreenFrame());
  ProjectToPixel(3.0f, 0.0f, -10.0f, &px, &py);
  EXPECT_EQ(ReadLayer(7).At(static_cast<int>(px), static_cast<int>(py))[0], 0.0f);
  VLM_ShowBillboards(g, 1);
  BeginScreenOutput(0.0f, 0.0f, 0.0f);
  FillDepth(0.5f, 0.5f);
  vlm::render::EffectPass(ScreenFrame());
  EXPECT_EQ(ReadLayer(7).At(static_cast<int>(px), static_cast<int>(py))[0], 0.0f);
}

// Drawn pixels (red above one half) on row y of layer 7.
int RowWidth(const Layer& layer, int y) {
  int count = 0;
  for (int x = 0; x < layer.width; ++x) count += layer.At(x, y)[0] > 0.5f ? 1 : 0;
  return count;
}

TEST_F(FrameTest, BillboardProjectionModesTurnWithTheViewOnlyWhenPlaced) {
  // The camera turned 40 degrees about y; one unturned billboard 10 units
  // straight ahead of it.
  VLM_CameraRotation(0.0f, 40.0f, 0.0f, 0);
  VLM_UpdateCamera();
  const m4f view = vlm::Scene().camera.mView;
  m4f world;
  ASSERT_NE(VLM_m4fInverse(&world, &view), nullptr);
  v4f ahead{0.0f, 0.0f, -10.0f, 1.0f};
  VLM_v4fTransform(&ahead, &world);
  VLM_MATERIAL* material = VLM_CreateMaterial(-1, -1, 47, "");
  VLM_BILLBOARD* group = VLM_CreateBillboardGroup(-1, reinterpret_cast<VLM_HANDLE>(material), 2.0f,
                                                  1.0f, VLM_BILLBOARD_PLACED, "");
  ASSERT_NE(group, nullptr);
  const VLM_HANDLE g = reinterpret_cast<VLM_HANDLE>(group);
  const m4f at = Translation(ahead.x, ahead.y, ahead.z);
  VLM_AddBillboard(g, &at);

  // Facing the camera, the quad spans 2 units across at distance 10.
  float left = 0, right = 0, y = 0;
  ProjectToPixel(-1.0f, 0.0f, -10.0f, &left, &y);
  ProjectToPixel(1.0f, 0.0f, -10.0f, &right, &y);
  const int facingWidth = static_cast<int>(std::lround(right - left));
  ASSERT_GT(facingWidth, 40);
  // Placed, it lies in the world's x axis, seen 40 degrees off: its ends
  // are (+-1, 0, 0) from its centre in world space.
  v4f ends[2] = {{ahead.x - 1.0f, ahead.y, ahead.z, 1.0f}, {ahead.x + 1.0f, ahead.y, ahead.z, 1.0f}};
  float endPixels[2] = {};
  for (int i = 0; i < 2; ++i) {
    VLM_v4fTransform(&ends[i], &view);
    ProjectToPixel(ends[i].x, ends[i].y, ends[i].z, &endPixels[i], &y);
  }
  const int placedWidth = static_cast<int>(std::lround(std::abs(endPixels[1] - endPixels[0])));
  ASSERT_LT(placedWidth, facingWidth - 10);

  const int row = static_cast<int>(y);
  const int expected[3] = {placedWidth, facingWidth, facingWidth};
  for (int mode = VLM_BILLBOARD_PLACED; mode <= VLM_BILLBOARD_FACING; ++mode) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(VLM_SetBillboardProjection(g, mode), 1);
    BeginScreenOutput(0.0f, 0.0f, 0.0f);
    vlm::render::EffectPass(ScreenFrame());
    EXPECT_NEAR(RowWidth(ReadLayer(7), row), expected[mode], 2);
  }
}

TEST_F(FrameTest, ParticleEmitterIsDrawnInsideTheFrame) {
  ASSERT_NE(vlm::Render().hooks.drawParticles, nullptr);
  VLM_PARTICLE_EMITTER* emitter = VLM_CreateParticleEmitter(-1, -1, "");
  ASSERT_NE(emitter, nullptr);
  const VLM_HANDLE e = reinterpret_cast<VLM_HANDLE>(emitter);
  VLM_SetParticleEmissionRate(e, 0.0f);
  VLM_SetParticleRange(e, VLM_PARTICLE_FORCE, 0.0f, 0.0f);
  VLM_SetParticleRange(e, VLM_PARTICLE_LIFETIME, 1e6f, 1e6f);
  VLM_SetParticleRange(e, VLM_PARTICLE_SIZE, 1.0f, 1.0f);
  VLM_SetParticleColor(e, 1.0f, 0.0f, 0.0f, 1.0f);
  VLM_EmitParticles(e, 1, 2.0f, 0.0f, -10.0f);
  vlm::particles::UpdateEmitters(vlm::particles::NowMilliseconds(), 0.0f, vlm::Scene().camera.mView);
  ASSERT_EQ(emitter->iDrawn, 1);

  // A whole frame: the emitter is drawn by the effect pass onto layer 7.
  vlm::Render().effects.glowStrength = 0.0f;
  vlm::Render().effects.bloomStrength = 0.0f;
  ASSERT_EQ(VLM_RenderWorld(-1), 0);
  ASSERT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  const Layer target = ReadLayer(7);
  float px = 0, py = 0, ex = 0, ey = 0;
  ProjectToPixel(2.0f, 0.0f, -10.0f, &px, &py);
  const float* centre = target.At(static_cast<int>(px), static_cast<int>(py));
  ProjectToPixel(-2.0f, 0.0f, -10.0f, &ex, &ey);
  const float* empty = target.At(static_cast<int>(ex), static_cast<int>(ey));
  EXPECT_GT(centre[0], empty[0] + 0.25f);  // red where the particle is
  EXPECT_NEAR(centre[1], empty[1], 0.01f);
  // Particles write no depth: the scene's depth is still the far plane.
  float depth = 0.0f;
  vlmgl.glBindFramebuffer(GL_READ_FRAMEBUFFER, Targets().framebuffers[1].framebuffer);
  vlmgl.glReadPixels(static_cast<int>(px), static_cast<int>(py), 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  EXPECT_EQ(depth, 1.0f);
}

}  // namespace
