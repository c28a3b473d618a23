// The shadow and light passes against the light programs' formulas: the
// G-buffer is written with known surfaces, the passes run, and the lit
// scene (layer 6) is compared with the value worked out here.
#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "definition/texture_material_records.h"
#include "frame/frame_fixture.h"
#include "gpu/gl_table.h"
#include "platform/image.h"
#include "render/frame.h"
#include "render/render_state.h"
#include "scene/light.h"
#include "scene/object_record.h"
#include "scene/scene_state.h"

namespace {

using frametest::FrameTest;
using frametest::Layer;

// llvmpipe's pow, normalize and acos on 32-bit floats.
constexpr float kTolerance = 2e-4f;

struct V3 {
  float x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float Length(V3 a) { return std::sqrt(Dot(a, a)); }
V3 Unit(V3 a) { return a * (1.0f / Length(a)); }
V3 Reflect(V3 i, V3 n) { return i - n * (2.0f * Dot(n, i)); }

// One surface as the geometry pass leaves it in layers 0-4 (view space).
struct Surface {
  V3 position{0, 0, 0};
  float scattering = 0.0f;
  V3 normal{0, 0, 1};
  float hardness = 1.0f;
  V3 diffuse{0, 0, 0};
  float emission = 0.0f;
  V3 specular{0, 0, 0};
  float specularIntensity = 0.0f;
  bool drawn = true;
};

// The shared N.L with the scattering rule and the specular term.
float Diffuse(const Surface& s, V3 toLight) {
  float d = Dot(Unit(s.normal), Unit(toLight));
  if (d < s.scattering) d = s.scattering * (1.0f - d);
  return d;
}
float Specular(const Surface& s, V3 toLight) {
  const float r = Dot(Reflect(Unit(toLight), Unit(s.normal)), Unit(s.position));
  return std::pow(std::max(0.0f, r), s.hardness) * s.specularIntensity;
}
V3 Lit(const Surface& s, V3 toLight, V3 colour, float scale) {
  const float d = Diffuse(s, toLight), sp = Specular(s, toLight);
  return {(s.diffuse.x * d + s.specular.x * sp) * colour.x * scale,
          (s.diffuse.y * d + s.specular.y * sp) * colour.y * scale,
          (s.diffuse.z * d + s.specular.z * sp) * colour.z * scale};
}

class FrameLightsTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    if (IsSkipped()) return;
    width_ = vlm::render::Targets().width;
    height_ = vlm::render::Targets().height;
    frame_.target = -1;
    frame_.width = width_;
    frame_.height = height_;
    frame_.view = Identity();
    frame_.projection = vlm::CurrentProjection();
    frame_.culling = true;
    vlm::LightingState& lighting = vlm::Render().lighting;
    lighting.ambientColour = {0, 0, 0, 1};
    lighting.backgroundColour = {0, 0, 0, 0};
    lighting.directLightOn = 0;
    lighting.shadowsOn = 0;
  }

  static m4f Identity() { return m4f{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}; }

  // Layers 0-4 from the surface at each pixel (x, y from the bottom left),
  // and the depth a drawn surface leaves: below the cleared 1 where drawn.
  void WriteGBuffer(const std::function<Surface(int x, int y)>& at) {
    std::vector<std::vector<float>> layers(5, std::vector<float>(static_cast<size_t>(width_) * height_ * 4));
    std::vector<float> depth(static_cast<size_t>(width_) * height_);
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        const Surface s = at(x, y);
        depth[static_cast<size_t>(y) * width_ + x] = s.drawn ? 0.5f : 1.0f;
        const float values[5][4] = {{s.position.x, s.position.y, s.position.z, s.scattering},
                                    {s.normal.x, s.normal.y, s.normal.z, s.hardness},
                                    {s.diffuse.x, s.diffuse.y, s.diffuse.z, s.emission},
                                    {s.specular.x, s.specular.y, s.specular.z, s.specularIntensity},
                                    {-s.position.z, 1.0f, 0.0f, s.drawn ? 1.0f : 0.0f}};
        const size_t i = (static_cast<size_t>(y) * width_ + x) * 4;
        for (int layer = 0; layer < 5; ++layer) std::copy(values[layer], values[layer] + 4, &layers[layer][i]);
      }
    vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, vlm::render::Targets().gbufferArray);
    for (int layer = 0; layer < 5; ++layer)
      vlmgl.glTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, 0, layer, width_, height_, 1, GL_RGBA, GL_FLOAT,
                            layers[static_cast<size_t>(layer)].data());
    vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
    vlmgl.glBindTexture(GL_TEXTURE_2D, vlm::render::Targets().depthTexture);
    vlmgl.glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width_, height_, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    vlmgl.glBindTexture(GL_TEXTURE_2D, 0);
  }

  void RunLightPasses() {
    vlm::render::DirectionalShadowPass(frame_);
    vlm::render::BeginLightPasses(frame_);
    vlm::render::DirectLightPass(frame_);
    vlm::render::PointAndSpotLightPass(frame_);
    EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }

  static void ExpectPixel(const Layer& layer, int x, int y, V3 expected, float tolerance = kTolerance) {
    const float* p = layer.At(x, y);
    const float scale = std::max({1.0f, std::fabs(expected.x), std::fabs(expected.y), std::fabs(expected.z)});
    EXPECT_NEAR(p[0], expected.x, tolerance * scale) << "red at " << x << ", " << y;
    EXPECT_NEAR(p[1], expected.y, tolerance * scale) << "green at " << x << ", " << y;
    EXPECT_NEAR(p[2], expected.z, tolerance * scale) << "blue at " << x << ", " << y;
  }

  int width_ = 0, height_ = 0;
  vlm::render::FrameContext frame_;
};

// (a) The direct light over four kinds of surface, one per quarter of the
// screen: lit face on with a highlight, turned away with scattering, a
// grazing face under a high scattering threshold, and no geometry at all.
TEST_F(FrameLightsTest, DirectLightFollowsAmbientEmissionScatteringAndSpecular) {
  vlm::LightingState& lighting = vlm::Render().lighting;
  lighting.ambientColour = {0.1f, 0.2f, 0.3f, 1.0f};
  lighting.backgroundColour = {0.05f, 0.06f, 0.07f, 1.0f};
  lighting.directLightOn = 1;
  lighting.directLightDirection = {0.3f, -1.0f, -0.5f, 0.0f};  // travels down, away from the camera
  lighting.directLightColour = {1.0f, 0.8f, 0.6f, 1.0f};
  lighting.directLightIntensity = 1.5f;
  // The camera turned 30 degrees about y: the light reaches the program in view space.
  const float c = std::cos(0.5236f), s = std::sin(0.5236f);
  frame_.view = m4f{{c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1}};
  const V3 worldDirection = Unit({0.3f, -1.0f, -0.5f});
  // Row vector times the view's rotation.
  const V3 direction{worldDirection.x * c + worldDirection.z * s, worldDirection.y,
                     -worldDirection.x * s + worldDirection.z * c};
  const V3 toLight = direction * -1.0f;

  Surface faceOn{{0.5f, -1.0f, -4.0f}, 0.0f, {0.0f, 1.0f, 0.0f}, 8.0f, {0.6f, 0.5f, 0.4f}, 0.25f,
                 {0.9f, 0.9f, 1.0f}, 0.7f};
  faceOn.normal = Unit(toLight + Unit(faceOn.position * -1.0f));  // halfway: a full highlight
  Surface away{{-1.0f, 0.5f, -6.0f}, 0.3f, toLight * -1.0f, 4.0f, {0.2f, 0.7f, 0.3f}, 0.0f,
               {1.0f, 1.0f, 1.0f}, 0.5f};
  Surface grazing{{1.0f, 1.0f, -5.0f}, 0.9f, Unit({0.0f, 0.0f, 1.0f}), 2.0f, {0.5f, 0.5f, 0.5f}, 0.1f,
                  {0.0f, 0.0f, 0.0f}, 0.0f};
  Surface empty = faceOn;
  empty.drawn = false;
  const int w = width_, h = height_;
  WriteGBuffer([&](int x, int y) {
    if (y < h / 2) return x < w / 2 ? faceOn : away;
    return x < w / 2 ? grazing : empty;
  });
  RunLightPasses();
  const Layer lit = ReadLayer(6);

  const V3 ambient{0.1f, 0.2f, 0.3f}, colour{1.0f, 0.8f, 0.6f};
  const auto expected = [&](const Surface& surface) {
    const V3 base{surface.diffuse.x * (ambient.x + surface.emission),
                  surface.diffuse.y * (ambient.y + surface.emission),
                  surface.diffuse.z * (ambient.z + surface.emission)};
    return base + Lit(surface, toLight, colour, 1.5f);
  };
  // Worked by hand for the face-on surface: N.L and the highlight are both
  // well above 0, so neither rule can hide a wrong sign.
  ASSERT_GT(Diffuse(faceOn, toLight), 0.5f);
  ASSERT_GT(Specular(faceOn, toLight), 0.6f);
  ASSERT_NEAR(Diffuse(away, toLight), 0.6f, 1e-5f);  // 0.3 x (1 - (-1))
  for (const auto& [x, y] : {std::pair{w / 4, h / 4}, std::pair{w / 8, h / 3}}) ExpectPixel(lit, x, y, expected(faceOn));
  ExpectPixel(lit, 3 * w / 4, h / 4, expected(away));
  ExpectPixel(lit, w / 4, 3 * h / 4, expected(grazing));
  // Nothing drawn: the background colour the pass cleared to.
  const float* background = lit.At(3 * w / 4, 3 * h / 4);
  EXPECT_FLOAT_EQ(background[0], 0.05f);
  EXPECT_FLOAT_EQ(background[2], 0.07f);
  EXPECT_FLOAT_EQ(background[3], 1.0f);
}

// With the direct light off the pass adds ambient and emission alone, even
// on a surface that a light along the view axis would light and highlight;
// the light passes then leave the depth test as the later passes expect it.
TEST_F(FrameLightsTest, UnlitDirectPassGivesAmbientAndEmissionAndRestoresDepthState) {
  vlm::LightingState& lighting = vlm::Render().lighting;
  lighting.ambientColour = {0.1f, 0.2f, 0.3f, 1.0f};
  lighting.backgroundColour = {0.05f, 0.06f, 0.07f, 1.0f};
  lighting.directLightDirection = {0.0f, 0.0f, -1.0f, 0.0f};
  const Surface surface{{0.0f, 0.0f, -4.0f}, 0.0f, {0.0f, 0.0f, 1.0f}, 4.0f, {0.6f, 0.5f, 0.4f}, 0.25f,
                        {1.0f, 1.0f, 1.0f}, 1.0f};
  Surface empty = surface;
  empty.drawn = false;
  const int w = width_;
  WriteGBuffer([&](int x, int) { return x < w / 2 ? surface : empty; });
  RunLightPasses();
  const Layer lit = ReadLayer(6);
  // 0.6 x (0.1 + 0.25), 0.5 x (0.2 + 0.25), 0.4 x (0.3 + 0.25)
  ExpectPixel(lit, w / 4, height_ / 2, {0.21f, 0.225f, 0.22f});
  ExpectPixel(lit, 3 * w / 4, height_ / 2, {0.05f, 0.06f, 0.07f});
  GLint function = 0;
  GLfloat range[2] = {-1.0f, -1.0f};
  vlmgl.glGetIntegerv(GL_DEPTH_FUNC, &function);
  vlmgl.glGetFloatv(GL_DEPTH_RANGE, range);
  EXPECT_EQ(function, GL_LEQUAL);
  EXPECT_EQ(range[0], 0.0f);
  EXPECT_EQ(range[1], 1.0f);
  EXPECT_FALSE(vlmgl.glIsEnabled(GL_DEPTH_TEST));
  // The same surface lit head on: the light is what the unlit copy leaves out.
  lighting.directLightOn = 1;
  RunLightPasses();
  EXPECT_GT(ReadLayer(6).At(w / 4, height_ / 2)[0], 0.21f + 0.5f);
}

// A point light of range R fades linearly to nothing at 0.982 R, where its
// shadow cube ends too. Surfaces facing the light at 1/4, 1/2 and 3/4 of
// that distance, and one beyond it, in four strips across the middle of the
// screen. 800 lights of 1/800 the intensity, which take two instanced draws
// (768 + 32), add up to the same picture.
TEST_F(FrameLightsTest, PointLightFadesLinearlyOverItsRange) {
  const V3 light{0.0f, 0.0f, -40.0f};  // far enough to cover only the middle of the screen
  const float range = 8.0f, reach = range * 0.982f;
  const V3 diffuse{0.8f, 0.6f, 0.4f}, colour{1.0f, 0.5f, 0.25f};
  const V3 directions[4] = {Unit({1, 0, 0}), Unit({0, 1, 1}), Unit({-1, -1, 0}), Unit({0, 0, 1})};
  const float fractions[4] = {0.25f, 0.5f, 0.75f, 1.05f};
  Surface strips[4];
  for (int i = 0; i < 4; ++i) {
    strips[i].position = light + directions[i] * (fractions[i] * reach);
    strips[i].normal = directions[i] * -1.0f;  // facing the light: N.L = 1
    strips[i].diffuse = diffuse;
  }
  const int w = width_, h = height_;
  WriteGBuffer([&](int x, int y) {
    Surface s = strips[std::clamp((x - (w / 2 - 80)) / 40, 0, 3)];
    s.drawn = std::abs(y - h / 2) < 20 && std::abs(x - w / 2) < 80;
    return s;
  });

  for (const int count : {1, 800}) {
    SCOPED_TRACE(count);
    std::vector<VLM_HANDLE> lights;
    for (int i = 0; i < count; ++i) {
      const VLM_HANDLE handle = VLM_CreateLight(-1, light.x, light.y, light.z, VLM_LIGHT_POINT);
      ASSERT_NE(handle, 0);
      VLM_LightRange(handle, range);
      VLM_LightIntensity(handle, 2.0f / static_cast<float>(count));
      VLM_IsLight(handle)->v4fColour = {colour.x, colour.y, colour.z, 1.0f};
      lights.push_back(handle);
    }
    RunLightPasses();
    EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_LIGHTS), count);
    const Layer lit = ReadLayer(6);
    for (int i = 0; i < 4; ++i) {
      const float a = std::max(0.0f, 1.0f - fractions[i]);
      ExpectPixel(lit, w / 2 - 60 + 40 * i, h / 2, {diffuse.x * colour.x * 2 * a, diffuse.y * colour.y * 2 * a,
                                                     diffuse.z * colour.z * 2 * a});
    }
    ExpectPixel(lit, w / 2 - 60, h / 2, {0.8f * 1.0f * 2 * 0.75f, 0.6f * 0.5f * 2 * 0.75f, 0.4f * 0.25f * 2 * 0.75f});
    for (const VLM_HANDLE handle : lights) VLM_FreeLight(handle);
  }
}

// A spot light 5 units above a floor, pointing down (its local -y) with the
// cone factor 2: the light fades with the angle off its axis and is gone
// 0.5 radians out.
TEST_F(FrameLightsTest, SpotLightEndsAtItsConeEdge) {
  const V3 spot{0.0f, 5.0f, -10.0f};
  const float range = 20.0f, reach = range * 0.982f;
  const float angles[4] = {0.2f, 0.45f, 0.49f, 0.55f};
  Surface strips[4];
  for (int i = 0; i < 4; ++i) {
    strips[i].position = {5.0f * std::tan(angles[i]), 0.0f, -10.0f};
    strips[i].normal = {0.0f, 1.0f, 0.0f};
    strips[i].diffuse = {0.5f, 0.7f, 0.9f};
    strips[i].specular = {1.0f, 1.0f, 1.0f};
    strips[i].specularIntensity = 0.5f;
    strips[i].hardness = 2.0f;
  }
  const int w = width_, h = height_;
  WriteGBuffer([&](int x, int) { return strips[std::clamp(x * 4 / w, 0, 3)]; });
  const VLM_HANDLE handle = VLM_CreateLight(-1, spot.x, spot.y, spot.z, VLM_LIGHT_SPOT);
  VLM_LightRange(handle, range);
  ASSERT_FLOAT_EQ(VLM_IsLight(handle)->afSpot[1], 2.0f);
  RunLightPasses();
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_LIGHTS), 1);
  const Layer lit = ReadLayer(6);
  for (int i = 0; i < 4; ++i) {
    const V3 toLight = spot - strips[i].position;
    const float a = (1.0f - Length(toLight) / reach) * std::max(0.0f, 1.0f - angles[i] * 2.0f);
    ExpectPixel(lit, w / 8 + i * w / 4, h / 2, Lit(strips[i], toLight, {1, 1, 1}, a));
  }
  EXPECT_GT(lit.At(w / 8 + 2 * w / 4, h / 2)[0], 0.001f);  // just inside the edge
  EXPECT_EQ(lit.At(w / 8 + 3 * w / 4, h / 2)[0], 0.0f);    // just outside
}

// A box in render list 0 that casts shadows; its material program 22.
VLM_OBJECT* MakeBox(float x, float y, float z) {
  VLM_MESH* mesh = VLM_CreateCubeMesh(-1, 1.0f, 1.0f, 0, "box");
  VLM_MATERIAL* material = VLM_CreateMaterial(-1, -1, 22, "box");
  if (!mesh || !material) return nullptr;
  VLM_OBJECT* box = VLM_CreateObject(-1, reinterpret_cast<VLM_HANDLE>(mesh),
                                     reinterpret_cast<VLM_HANDLE>(material), 1, "box");
  const v4f position{x, y, z, 1.0f};
  if (box) VLM_ObjectPosition(reinterpret_cast<VLM_HANDLE>(box), &position, 0);
  return box;
}

// A 40 x 40 floor at height y in render list 0, program 20; its material.
VLM_MATERIAL* MakeFloor(float y) {
  VLM_MESH* plane = VLM_CreatePlaneMesh(-1, 40.0f, 1.0f, "floor");
  VLM_MATERIAL* material = VLM_CreateMaterial(-1, -1, 20, "floor");
  if (!plane || !material) return nullptr;
  VLM_OBJECT* floor =
      VLM_CreateObject(-1, reinterpret_cast<VLM_HANDLE>(plane), reinterpret_cast<VLM_HANDLE>(material), 1, "");
  const v4f at{0.0f, y, 0.0f, 1.0f};
  VLM_ObjectPosition(reinterpret_cast<VLM_HANDLE>(floor), &at, 0);
  return material;
}

GLint DirectLightState() {
  const vlm::render::LightProgram& direct = vlm::render::Targets().direct;
  GLint state = -1;
  vlmgl.glGetUniformiv(direct.program, direct.locations[vlm::render::kDirectLightState], &state);
  return state;
}

float ShadowMapDepth(int x, int y) {
  float depth = -1.0f;
  vlmgl.glBindFramebuffer(GL_READ_FRAMEBUFFER, vlm::render::Targets().shadowFramebuffer);
  vlmgl.glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  vlmgl.glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  return depth;
}

// With shadows off an enabled direct light that casts shadows is drawn
// unshadowed (iLightState 1), the shadow map is not touched and no shadow
// object is counted; with shadows on the map holds the box under the
// camera and the state is 5. Switched off, the direct light is state 0.
TEST_F(FrameLightsTest, DirectShadowRunsOnlyWithShadowsOn) {
  ASSERT_NE(MakeBox(0.0f, 0.0f, 0.0f), nullptr);
  const vlm::render::RenderTargets& t = vlm::render::Targets();
  ASSERT_NE(t.shadowFramebuffer, 0u);
  // A mark in the middle of the map that only a shadow pass would clear.
  const std::vector<float> mark(64, 0.25f);
  vlmgl.glBindTexture(GL_TEXTURE_2D, t.shadowMap);
  vlmgl.glTexSubImage2D(GL_TEXTURE_2D, 0, t.shadowSize / 2 - 4, t.shadowSize / 2 - 4, 8, 8, GL_DEPTH_COMPONENT,
                        GL_FLOAT, mark.data());
  vlmgl.glBindTexture(GL_TEXTURE_2D, 0);
  vlm::LightingState& lighting = vlm::Render().lighting;
  lighting.directLightOn = 1;
  lighting.directLightShadows = 1;
  WriteGBuffer([](int, int) { return Surface{{0, -1, -5}, 0, {0, 1, 0}, 1, {1, 1, 1}}; });

  RunLightPasses();
  EXPECT_EQ(DirectLightState(), 1);
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_SHADOW_OBJECTS), 0);
  EXPECT_FLOAT_EQ(ShadowMapDepth(t.shadowSize / 2, t.shadowSize / 2), 0.25f);

  lighting.shadowsOn = 1;
  RunLightPasses();
  EXPECT_EQ(DirectLightState(), 5);
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_SHADOW_OBJECTS), 0);  // the directional map counts nothing
  // The box's top 0.5 above the camera, seen from 2048 units up a 4096-deep box.
  EXPECT_NEAR(ShadowMapDepth(t.shadowSize / 2, t.shadowSize / 2), (2048.0f - 0.5f - 0.01f) / (4096.0f - 0.01f), 1e-3f);
  EXPECT_FLOAT_EQ(ShadowMapDepth(2, 2), 1.0f);

  lighting.directLightOn = 0;
  RunLightPasses();
  EXPECT_EQ(DirectLightState(), 0);
}

// Enabled lights whose range reaches the frustum are counted; a light
// behind the camera only with culling off; a disabled light or one of
// range 0 never.
TEST_F(FrameLightsTest, RenderedLightsCountsWhatTheFrustumCanSee) {
  // The surface lies at the first light itself: no direction to the light,
  // which must not turn into a NaN in the lit scene.
  WriteGBuffer([](int, int) { return Surface{{0, 0, -10}, 0, {0, 0, 1}, 1, {1, 1, 1}}; });
  const VLM_HANDLE ahead = VLM_CreateLight(-1, 0.0f, 0.0f, -10.0f, VLM_LIGHT_POINT);
  const VLM_HANDLE behind = VLM_CreateLight(-1, 0.0f, 0.0f, 50.0f, VLM_LIGHT_POINT);
  const VLM_HANDLE offside = VLM_CreateLight(-1, 30.0f, 0.0f, -10.0f, VLM_LIGHT_SPOT);
  const VLM_HANDLE off = VLM_CreateLight(-1, 0.0f, 0.0f, -10.0f, VLM_LIGHT_POINT);
  for (const VLM_HANDLE light : {ahead, behind, offside, off}) VLM_LightRange(light, 8.0f);
  VLM_LightRange(offside, 28.0f);  // its sphere reaches across the left... right plane
  VLM_IsLight(off)->iEnabled = 0;
  // Range 0 on the surface itself: it reaches nothing and must not divide by 0.
  const VLM_HANDLE point = VLM_CreateLight(-1, 0.0f, 0.0f, -10.0f, VLM_LIGHT_POINT);
  VLM_LightRange(point, 0.0f);
  RunLightPasses();
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_LIGHTS), 2);
  frame_.culling = false;
  RunLightPasses();
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_LIGHTS), 3);
  // Lit face on, at full strength, by the one light that reaches it.
  ExpectPixel(ReadLayer(6), width_ / 2, height_ / 2, {1, 1, 1});
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_SHADOW_OBJECTS), 0);
}

// Whether the segment from p to q passes through the box of half extent
// `half` around `centre` (slab test).
bool SegmentHitsBox(V3 p, V3 q, V3 centre, float half) {
  float enter = 0.0f, leave = 1.0f;
  const float from[3] = {p.x - centre.x, p.y - centre.y, p.z - centre.z};
  const float along[3] = {q.x - p.x, q.y - p.y, q.z - p.z};
  for (int axis = 0; axis < 3; ++axis) {
    if (std::fabs(along[axis]) < 1e-9f) {
      if (std::fabs(from[axis]) > half) return false;
      continue;
    }
    float t0 = (-half - from[axis]) / along[axis], t1 = (half - from[axis]) / along[axis];
    if (t0 > t1) std::swap(t0, t1);
    enter = std::max(enter, t0);
    leave = std::min(leave, t1);
    if (enter > leave) return false;
  }
  return true;
}

// A point light 4 units above a floor with a unit box hanging between them
// (1.0 above the floor, off to one side so a mirrored lookup shows): the six cube faces see the box, and the floor goes
// dark exactly where the box stands between it and the light. Every floor
// pixel more than 0.04 units inside or outside that region is checked.
// A floor at y = 0 as the geometry pass would leave it for a camera at
// `eye` looking at the origin: each pixel's floor point within 6 units of
// the origin, in view space, with a little highlight.
class FloorTest : public FrameLightsTest {
 protected:
  void LookFrom(V3 eye) {
    eye_ = eye;
    frame_.view = vlm::render::LookAt({eye.x, eye.y, eye.z, 1}, {0, 0, 0, 1}, {0, 1, 0, 0});
    forward_ = Unit(eye * -1.0f);
    side_ = Unit({-forward_.z, 0.0f, forward_.x});  // forward x (0, 1, 0)
    up_ = {side_.y * forward_.z - side_.z * forward_.y, side_.z * forward_.x - side_.x * forward_.z,
           side_.x * forward_.y - side_.y * forward_.x};
    WriteGBuffer([&](int x, int y) {
      V3 p{0, 0, 0};
      Surface s = FloorSurface(p);
      s.drawn = FloorAt(x, y, &p);
      return s.drawn ? FloorSurface(p) : s;
    });
  }
  V3 ToView(V3 v) const { return {Dot(v, side_), Dot(v, up_), -Dot(v, forward_)}; }
  // The pixel that shows floor point p.
  void PixelOf(V3 p, int* x, int* y) const {
    const V3 v = ToView(p - eye_);
    *x = static_cast<int>(std::lround((v.x * frame_.projection.e[0] / -v.z + 1.0f) * 0.5f * width_ - 0.5f));
    *y = static_cast<int>(std::lround((v.y * frame_.projection.e[5] / -v.z + 1.0f) * 0.5f * height_ - 0.5f));
  }
  bool FloorAt(int x, int y, V3* point) const {
    const float p00 = frame_.projection.e[0], p11 = frame_.projection.e[5];
    const float a = ((x + 0.5f) / width_ * 2.0f - 1.0f) / p00, b = ((y + 0.5f) / height_ * 2.0f - 1.0f) / p11;
    const V3 ray = side_ * a + up_ * b + forward_;
    if (ray.y >= 0.0f) return false;
    *point = eye_ + ray * (-eye_.y / ray.y);
    return std::fabs(point->x) < 6.0f && std::fabs(point->z) < 6.0f;
  }
  Surface FloorSurface(V3 p) const {
    Surface s{ToView(p - eye_), 0.0f, ToView({0, 1, 0}), 4.0f, {0.7f, 0.6f, 0.5f}};
    s.specular = {1.0f, 1.0f, 1.0f};
    s.specularIntensity = 0.3f;
    return s;
  }
  // The lit colour a point light of `reach` gives the floor at p.
  V3 FloorLit(V3 p, V3 light, float reach, float intensity) const {
    const float a = std::max(0.0f, 1.0f - Length(light - p) / reach);
    return Lit(FloorSurface(p), ToView(light - p), {1, 1, 1}, intensity * a);
  }

  // A light of `type` at `at` that casts shadows, range 20, intensity 1.5,
  // with shadows switched on, and a unit box at `box` in render list 0.
  static VLM_HANDLE ShadowedLightAndBox(V3 at, int type, V3 box) {
    EXPECT_NE(MakeBox(box.x, box.y, box.z), nullptr);
    const VLM_HANDLE light = VLM_CreateLight(-1, at.x, at.y, at.z, type);
    VLM_LightRange(light, 20.0f);
    VLM_LightIntensity(light, 1.5f);
    VLM_LightShadow(light, 1, 0);
    VLM_Shadows(1);
    return light;
  }

  // The floor pixels on either side of the shadow a unit box casts from
  // `light`: more than 0.04 units inside the region it hides, black; more
  // than 0.04 outside, `lit(p)` for the floor point p (skipped where that
  // gives nothing). The edge between, where the four taps blend, is left
  // out. Returns the numbers of shadowed and lit pixels checked.
  std::pair<int, int> ExpectBoxShadow(const Layer& layer, V3 light, V3 boxCentre,
                                      const std::function<std::optional<V3>(V3)>& lit, float tolerance) const {
    constexpr float kMargin = 0.04f;
    int shadowed = 0, litPixels = 0, wrong = 0;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        V3 p;
        if (!FloorAt(x, y, &p)) continue;
        const std::optional<V3> open = lit(p);
        if (!open) continue;
        V3 expected{0, 0, 0};
        if (SegmentHitsBox(p, light, boxCentre, 0.5f - kMargin)) {
          ++shadowed;
        } else if (!SegmentHitsBox(p, light, boxCentre, 0.5f + kMargin)) {
          expected = *open;
          ++litPixels;
        } else {
          continue;
        }
        const float* got = layer.At(x, y);
        const bool near = std::fabs(got[0] - expected.x) <= tolerance && std::fabs(got[1] - expected.y) <= tolerance &&
                          std::fabs(got[2] - expected.z) <= tolerance;
        if (!near && ++wrong <= 5)
          ADD_FAILURE() << "pixel " << x << ", " << y << " (floor " << p.x << ", " << p.z << "): " << got[0] << " "
                        << got[1] << " " << got[2] << ", expected " << expected.x << " " << expected.y << " "
                        << expected.z;
      }
    EXPECT_EQ(wrong, 0);
    return {shadowed, litPixels};
  }

  V3 eye_{0, 0, 0}, forward_{0, 0, -1}, side_{1, 0, 0}, up_{0, 1, 0};
};

// A point light 4 units above a floor with a unit box hanging between them
// (1.0 above the floor, off to one side so a mirrored lookup shows): the
// six cube faces see the box, and the floor goes dark exactly where the box
// stands between it and the light. Every floor pixel more than 0.04 units
// inside or outside that region is checked.
TEST_F(FloorTest, ShadowedPointLightDarkensWhatTheBoxHides) {
  const V3 light{0.0f, 4.0f, 0.0f}, boxCentre{1.2f, 1.0f, -0.7f};
  const float reach = 20.0f * 0.982f;
  ShadowedLightAndBox(light, VLM_LIGHT_POINT, boxCentre);
  LookFrom({0.0f, 8.0f, 10.0f});
  RunLightPasses();
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_LIGHTS), 1);
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_SHADOW_OBJECTS), 6);  // the box once per face
  const auto [shadowed, litPixels] = ExpectBoxShadow(
      ReadLayer(6), light, boxCentre, [&](V3 p) { return std::optional(FloorLit(p, light, reach, 1.5f)); }, kTolerance);
  // The shadow is a square of about 1.6 x 1.6 units on the floor: a region
  // of its own, not a handful of pixels.
  EXPECT_GT(shadowed, 2000);
  EXPECT_GT(litPixels, 50000);
}

// A light's own static cube keeps the shadow of the first frame that drew
// the light: after the box moves across, the floor stays dark where the
// box was and goes dark where it is now; elsewhere it is lit.
TEST_F(FloorTest, StaticShadowCubeKeepsTheFirstFramesShadow) {
  const V3 light{0.0f, 4.0f, 0.0f}, was{1.2f, 1.0f, -0.7f}, now{-1.2f, 1.0f, 0.7f};
  VLM_OBJECT* box = MakeBox(was.x, was.y, was.z);
  ASSERT_NE(box, nullptr);
  const VLM_HANDLE lamp = VLM_CreateLight(-1, light.x, light.y, light.z, VLM_LIGHT_POINT);
  VLM_LightRange(lamp, 20.0f);
  VLM_LightShadow(lamp, 1, 1);
  ASSERT_GT(VLM_IsLight(lamp)->iShadowCube, 0);
  vlm::Render().lighting.shadowsOn = 1;
  LookFrom({0.0f, 8.0f, 10.0f});
  RunLightPasses();
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_SHADOW_OBJECTS), 12);  // the static cube, then the dynamic one
  const v4f moved{now.x, now.y, now.z, 1.0f};
  VLM_ObjectPosition(reinterpret_cast<VLM_HANDLE>(box), &moved, 0);
  RunLightPasses();
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_SHADOW_OBJECTS), 6);
  const Layer lit = ReadLayer(6);

  // Under a box centre 1 above the floor, seen from 4 up: 4/3 of the way out.
  for (const V3 centre : {was, now}) {
    const V3 under{centre.x * 4.0f / 3.0f, 0.0f, centre.z * 4.0f / 3.0f};
    int x = 0, y = 0;
    PixelOf(under, &x, &y);
    ExpectPixel(lit, x, y, {0, 0, 0});
  }
  const V3 open{0.0f, 0.0f, 2.5f};
  int x = 0, y = 0;
  PixelOf(open, &x, &y);
  V3 floorPoint{0, 0, 0};
  ASSERT_TRUE(FloorAt(x, y, &floorPoint));
  ExpectPixel(lit, x, y, FloorLit(floorPoint, light, 20.0f * 0.982f, 1.0f));
  EXPECT_GT(lit.At(x, y)[0], 0.1f);
}

// A spot light 4 units above the floor, casting shadows through the public
// switches, with a unit box hanging inside its cone: the floor goes dark
// exactly where the box stands between it and the light, and elsewhere
// gets the spot's light, faded by distance and by the angle off its axis
// (gone 0.5 radians out). The box is one shadow object: the map is one view.
TEST_F(FloorTest, ShadowedSpotLightDarkensWhatTheBoxHides) {
  const V3 light{0.0f, 4.0f, 0.0f}, boxCentre{0.6f, 1.5f, -0.4f};
  const float reach = 20.0f * 0.982f;
  const VLM_HANDLE spot = ShadowedLightAndBox(light, VLM_LIGHT_SPOT, boxCentre);
  LookFrom({0.0f, 8.0f, 10.0f});
  RunLightPasses();
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_LIGHTS), 1);
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_SHADOW_OBJECTS), 1);
  const auto spotLit = [&](V3 p) -> std::optional<V3> {
    const float angle = std::acos(Dot(Unit(p - light), {0.0f, -1.0f, 0.0f}));
    if (angle > 0.49f) return std::nullopt;  // the cone's rim, nearly unlit anyway
    return FloorLit(p, light, reach, 1.5f) * (1.0f - angle * 2.0f);
  };
  const auto [shadowed, litPixels] = ExpectBoxShadow(ReadLayer(6), light, boxCentre, spotLit, 1e-3f);
  EXPECT_GT(shadowed, 2000);
  EXPECT_GT(litPixels, 10000);
  // Without the switch the spot lights the floor under the box.
  VLM_LightShadow(spot, 0, 0);
  RunLightPasses();
  EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_SHADOW_OBJECTS), 0);
  int x = 0, y = 0;
  PixelOf({boxCentre.x * 4.0f / 2.5f, 0.0f, boxCentre.z * 4.0f / 2.5f}, &x, &y);
  V3 floorPoint{0, 0, 0};
  ASSERT_TRUE(FloorAt(x, y, &floorPoint));
  ExpectPixel(ReadLayer(6), x, y, *spotLit(floorPoint), 1e-3f);
}

// The shadow passes' alpha test: a caster whose colour map is transparent
// everywhere casts nothing, one whose texels all have alpha 1/255 casts a
// full shadow (the test discards alpha 0 only, and that map is drawn with
// the opaque stand-in), and a map that gets transparent texels afterwards
// through VLM_UploadTextureImage is tested again. A single transparent
// texel among opaque ones keeps the test; rows without alpha need none.
TEST_F(FloorTest, ShadowAlphaTestDiscardsOnlyTransparentTexels) {
  const V3 light{0.0f, 4.0f, 0.0f}, centre{1.2f, 1.0f, -0.7f};
  VLM_OBJECT* box = MakeBox(centre.x, centre.y, centre.z);
  ASSERT_NE(box, nullptr);
  VLM_MATERIAL* material = box->pMaterial;
  ASSERT_NE(material, nullptr);
  const auto texture = [](int bytesPerPixel, std::vector<uint8_t> pixels) {
    const int side = static_cast<int>(std::lround(std::sqrt(pixels.size() / bytesPerPixel)));
    const std::vector<uint8_t> png =
        vlm::platform::EncodePng(pixels.data(), side, side, bytesPerPixel, static_cast<size_t>(side * bytesPerPixel));
    return VLM_CatchTexture(-1, png.data(), png.size(), VLM_DEFAULT, "");
  };
  const auto rgba = [](uint8_t alpha) { return std::vector<uint8_t>{200, 100, 50, alpha, 200, 100, 50, alpha,
                                                                      200, 100, 50, alpha, 200, 100, 50, alpha}; };
  VLM_TEXTURE* clear = texture(4, rgba(0));
  VLM_TEXTURE* faint = texture(4, rgba(1));
  std::vector<uint8_t> oneHole = rgba(255);
  oneHole[11] = 0;
  VLM_TEXTURE* holed = texture(4, oneHole);
  VLM_TEXTURE* rgb = texture(3, {9, 0, 0, 9, 0, 0, 9, 0, 0, 9, 0, 0});
  ASSERT_TRUE(clear && faint && holed && rgb);
  EXPECT_EQ(clear->iOpaque, 0);
  EXPECT_EQ(faint->iOpaque, 1);
  EXPECT_EQ(holed->iOpaque, 0);
  EXPECT_EQ(rgb->iOpaque, 1);  // no alpha: opaque

  const VLM_HANDLE lamp = VLM_CreateLight(-1, light.x, light.y, light.z, VLM_LIGHT_POINT);
  VLM_LightRange(lamp, 20.0f);
  VLM_LightShadow(lamp, 1, 0);
  vlm::Render().lighting.shadowsOn = 1;
  LookFrom({0.0f, 8.0f, 10.0f});
  // The floor point under the box centre, seen from 4 up: 4/3 of the way out.
  int x = 0, y = 0;
  PixelOf({centre.x * 4.0f / 3.0f, 0.0f, centre.z * 4.0f / 3.0f}, &x, &y);
  V3 floorPoint{0, 0, 0};
  ASSERT_TRUE(FloorAt(x, y, &floorPoint));
  const V3 open = FloorLit(floorPoint, light, 20.0f * 0.982f, 1.0f);
  ASSERT_GT(open.x, 0.1f);

  const auto shadeWith = [&](VLM_TEXTURE* map) {
    material->apTextures[VLM_SLOT_COLOUR] = map;
    RunLightPasses();
    return ReadLayer(6);
  };
  ExpectPixel(shadeWith(clear), x, y, open);
  ExpectPixel(shadeWith(faint), x, y, {0, 0, 0});

  // New texels, transparent now: the map is tested again.
  VLM_IMAGE* transparent = VLM_CreateImage(2, 2, 4, 0);
  ASSERT_NE(transparent, nullptr);
  std::fill_n(VLM_ImagePixels(transparent), 16, uint8_t{0});
  vlmgl.glBindTexture(GL_TEXTURE_2D, faint->iTexture);
  VLM_UploadTextureImage(transparent, 0, VLM_DEFAULT);
  vlmgl.glBindTexture(GL_TEXTURE_2D, 0);
  VLM_FreeImage(transparent);
  EXPECT_EQ(faint->iOpaque, 0);
  ExpectPixel(shadeWith(faint), x, y, open);
  material->apTextures[VLM_SLOT_COLOUR] = nullptr;
}

// The surface a frame's geometry pass left at pixel (x, y) of layers 0-3.
Surface SurfaceAt(const Layer layers[4], int x, int y) {
  const float* p = layers[0].At(x, y);
  const float* n = layers[1].At(x, y);
  const float* d = layers[2].At(x, y);
  const float* sp = layers[3].At(x, y);
  return Surface{{p[0], p[1], p[2]}, p[3], {n[0], n[1], n[2]}, n[3], {d[0], d[1], d[2]}, d[3],
                 {sp[0], sp[1], sp[2]}, sp[3]};
}

// The whole frame: a floor and a box drawn by the geometry pass, lit once
// by a shadowed point light and once by the shadowed direct light. The
// expected colour of each floor pixel comes from the G-buffer the frame
// wrote; pixels whose way to the light the box blocks (by 0.1 units or
// more) get nothing, those it clearly misses the full light. The floor
// casts shadows too, so it must not shadow itself.
TEST_F(FrameLightsTest, AWholeFrameShadowsTheFloorUnderABox) {
  VLM_MATERIAL* material = MakeFloor(-2.0f);
  ASSERT_NE(material, nullptr);
  material->fShine = 0.4f;
  material->fHardness = 6.0f;
  const V3 boxCentre{0.8f, -1.0f, -8.0f};  // 0.5 above the floor
  ASSERT_NE(MakeBox(boxCentre.x, boxCentre.y, boxCentre.z), nullptr);
  VLM_AmbientColour(0xFF000000u);
  VLM_Shadows(1);
  const V3 lampAt{0.0f, 2.0f, -8.0f};
  const VLM_HANDLE lamp = VLM_CreateLight(-1, lampAt.x, lampAt.y, lampAt.z, VLM_LIGHT_POINT);
  VLM_LightRange(lamp, 20.0f);
  VLM_LightShadow(lamp, 1, 0);
  const V3 sunDirection = Unit({0.3f, -1.0f, 0.2f});

  for (const bool sun : {false, true}) {
    SCOPED_TRACE(sun ? "direct light" : "point light");
    VLM_IsLight(lamp)->iEnabled = sun ? 0 : 1;
    VLM_DirectLight(sun ? 1 : 0);
    vlm::Render().lighting.directLightShadows = 1;
    vlm::Render().lighting.directLightDirection = {sunDirection.x, sunDirection.y, sunDirection.z, 0.0f};
    VLM_RenderWorld(-1);
    EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(VLM_RenderedCount(VLM_RENDERED_SHADOW_OBJECTS), sun ? 0 : 12);  // floor and box, six faces
    const Layer layers[5] = {ReadLayer(0), ReadLayer(1), ReadLayer(2), ReadLayer(3), ReadLayer(6)};

    int shadowed = 0, litPixels = 0, wrong = 0;
    for (int y = 0; y < height_; y += 2)
      for (int x = 0; x < width_; x += 2) {
        const float* p = layers[0].At(x, y);
        // The camera is at the origin looking down -z: view space is world space.
        const V3 position{p[0], p[1], p[2]};
        if (std::fabs(position.y + 2.0f) > 1e-3f || position.z < -30.0f) continue;  // not the floor
        const Surface surface = SurfaceAt(layers, x, y);
        const V3 toward = sun ? position - sunDirection * 100.0f : lampAt;
        V3 expected{0, 0, 0};
        if (SegmentHitsBox(position, toward, boxCentre, 0.4f)) {
          ++shadowed;
        } else if (!SegmentHitsBox(position, toward, boxCentre, 0.6f)) {
          const float a = sun ? 1.0f : std::max(0.0f, 1.0f - Length(lampAt - position) / (20.0f * 0.982f));
          expected = Lit(surface, sun ? sunDirection * -1.0f : lampAt - position, {1, 1, 1}, a);
          ++litPixels;
        } else {
          continue;
        }
        const float* got = layers[4].At(x, y);
        const float tolerance = 1e-3f;  // positions rebuilt from depth-tested geometry, not written by hand
        if ((std::fabs(got[0] - expected.x) > tolerance || std::fabs(got[1] - expected.y) > tolerance) && ++wrong <= 5)
          ADD_FAILURE() << "pixel " << x << ", " << y << " (floor " << position.x << ", " << position.z << "): " << got[0]
                        << " " << got[1] << ", expected " << expected.x << " " << expected.y;
      }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(shadowed, 100);
    EXPECT_GT(litPixels, 5000);
  }
}

// The directional shadow, switched on through the public procedures, tap
// by tap. The camera hangs 0.136 above a floor looking straight down, under
// a box whose edge lies over x = 0, its top 10.5 units up: the map (2048
// texels for +-20 units around the camera) puts that edge on the border of
// texels 1023 and 1024. The linear filter gives a tap at map coordinate u
// (in texels) the box's weight 1024.5 - u between the two texel centres,
// and the tap fails where that weight times the depth difference,
// 10.5 / 4095.99, exceeds the casters' depth bias of 0.00005: for u below
// 1024.5 - 0.0195. Each tap sits at the floor point's u plus its x offset
// x 0.4 x 2048, so across the screen the floor goes through all five
// visibilities, 0, 0.25, 0.5, 0.75 and 1. Pixels with a tap within 0.01
// texel of that limit are left out; a band as wide as the bias's 0.0195
// would hide that term.
TEST_F(FrameLightsTest, DirectionalShadowFailsItsFourTapsOneByOne) {
  ASSERT_NE(MakeFloor(0.0f), nullptr);
  ASSERT_NE(MakeBox(-0.5f, 10.0f, 0.0f), nullptr);  // x from -1 to 0, top at 10.5
  VLM_CameraNear(0.01f);
  VLM_CameraPosition(0.0f, 0.136f, 0.0f, 0);
  VLM_CameraRotation(-90.0f, 0.0f, 0.0f, 0);
  VLM_AmbientColour(0xFF000000u);
  VLM_Shadows(1);
  VLM_DirectLight(1);
  ASSERT_EQ(VLM_DirectLightDirection(0.0f, -3.0f, 0.0f), 1);
  ASSERT_EQ(VLM_DirectLightColour(0xFF4080FFu), 1);
  ASSERT_EQ(VLM_DirectLightIntensity(0.8f), 1);
  ASSERT_EQ(VLM_DirectLightShadow(1), 1);
  VLM_RenderWorld(-1);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  const Layer layers[5] = {ReadLayer(0), ReadLayer(1), ReadLayer(2), ReadLayer(3), ReadLayer(6)};

  const m4f view = *VLM_CameraViewMatrix();
  m4f toWorld = view;
  VLM_m4fInverse(&toWorld, &view);
  v4f up{0.0f, 1.0f, 0.0f, 0.0f};
  VLM_v4fTransformInto(&up, &view, &up);
  const V3 toLight{up.x, up.y, up.z}, colour{1.0f, 128.0f / 255.0f, 64.0f / 255.0f};
  const float threshold = 1024.5f - 0.00005f * 4095.99f / 10.5f;
  const float kTapX[4] = {-0.00094201624f, 0.00094558609f, -0.000194184101f, 0.00034495938f};
  int levels[5] = {}, wrong = 0;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      const float* p = layers[0].At(x, y);
      v4f world{p[0], p[1], p[2], 1.0f};
      VLM_v4fTransformInto(&world, &toWorld, &world);
      ASSERT_NEAR(world.y, 0.0f, 1e-4f) << x << ", " << y;  // the floor fills the screen
      const float u = (world.x - toWorld.e[12] + 20.0f) / 40.0f * 2048.0f;
      int failing = 0;
      bool edge = false;
      for (const float tap : kTapX) {
        const float at = u + tap * 0.4f * 2048.0f;
        failing += at < threshold;
        edge = edge || std::fabs(at - threshold) < 0.01f;
      }
      if (edge) continue;
      const Surface surface = SurfaceAt(layers, x, y);
      const float visibility = 1.0f - 0.25f * static_cast<float>(failing);
      const V3 expected = surface.diffuse * surface.emission + Lit(surface, toLight, colour, 0.8f * visibility);
      ++levels[failing];
      const float* got = layers[4].At(x, y);
      if ((std::fabs(got[0] - expected.x) > 1e-3f || std::fabs(got[1] - expected.y) > 1e-3f ||
           std::fabs(got[2] - expected.z) > 1e-3f) &&
          ++wrong <= 5)
        ADD_FAILURE() << "pixel " << x << ", " << y << " (u " << u << ", " << failing << " taps failing): " << got[0]
                      << " " << got[1] << " " << got[2] << ", expected " << expected.x << " " << expected.y << " "
                      << expected.z;
    }
  EXPECT_EQ(wrong, 0);
  for (int failing = 0; failing <= 4; ++failing) EXPECT_GT(levels[failing], 2000) << failing << " taps failing";
}

}  // namespace
