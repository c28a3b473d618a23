// Engine start-up without a GL context, and the layout check.
#include <gtest/gtest.h>

#include "core/engine_state.h"
#include "core/layout_check.h"
#include "core/registries.h"
#include "core/log_internal.h"
#include "render/render_state.h"
#include "scene/object_record.h"
#include "support/test_support.h"
#include "velmora.h"

namespace {

TEST(EngineInit, WritesTitleVersionAndProgramSectionsWithoutGL) {
  vlmtest::TempDir dir;
  dir.Enter();
  vlm::SetLogSectionDepth(0);
  ASSERT_FALSE(vlm::Engine().hasGL);
  EXPECT_EQ(VLM_Init(), 0);
  const std::string log = vlmtest::ReadFile("VLM LogFile.html");
  ASSERT_EQ(log.rfind("\xEF\xBB\xBF<html><head><style>", 0), 0u);
  const std::string body = vlmtest::LogBody(dir.File("VLM LogFile.html"));
  // Without GL there is no "System" section; the physics start-up may add
  // rows, so only the start and the end are fixed.
  const std::string start =
      "</table><big style='color:#51BC31;font-size:14px;'>[VLM] Velmora Engine</big><blockquote><table>"
      "<tr><td>\xC2\x95</td><td></td><td></td><td colspan=2><i style='color:#000000;'>0.3.2.b (2016-03-30)"
      "</i></td></tr>";
  const std::string end = "</table><big style='color:#FBBE00;font-size:12px;'>Program</big><blockquote><table>";
  EXPECT_EQ(body.substr(0, start.size()), start);
  ASSERT_GE(body.size(), end.size());
  EXPECT_EQ(body.substr(body.size() - end.size()), end);
  EXPECT_EQ(vlm::LogSectionDepth(), 2);

  const vlm::TimingState& timing = vlm::Timing();
  const vlm::RenderState& render = vlm::Render();
  EXPECT_EQ(timing.counterFrequency, 1000000000);
  EXPECT_EQ(timing.gamma, 1.0f);
  EXPECT_EQ(render.effects.bloomStrength, 0.5f);
  EXPECT_EQ(render.lighting.directLightDirection.y, -1.0f);
  EXPECT_EQ(render.lighting.directLightDirection.w, 0.0f);
  EXPECT_EQ(render.lighting.directLightColour.x, 1.0f);
  // Ambient 0xFF000000: black with full alpha.
  EXPECT_EQ(render.lighting.ambientColour.x, 0.0f);
  EXPECT_EQ(render.lighting.ambientColour.w, 1.0f);
  EXPECT_EQ(render.cache.cullFaces, 1);
  EXPECT_EQ(render.cache.blendDestination, 0x0303);
  EXPECT_EQ(VLM_Shutdown(), 0);
  vlm::SetLogSectionDepth(0);
}

// Two scenes in one process: after VLM_Shutdown and VLM_Init nothing of the
// first world is left, so the second scene's box falls through the place
// where the first scene's sphere lay.
TEST(EngineInit, ARestartedEngineStartsAnEmptyWorld) {
  vlmtest::TempDir dir;
  dir.Enter();
  vlm::SetLogSectionDepth(0);
  VLM_Init();
  VLM_SetGravity(0.0f, -10.0f, 0.0f);
  ASSERT_NE(VLM_CreateSphereCage(1, 4.0f, "ground"), nullptr);
  ASSERT_NE(VLM_CreatePhysicalMaterial(1, 0.5f, 0.5f, "rubber"), nullptr);
  VLM_CreateBody(1, 1, 1, "ground");
  VLM_CreateBody(2, VLM_CAGE_HANDLE_POINT, -1, "weight");
  VLM_SetBodyMass(2, 1.0f);
  ASSERT_NE(VLM_CreateJoint(1, VLM_JOINT_SPRING, 1, 2, 0, 0, 0, 0, 0, 0), nullptr);
  VLM_Shutdown();

  VLM_Init();
  EXPECT_EQ(VLM_CountBodies(0) + VLM_CountBodies(1), 0);
  EXPECT_EQ(VLM_CountJoints(), 0);
  EXPECT_EQ(vlm::CageRegistry().Count(), 0u);
  EXPECT_EQ(vlm::SurfaceRegistry().Count(), 0u);
  VLM_SetGravity(0.0f, -10.0f, 0.0f);
  VLM_CreateBoxCage(1, 1.0f, 1.0f, 1.0f, "box");
  VLM_OBJECT* box = VLM_CreateBody(1, 1, -1, "box");
  VLM_SetBodyMass(1, 1.0f);
  const v4f above{0.0f, 3.0f, 0.0f, 1.0f};
  VLM_BodyPosition(1, &above, 0);
  VLM_SetPhysicsTimeStep(1.0f / 60.0f, 1);
  for (int step = 0; step < 120; ++step) VLM_UpdatePhysics(0);
  EXPECT_LT(box->v4fPosition.y, -5.0f);  // on the old sphere it would rest near y = 2.5
  VLM_Shutdown();
  vlm::SetLogSectionDepth(0);
}

TEST(LayoutCheck, ACorrectBuildReportsNothingAndABrokenFactWarns) {
  EXPECT_EQ(vlm::CheckRecordLayout(vlm::RecordLayoutFacts()), 0);
  testing::internal::CaptureStderr();
  const int broken = vlm::CheckRecordLayout(
      {{52, 52, "fine"}, {56, 52, "Size of VLM_MESH_VERTEX was changed! Update ASM code 52"}});
  const std::string shown = testing::internal::GetCapturedStderr();
  EXPECT_EQ(broken, 1);
  EXPECT_NE(shown.find("WARNING"), std::string::npos);
  EXPECT_NE(shown.find("Size of VLM_MESH_VERTEX was changed! Update ASM code 52"), std::string::npos);
  EXPECT_EQ(shown.find("fine"), std::string::npos);
}

}  // namespace
