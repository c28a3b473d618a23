// Lights: the lists by type through creation, ID reuse and release, the
// volume matrix, the light's own shadow cube on a real context, and the
// global parameters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/registries.h"
#include "gpu/gl_table.h"
#include "render/render_state.h"
#include "scene/scene_state.h"
#include "support/gl_context.h"
#include "support/test_support.h"
#include "velmora.h"

namespace {

class Lights : public ::testing::Test {
 protected:
  void SetUp() override { vlm::ResetScene(); }
  void TearDown() override { vlm::ResetScene(); }
  static bool InList(const std::vector<VLM_LIGHT*>& list, VLM_HANDLE handle) {
    return std::find(list.begin(), list.end(), VLM_IsLight(handle)) != list.end();
  }
};

TEST_F(Lights, ListsByTypeFollowCreationReuseAndRelease) {
  vlm::SceneState& scene = vlm::Scene();
  const VLM_HANDLE point = VLM_CreateLight(3, 1.0f, 2.0f, 3.0f, VLM_LIGHT_POINT);
  const VLM_HANDLE spot = VLM_CreateLight(-1, 0.0f, 0.0f, 0.0f, VLM_LIGHT_SPOT);
  const VLM_HANDLE other = VLM_CreateLight(5, 0.0f, 0.0f, 0.0f, 7);
  EXPECT_EQ(point, 3);
  EXPECT_EQ(spot, reinterpret_cast<VLM_HANDLE>(VLM_IsLight(spot)));
  ASSERT_NE(VLM_IsLight(other), nullptr);
  EXPECT_EQ(scene.pointLights.size(), 1u);
  EXPECT_EQ(scene.spotLights.size(), 1u);
  EXPECT_TRUE(InList(scene.pointLights, point));
  EXPECT_TRUE(InList(scene.spotLights, spot));

  const VLM_LIGHT* light = VLM_IsLight(point);
  EXPECT_EQ(light->header.iKind, VLM_ENTITY_LIGHT);
  EXPECT_EQ(light->header.pMatrix, &light->mVolume);
  EXPECT_EQ(light->iEnabled, 1);
  EXPECT_EQ(light->iShadowCube, -1);
  EXPECT_EQ(light->fRange, 128.0f);
  EXPECT_EQ(light->afSpot[0], -1.0f);
  EXPECT_EQ(light->afSpot[1], 2.0f);

  // ID 3 again, now a spot light: the point light is freed first and leaves
  // its list.
  EXPECT_EQ(VLM_CreateLight(3, 0.0f, 0.0f, 0.0f, VLM_LIGHT_SPOT), 3);
  EXPECT_TRUE(scene.pointLights.empty());
  EXPECT_EQ(scene.spotLights.size(), 2u);
  EXPECT_EQ(VLM_FreeLight(spot), 1);
  EXPECT_EQ(VLM_FreeLight(spot), 0);
  EXPECT_EQ(VLM_IsLight(spot), nullptr);
  EXPECT_EQ(scene.spotLights.size(), 1u);
  EXPECT_EQ(VLM_FreeLight(other), 1);
  EXPECT_EQ(vlm::LightRegistry().Count(), 1u);

  // Unknown handles change nothing and report 0.
  EXPECT_EQ(VLM_LightColour(12345, 0xFFFFFFFFu), 0);
  EXPECT_EQ(VLM_LightRange(other, 5.0f), 0);

  vlmtest::TempDir dir;
  const std::string path = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  EXPECT_EQ(VLM_CreateLight(65536, 0.0f, 0.0f, 0.0f, VLM_LIGHT_POINT), 0);
  EXPECT_EQ(vlmtest::LogBody(path), vlmtest::FailRow("VLM_CreateLight", "Fail: This ID is not available!"));
  EXPECT_EQ(scene.pointLights.size(), 0u);
}

TEST_F(Lights, FreeingAParentLightLetsTheCameraAndOtherLightsGo) {
  const VLM_HANDLE parent = VLM_CreateLight(1, 0.0f, 10.0f, 0.0f, VLM_LIGHT_POINT);
  const VLM_HANDLE child = VLM_CreateLight(2, 0.0f, 0.0f, 0.0f, VLM_LIGHT_SPOT);
  VLM_CAMERA* camera = VLM_GetCamera(0);
  VLM_AttachEntity(VLM_IsLight(parent), camera, VLM_LINK_POSITION);
  VLM_AttachEntity(VLM_IsLight(parent), VLM_IsLight(child), VLM_LINK_FULL);
  VLM_UpdateCamera();
  EXPECT_EQ(VLM_GetCameraPosition(nullptr, VLM_CAMERA_WORLD)->y, 10.0f);
  EXPECT_EQ(VLM_FreeLight(parent), 1);
  EXPECT_EQ(camera->header.pParent, nullptr);
  EXPECT_EQ(VLM_IsLight(child)->header.pParent, nullptr);
  VLM_UpdateCamera();  // no parent left to read
  EXPECT_EQ(VLM_GetCameraPosition(nullptr, VLM_CAMERA_WORLD)->y, 0.0f);
}

TEST_F(Lights, RangeScalesTheVolumeByOnePointZeroOne) {
  const VLM_HANDLE light = VLM_CreateLight(0, 4.0f, 5.0f, 6.0f, VLM_LIGHT_POINT);
  const m4f& m = VLM_IsLight(light)->mVolume;
  EXPECT_FLOAT_EQ(m.e[0], 129.28f);  // 128 x 1.01
  EXPECT_EQ(VLM_LightRange(light, 10.0f), 1);
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 4; ++col)
      EXPECT_FLOAT_EQ(m.e[4 * row + col], row == col ? 10.1f : 0.0f) << row << "," << col;
  EXPECT_EQ(m.e[12], 4.0f);
  EXPECT_EQ(m.e[13], 5.0f);
  EXPECT_EQ(m.e[14], 6.0f);
  EXPECT_EQ(m.e[15], 1.0f);
  // A negative range would turn the volume inside out: refused, kept.
  EXPECT_EQ(VLM_LightRange(light, -1.0f), 0);
  EXPECT_FLOAT_EQ(m.e[0], 10.1f);

  EXPECT_EQ(VLM_LightColour(light, 0x800000FFu), 1);  // red, half alpha
  EXPECT_EQ(VLM_IsLight(light)->v4fColour.x, 1.0f);
  EXPECT_EQ(VLM_IsLight(light)->v4fColour.z, 0.0f);
  EXPECT_NEAR(VLM_IsLight(light)->v4fColour.w, 128.0f / 255.0f, 1e-6f);
  EXPECT_EQ(VLM_LightIntensity(light, 3.5f), 1);
  EXPECT_EQ(VLM_IsLight(light)->fIntensity, 3.5f);
}

TEST_F(Lights, OwnShadowCubeIsCreatedAndDeletedAsTheSwitchesChange) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  const VLM_HANDLE light = VLM_CreateLight(1, 0.0f, 0.0f, 0.0f, VLM_LIGHT_POINT);
  VLM_LIGHT* record = VLM_IsLight(light);
  VLM_LightShadow(light, 1, 0);
  EXPECT_EQ(record->iShadowCube, -1);
  VLM_LightShadow(light, 1, 1);
  ASSERT_NE(record->iShadowCube, -1);
  const GLuint first = static_cast<GLuint>(record->iShadowCube);
  EXPECT_TRUE(vlmgl.glIsTexture(first));
  GLint size = 0, format = 0;
  vlmgl.glBindTexture(GL_TEXTURE_CUBE_MAP, first);
  vlmgl.glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 0, GL_TEXTURE_WIDTH, &size);
  vlmgl.glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
  vlmgl.glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  EXPECT_EQ(size, vlm::Scene().shadowCubeSize);
  EXPECT_EQ(format, GL_DEPTH_COMPONENT24);
  VLM_LightShadow(light, 1, 1);  // already has one: kept
  EXPECT_EQ(static_cast<GLuint>(record->iShadowCube), first);

  VLM_LightShadow(light, 1, 0);
  EXPECT_EQ(record->iShadowCube, -1);
  EXPECT_FALSE(vlmgl.glIsTexture(first));
  VLM_LightShadow(light, 1, 1);
  ASSERT_NE(record->iShadowCube, -1);
  const GLuint second = static_cast<GLuint>(record->iShadowCube);
  EXPECT_TRUE(vlmgl.glIsTexture(second));
  VLM_LightShadow(light, 0, 1);
  EXPECT_FALSE(vlmgl.glIsTexture(second));

  // Spot lights keep no cube; freeing a light frees its cube.
  const VLM_HANDLE spot = VLM_CreateLight(2, 0.0f, 0.0f, 0.0f, VLM_LIGHT_SPOT);
  VLM_LightShadow(spot, 1, 1);
  EXPECT_EQ(VLM_IsLight(spot)->iShadowCube, -1);
  VLM_LightShadow(light, 1, 1);
  const GLuint third = static_cast<GLuint>(record->iShadowCube);
  EXPECT_TRUE(vlmgl.glIsTexture(third));
  VLM_FreeLight(light);
  EXPECT_FALSE(vlmgl.glIsTexture(third));
}

// The direct light's setters: the direction is kept unit length from any
// length, even from components whose squares a float cannot hold; a zero
// or not finite direction and a not finite intensity are refused with a
// row and leave the light as it was.
TEST_F(Lights, DirectLightSettersKeepAUnitDirectionAndRefuseWhatCannotBeMeant) {
  vlm::LightingState& lighting = vlm::Render().lighting;
  const v4f& direction = lighting.directLightDirection;
  vlmtest::TempDir dir;
  const std::string path = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  EXPECT_EQ(VLM_DirectLightDirection(3.0f, -4.0f, 0.0f), 1);
  EXPECT_TRUE(direction.x == 0.6f && direction.y == -0.8f && direction.z == 0.0f && direction.w == 0.0f);
  EXPECT_EQ(VLM_DirectLightDirection(0.0f, 0.0f, -1e-30f), 1);
  EXPECT_EQ(direction.z, -1.0f);
  EXPECT_EQ(VLM_DirectLightDirection(3e38f, 0.0f, -3e38f), 1);
  for (const float x : {0.0f, NAN, INFINITY}) EXPECT_EQ(VLM_DirectLightDirection(x, x == 0.0f ? 0.0f : 1.0f, 0.0f), 0);
  EXPECT_TRUE(direction.x == 0.70710677f && direction.z == -0.70710677f);
  EXPECT_EQ(VLM_DirectLightColour(0x804020FFu), 1);
  EXPECT_NEAR(lighting.directLightColour.z, 64.0f / 255.0f, 1e-6f);
  EXPECT_EQ(VLM_DirectLightIntensity(2.5f), 1);
  EXPECT_EQ(VLM_DirectLightIntensity(INFINITY), 0);
  EXPECT_EQ(lighting.directLightIntensity, 2.5f);
  EXPECT_EQ(VLM_DirectLightShadow(7), 1);
  EXPECT_EQ(lighting.directLightShadows, 1);
  const std::string notFinite = vlmtest::FailRow("VLM_DirectLightDirection", "Fail: Numbers must be finite!");
  EXPECT_EQ(vlmtest::LogBody(path),
            vlmtest::FailRow("VLM_DirectLightDirection", "Fail: The light direction must not be zero!") + notFinite +
                notFinite + vlmtest::FailRow("VLM_DirectLightIntensity", "Fail: Numbers must be finite!"));
  lighting = vlm::LightingState{};
}

TEST_F(Lights, GlobalParametersAmbientKeepsFullAlpha) {
  vlm::LightingState& lighting = vlm::Render().lighting;
  VLM_AmbientColour(0x10332211u);  // alpha byte 0x10
  EXPECT_NEAR(lighting.ambientColour.x, 0x11 / 255.0f, 1e-6f);
  EXPECT_NEAR(lighting.ambientColour.y, 0x22 / 255.0f, 1e-6f);
  EXPECT_NEAR(lighting.ambientColour.z, 0x33 / 255.0f, 1e-6f);
  EXPECT_EQ(lighting.ambientColour.w, 1.0f);
  VLM_DirectLight(1);
  VLM_Shadows(1);
  VLM_Glow(0.25f);
  VLM_Bloom(0.0f);
  EXPECT_EQ(lighting.directLightOn, 1);
  EXPECT_EQ(lighting.shadowsOn, 1);
  EXPECT_EQ(vlm::Render().effects.glowStrength, 0.25f);
  EXPECT_EQ(vlm::Render().effects.bloomStrength, 0.0f);
  vlmtest::TempDir dir;
  const std::string path = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  VLM_Glow(NAN);
  VLM_Bloom(-0.5f);
  const char* kStrength = "Fail: A strength must be finite and not negative!";
  EXPECT_EQ(vlmtest::LogBody(path), vlmtest::FailRow("VLM_Glow", kStrength) + vlmtest::FailRow("VLM_Bloom", kStrength));
  EXPECT_TRUE(vlm::Render().effects.glowStrength == 0.25f && vlm::Render().effects.bloomStrength == 0.0f);

  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  VLM_BackgroundColour(0x40FF8000u);
  GLfloat clear[4] = {};
  vlmgl.glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[0], 0.0f);
  EXPECT_NEAR(clear[1], 128.0f / 255.0f, 1e-6f);
  EXPECT_EQ(clear[2], 1.0f);
  EXPECT_NEAR(clear[3], 64.0f / 255.0f, 1e-6f);
  EXPECT_EQ(lighting.backgroundColour.z, 1.0f);
  VLM_BackgroundColour(0u);
  VLM_DirectLight(0);
  VLM_Shadows(0);
  VLM_Glow(1.0f);
  VLM_Bloom(0.5f);
}

}  // namespace
