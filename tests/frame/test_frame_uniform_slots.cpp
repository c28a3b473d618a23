// The uniforms the frame sets in built-in programs are found through the
// programs' slot tables: every slot the passes name must hold the location
// the driver gives for that uniform's name, or a pass would set another
// uniform (or none) without a word. A program that registered nothing at a
// slot is reached by name.
#include <string>

#include "frame/frame_fixture.h"
#include "gpu/gl_table.h"
#include "render/frame_state.h"
#include "render/shader_record.h"
#include "render/shader_state.h"

namespace {

using frametest::FrameTest;
namespace slot = vlm::render::slot;

struct SlotUse {
  int program;
  int slot;
  const char* name;
};

constexpr SlotUse kSlotsTheFrameSets[] = {
    {1, slot::kDepthLinearizationDepthMap, "DepthMap"},
    {2, slot::kGlowMapBufferMap, "BufferMap"},
    {2, slot::kGlowMapGlow, "fGlow"},
    {2, slot::kGlowMapBloom, "fBloom"},
    {37, slot::kSkyBoxColour, "vColor"},
    {38, slot::kParticleDepthMap, "DepthMap"},
    {38, slot::kParticleColorMap, "ColorMap"},
    {39, slot::kSoftParticleDepthMap, "DepthMap"},
    {39, slot::kSoftParticleColorMap, "ColorMap"},
    {39, slot::kSoftParticleBlend, "fBlend"},
    {42, slot::kLayerColorMap, "ColorMap"},
    {42, slot::kLayerIndex, "fIndex"},
    {44, slot::kLayerColorMap, "ColorMap"},
    {44, slot::kLayerIndex, "fIndex"},
    {44, slot::kGammaValue, "fGamma"},
    {46, slot::kLayerColorMap, "ColorMap"},
    {46, slot::kLayerIndex, "fIndex"},
    {46, slot::kBlurShift, "vShift"},
    {47, slot::kBillboardColorMap, "ColorMap"},
    {47, slot::kBillboardDepthMap, "DepthMap"},
    {47, slot::kBillboardInstances, "InstancesTextureBuffer"},
    {47, slot::kBillboardProjectionMode, "iProjectionMode"},
};

TEST_F(FrameTest, EverySlotTheFrameSetsHoldsTheLocationOfItsUniform) {
  for (const SlotUse& use : kSlotsTheFrameSets) {
    const VLM_SHADER* shader = vlm::render::Shaders().builtIn[static_cast<size_t>(use.program)];
    ASSERT_NE(shader, nullptr) << use.program;
    const GLint byName = vlmgl.glGetUniformLocation(shader->iProgram, use.name);
    SCOPED_TRACE(std::to_string(use.program) + " " + use.name);
    EXPECT_GE(byName, 0);
    // Without a name only the slot table can answer.
    EXPECT_EQ(vlm::render::UniformLocation(*shader, use.slot, nullptr), byName);
  }
}

TEST_F(FrameTest, AnEmptyOrMissingSlotFallsBackToTheName) {
  // "Particle" registers nothing at slot 0 and has no slot 9.
  const VLM_SHADER* particle = vlm::render::Shaders().builtIn[38];
  ASSERT_NE(particle, nullptr);
  ASSERT_EQ(particle->aSlotsA.at(0), nullptr);
  const GLint colour = vlmgl.glGetUniformLocation(particle->iProgram, "ColorMap");
  EXPECT_EQ(vlm::render::UniformLocation(*particle, 0, "ColorMap"), colour);
  EXPECT_EQ(vlm::render::UniformLocation(*particle, 9, "ColorMap"), colour);
  EXPECT_EQ(vlm::render::UniformLocation(*particle, 9, nullptr), -1);
  EXPECT_EQ(vlm::render::UniformLocation(*particle, -1, "NoSuchUniform"), -1);
}

}  // namespace
