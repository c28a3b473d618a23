// Particle-emitter definitions: every key's default and reader, the
// material choices with their one failure row, and damaged values.
#include <numbers>
#include <string>

#include "core/registries.h"
#include "particle_fixture.h"

namespace ptest {
namespace {

class EmitterDefinition : public ParticleTest {
 protected:
  void TearDown() override {
    ParticleTest::TearDown();
    vlm::MaterialRegistry().Reset();
  }

  VLM_PARTICLE_EMITTER* Load(const std::string& body, const std::string& name = "Smoke") {
    const std::string text = "Effects {\n  ParticleEmitter: " + name + " {\n" + body + "  }\n}\n";
    VLM_DEFINITION_NODE* root = VLM_ParseDefinitionText(text.c_str(), "");
    VLM_PARTICLE_EMITTER* emitter = VLM_LoadParticleEmitterDefinition(-1, root);
    VLM_FreeDefinitionNode(root, 1);
    return emitter;
  }
};

constexpr float kPi = std::numbers::pi_v<float>;

TEST_F(EmitterDefinition, AnEmptyBlockTakesEveryDefault) {
  VLM_PARTICLE_EMITTER* e = Load("");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->sName, "Smoke");
  EXPECT_EQ(e->iShape, VLM_EMISSION_POINT);
  EXPECT_EQ(e->iCoordinateMode, VLM_PARTICLES_WORLD);  // no "Emission\Mode"
  EXPECT_EQ(e->fRate, 1.0f);
  EXPECT_EQ(e->fAngle, 0.0f);
  EXPECT_EQ(e->fTurbulence, 0.0f);
  EXPECT_EQ(e->iEmitting, 1);
  EXPECT_EQ(e->iMaxDrawn, 256);
  EXPECT_EQ(e->aInstances.size(), 256u);
  EXPECT_EQ(e->hMaterial, -1);
  EXPECT_EQ(e->mRotation.e[9], 1.0f);  // the cone still opens along +y
  const float expected[VLM_PARTICLE_RANGE_COUNT][2] = {{1, 1}, {1, 1}, {0, 0},    {0, 0}, {1000, 1000},
                                                       {1, 1}, {1, 1}, {0, 0},    {0, 0}, {0, 0}};
  for (int i = 0; i < VLM_PARTICLE_RANGE_COUNT; ++i) {
    EXPECT_EQ(e->aRanges[i].fMin, expected[i][0]) << "range " << i;
    EXPECT_EQ(e->aRanges[i].fMax, expected[i][1]) << "range " << i;
  }
  // No block, or no node: nothing made.
  VLM_DEFINITION_NODE* other = VLM_ParseDefinitionText("Emitter: X {\n}\n", "");
  EXPECT_EQ(VLM_LoadParticleEmitterDefinition(-1, other), nullptr);
  VLM_FreeDefinitionNode(other, 1);
  EXPECT_EQ(VLM_LoadParticleEmitterDefinition(-1, nullptr), nullptr);
  EXPECT_EQ(vlm::ParticleEmitterRegistry().Count(), 1u);
}

TEST_F(EmitterDefinition, EveryKeyReachesItsParameter) {
  VLM_PARTICLE_EMITTER* e = Load(
      "    Emission: {\n"
      "      Size: 2, 3, 4\n      Direction: 0, 0, -5\n      Position: 5, 6, 7\n      State: false\n"
      "      MaxParticles: 32\n      Mode: local\n      Area: ring\n      Frequency: 10\n"
      "      Angle: 30\n      Force: 0.5\n      Radius: 2, 3\n      Velocity: 4\n"
      "    }\n"
      "    Particle: {\n"
      "      Intensity: 0.5, 1\n      FadeOut: 1\n      FadeIn: 2, 3\n      LifeTime: 2, 3\n"
      "      Size: 4\n      Raise: 0.25\n      Color: 255, 0, 0\n      Orientation: 90, 180\n"
      "      Rotation: 45\n"
      "    }\n");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->v4fShapeSize.x, 2.0f);
  EXPECT_EQ(e->v4fShapeSize.z, 4.0f);
  EXPECT_FLOAT_EQ(e->mRotation.e[10], -1.0f);  // row 2 is the normalised direction
  EXPECT_EQ(e->mWorld.e[12], 5.0f);
  EXPECT_EQ(e->mWorld.e[14], 7.0f);
  EXPECT_EQ(e->iEmitting, 0);
  EXPECT_EQ(e->iMaxDrawn, 32);
  EXPECT_EQ(e->aInstances.size(), 32u);
  EXPECT_EQ(e->iCoordinateMode, VLM_PARTICLES_LOCAL);  // upper-cased before comparing
  EXPECT_EQ(e->iShape, VLM_EMISSION_RING);
  EXPECT_EQ(e->fRate, 10.0f);
  EXPECT_EQ(e->fAngle, 30.0f);
  EXPECT_EQ(e->fTurbulence, 0.5f);
  const auto range = [&](int which) { return std::pair(e->aRanges[which].fMin, e->aRanges[which].fMax); };
  EXPECT_EQ(range(VLM_PARTICLE_RING_RADIUS), std::pair(2.0f, 3.0f));
  EXPECT_EQ(range(VLM_PARTICLE_FORCE), std::pair(4.0f, 4.0f));
  EXPECT_EQ(range(VLM_PARTICLE_INTENSITY), std::pair(0.5f, 1.0f));
  EXPECT_EQ(range(VLM_PARTICLE_FADE_OUT), std::pair(1.0f, 1.0f));
  EXPECT_EQ(range(VLM_PARTICLE_FADE_IN), std::pair(2.0f, 3.0f));
  EXPECT_EQ(range(VLM_PARTICLE_LIFETIME), std::pair(2000.0f, 3000.0f));
  EXPECT_EQ(range(VLM_PARTICLE_SIZE), std::pair(4.0f, 4.0f));
  EXPECT_EQ(range(VLM_PARTICLE_GROWTH), std::pair(0.25f, 0.25f));
  EXPECT_FLOAT_EQ(e->aRanges[VLM_PARTICLE_ROTATION].fMin, kPi / 2.0f);
  EXPECT_FLOAT_EQ(e->aRanges[VLM_PARTICLE_ROTATION].fMax, kPi);
  EXPECT_FLOAT_EQ(e->aRanges[VLM_PARTICLE_ROTATION_SPEED].fMax, kPi / 4.0f);
  EXPECT_EQ(e->v4fColor.x, 1.0f);
  EXPECT_EQ(e->v4fColor.y, 0.0f);
  EXPECT_EQ(e->v4fColor.w, 1.0f);

  // "WORLD", an unknown mode and an unknown area: mode 4, shape unchanged.
  VLM_PARTICLE_EMITTER* world = Load("    Emission: {\n      Mode: World\n      Area: cone\n    }\n", "Dust");
  EXPECT_EQ(world->iCoordinateMode, VLM_PARTICLES_WORLD);
  EXPECT_EQ(world->iShape, VLM_EMISSION_POINT);
  EXPECT_EQ(Load("    Emission: {\n      Area: Box\n    }\n", "Box")->iShape, VLM_EMISSION_BOX);
}

TEST_F(EmitterDefinition, MaterialByNameInlineOrMissing) {
  VLM_HANDLE id = 40;
  VLM_MATERIAL* sparks = VLM_CreateMaterialListEntry(&id, "Sparks");
  ASSERT_NE(sparks, nullptr);
  sparks->v4fColor = v4f{0.5f, 0.25f, 1.0f, 0.75f};

  // The colour default is the chosen material's colour.
  VLM_PARTICLE_EMITTER* named = Load("    Particle: {\n      Material: Sparks\n    }\n");
  EXPECT_EQ(named->hMaterial, 40);
  EXPECT_EQ(named->v4fColor.y, 0.25f);
  EXPECT_EQ(named->v4fColor.w, 0.75f);
  VLM_PARTICLE_EMITTER* tinted = Load("    Particle: {\n      Material: Sparks\n      Color: 0, 255\n    }\n", "T");
  EXPECT_EQ(tinted->v4fColor.x, 0.0f);
  EXPECT_EQ(tinted->v4fColor.y, 1.0f);

  VLM_PARTICLE_EMITTER* inlined =
      Load("    Particle: {\n      Material: {\n        Color: 0, 255, 0, 128\n      }\n    }\n", "Inline");
  VLM_MATERIAL* own = vlm::MaterialRegistry().Resolve(inlined->hMaterial);
  ASSERT_NE(own, nullptr);
  EXPECT_NE(own, sparks);
  EXPECT_EQ(inlined->v4fColor.y, 1.0f);
  EXPECT_FLOAT_EQ(inlined->v4fColor.w, 128.0f / 255.0f);

  const std::string before = vlmtest::LogBody(log);
  VLM_PARTICLE_EMITTER* missing = Load("    Particle: {\n      Material: Nope\n    }\n", "Missing");
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->hMaterial, -1);
  EXPECT_EQ(vlmtest::LogBody(log).substr(before.size()),
            vlmtest::FailRow("VLM_LoadParticleEmitterDefinition", "Material not found: Nope"));
}

// Damaged values give a working emitter: each such key takes its default
// and says so in an Info row; the setters refuse what they cannot keep.
TEST_F(EmitterDefinition, DamagedValuesGiveTheKeysDefaultsAndTheSettersRefuseThem) {
  const std::string before = vlmtest::LogBody(log);
  VLM_PARTICLE_EMITTER* e = Load(
      "    Emission: {\n      Size: nan, 1, 1\n      Direction: 0, 0, 0\n      Position: +infinity\n"
      "      MaxParticles: 99999999999\n      Frequency: -1e30\n    }\n"
      "    Particle: {\n      LifeTime: 3, 2\n      Size: {\n      }\n      Raise: -infinity, 2\n    }\n");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->v4fShapeSize.x, 0.0f);
  EXPECT_EQ(e->mRotation.e[9], 1.0f);
  EXPECT_EQ(e->mWorld.e[12], 0.0f);
  EXPECT_EQ(e->iMaxDrawn, 256);
  EXPECT_EQ(e->fRate, 1.0f);
  EXPECT_EQ(e->aRanges[VLM_PARTICLE_LIFETIME].fMin, 1000.0f);
  EXPECT_EQ(e->aRanges[VLM_PARTICLE_LIFETIME].fMax, 1000.0f);
  EXPECT_EQ(e->aRanges[VLM_PARTICLE_SIZE].fMin, 1.0f);  // an empty list keeps the default
  EXPECT_EQ(e->aRanges[VLM_PARTICLE_GROWTH].fMax, 0.0f);

  const VLM_HANDLE h = e->iHandle;
  EXPECT_EQ(VLM_SetParticleEmissionRate(h, -1e30f), 0);
  EXPECT_EQ(VLM_SetParticleRange(h, VLM_PARTICLE_LIFETIME, 500.0f, 100.0f), 0);
  EXPECT_EQ(VLM_SetParticleRange(h, VLM_PARTICLE_LIFETIME, -100.0f, 100.0f), 0);
  EXPECT_EQ(VLM_SetParticleRange(h, VLM_PARTICLE_SIZE, 2.0f, 1.0f), 0);
  EXPECT_EQ(VLM_SetParticleRange(h, VLM_PARTICLE_ROTATION, -1.0f, 1.0f), 1);  // only lifetimes stay >= 0
  EXPECT_EQ(e->fRate, 1.0f);
  EXPECT_EQ(e->aRanges[VLM_PARTICLE_LIFETIME].fMax, 1000.0f);
  EXPECT_EQ(e->aRanges[VLM_PARTICLE_SIZE].fMax, 1.0f);

  std::string rows;
  for (const char* key : {"Emission\\Size", "Emission\\Direction", "Emission\\Position", "Emission\\MaxParticles",
                          "Emission\\Frequency", "Particle\\LifeTime", "Particle\\Raise"})
    rows += vlmtest::NoticeRow("VLM_LoadParticleEmitterDefinition",
                               std::string("Info: ") + key + " is not a usable value, the default is used!");
  rows += vlmtest::FailRow("VLM_SetParticleEmissionRate", "Fail: An emission rate must not be negative!");
  const std::string upwards = "Fail: A range's maximum must not lie below its minimum!";
  rows += vlmtest::FailRow("VLM_SetParticleRange", upwards) +
          vlmtest::FailRow("VLM_SetParticleRange", "Fail: A lifetime must not be negative!") +
          vlmtest::FailRow("VLM_SetParticleRange", upwards);
  EXPECT_EQ(vlmtest::LogBody(log).substr(before.size()), rows);
}

}  // namespace
}  // namespace ptest
