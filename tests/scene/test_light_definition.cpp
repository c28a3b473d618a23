// Light definitions: every key with its default, the exact type names,
// and damaged values that must not reach the light volume.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "core/registries.h"
#include "scene/light.h"
#include "scene/scene_state.h"
#include "support/test_support.h"
#include "velmora.h"

namespace {

class LightDefinition : public ::testing::Test {
 protected:
  void SetUp() override { vlm::ResetScene(); }
  void TearDown() override { vlm::ResetScene(); }

  // The light of a "Light" block with `keys`, nested in a group so that the
  // loader has to find the block.
  VLM_LIGHT* Load(const std::string& keys, VLM_HANDLE id = -1) {
    const std::string text = "Scene {\n  Light: {\n" + keys + "  }\n}\n";
    VLM_DEFINITION_NODE* root = VLM_ParseDefinitionText(text.c_str(), "");
    const VLM_HANDLE light = VLM_LoadLightDefinition(id, root);
    VLM_FreeDefinitionNode(root, 1);
    return VLM_IsLight(light);
  }
};

TEST_F(LightDefinition, DefaultsAndTypeNamesComparedExactly) {
  VLM_LIGHT* plain = Load("");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->iLightType, 0);
  EXPECT_EQ(plain->fRange, 128.0f);
  EXPECT_EQ(plain->fIntensity, 2.0f);  // the definition's default, not creation's 1
  EXPECT_EQ(plain->v4fColour.x, 1.0f);
  EXPECT_EQ(plain->v4fColour.w, 1.0f);
  EXPECT_EQ(plain->iCastsShadow, 0);
  EXPECT_FLOAT_EQ(plain->mVolume.e[0], 128.0f * 1.01f);
  EXPECT_EQ(plain->mVolume.e[12], 0.0f);

  EXPECT_EQ(Load("    Type: point\n")->iLightType, 0);
  EXPECT_EQ(Load("    Type: Direct\n")->iLightType, 0);
  VLM_LIGHT* spot = Load("    Type: Spot\n");
  EXPECT_EQ(spot->iLightType, VLM_LIGHT_SPOT);
  VLM_LIGHT* point = Load("    Type: Point\n", 12);
  ASSERT_EQ(point, VLM_IsLight(12));
  EXPECT_EQ(point->iLightType, VLM_LIGHT_POINT);
  const auto& points = vlm::Scene().pointLights;
  EXPECT_EQ(std::count(points.begin(), points.end(), point), 1);
  EXPECT_EQ(std::count(points.begin(), points.end(), spot), 0);

  // No block: 0 and no light made.
  const size_t before = vlm::LightRegistry().Count();
  VLM_DEFINITION_NODE* other = VLM_ParseDefinitionText("Lamp {\n  Range: 3\n}\n", "");
  EXPECT_EQ(VLM_LoadLightDefinition(-1, other), 0);
  VLM_FreeDefinitionNode(other, 1);
  EXPECT_EQ(VLM_LoadLightDefinition(-1, nullptr), 0);
  EXPECT_EQ(vlm::LightRegistry().Count(), before);
}

TEST_F(LightDefinition, PositionColourRangeIntensityAndShadowKeys) {
  VLM_LIGHT* light = Load(
      "    Type: Point\n    Position: 1, 2, 3\n    Color: 255, 0, 51\n    Range: 10\n"
      "    Intensity: 0.5\n    Shadow: 1, 1\n");
  ASSERT_NE(light, nullptr);
  EXPECT_EQ(light->v4fPosition.x, 1.0f);
  EXPECT_EQ(light->v4fPosition.z, 3.0f);
  EXPECT_EQ(light->v4fPosition.w, 1.0f);
  EXPECT_EQ(light->mVolume.e[13], 2.0f);  // the volume follows the position
  EXPECT_FLOAT_EQ(light->mVolume.e[0], 10.1f);
  EXPECT_FLOAT_EQ(light->mVolume.e[10], 10.1f);
  EXPECT_EQ(light->v4fColour.x, 1.0f);
  EXPECT_EQ(light->v4fColour.y, 0.0f);
  EXPECT_FLOAT_EQ(light->v4fColour.z, 0.2f);
  EXPECT_EQ(light->v4fColour.w, 1.0f);
  EXPECT_EQ(light->fIntensity, 0.5f);
  EXPECT_EQ(light->iCastsShadow, 1);
  EXPECT_EQ(light->iStaticShadow, 1);

  VLM_LIGHT* casting = Load("    Shadow: 1\n    Color: $80FF0000\n");
  EXPECT_EQ(casting->iCastsShadow, 1);
  EXPECT_EQ(casting->iStaticShadow, 0);
  EXPECT_EQ(casting->v4fColour.z, 1.0f);  // 0xAABBGGRR
  EXPECT_EQ(casting->v4fColour.x, 0.0f);
}

// Numbers a light cannot take: the procedures refuse them with a row and
// keep the light as it was; a block's damaged keys give their defaults with
// an Info row, instead of an inside-out or NaN volume.
TEST_F(LightDefinition, NumbersThatCannotBeMeantAreRefusedOrGiveTheKeysDefault) {
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  const VLM_HANDLE light = VLM_CreateLight(3, 1.0f, 2.0f, 3.0f, VLM_LIGHT_POINT);
  EXPECT_EQ(VLM_CreateLight(3, NAN, 0.0f, 0.0f, VLM_LIGHT_POINT), 0);  // light 3 is not replaced
  EXPECT_EQ(VLM_CreateLight(-1, 0.0f, INFINITY, 0.0f, VLM_LIGHT_SPOT), 0);
  EXPECT_EQ(VLM_LightIntensity(light, -1.0f), 0);
  EXPECT_EQ(VLM_LightIntensity(light, NAN), 0);
  EXPECT_EQ(VLM_LightRange(light, INFINITY), 0);
  ASSERT_EQ(VLM_CountLights(), 1);
  EXPECT_EQ(VLM_IsLight(light)->v4fPosition.x, 1.0f);
  EXPECT_EQ(VLM_IsLight(light)->fIntensity, 1.0f);
  EXPECT_EQ(VLM_IsLight(light)->fRange, 128.0f);
  EXPECT_TRUE(vlm::Scene().spotLights.empty());

  VLM_LIGHT* damaged = Load("    Range: -5\n    Position: nan, 4, +infinity\n    Intensity: -infinity\n"
                            "    Color: 1.e39, 0.5, 0.5\n");
  ASSERT_NE(damaged, nullptr);
  EXPECT_EQ(damaged->fRange, 128.0f);
  EXPECT_EQ(damaged->v4fPosition.x, 0.0f);
  EXPECT_EQ(damaged->v4fPosition.y, 0.0f);
  EXPECT_EQ(damaged->fIntensity, 2.0f);
  EXPECT_EQ(damaged->v4fColour.y, 1.0f);
  for (float e : damaged->mVolume.e) EXPECT_TRUE(std::isfinite(e));

  VLM_OpenLogFile("", 1, 1);
  const std::string fail = "Fail: Numbers must be finite!";
  std::string rows = vlmtest::FailRow("VLM_CreateLight", fail) + vlmtest::FailRow("VLM_CreateLight", fail);
  for (int i = 0; i < 2; ++i)
    rows += vlmtest::FailRow("VLM_LightIntensity", "Fail: A light intensity must be finite and not negative!");
  rows += vlmtest::FailRow("VLM_LightRange", "Fail: The light range must be a finite value of 0 or more!");
  for (const char* key : {"Position", "Color", "Range", "Intensity"})
    rows += vlmtest::NoticeRow("VLM_LoadLightDefinition",
                               std::string("Info: ") + key + " is not a usable value, the default is used!");
  EXPECT_EQ(vlmtest::LogBody(log), rows);
}

}  // namespace
