// Sound definitions: keys, defaults and readers, and a folder of
// definition files (sounds, a light, an emitter) loaded end to end.
#include <cmath>

#include "core/registries.h"
#include "definition/definition_state.h"
#include "particles/particle_record.h"
#include "scene/light.h"
#include "sound/sound_internal.h"
#include "sound/sound_state.h"
#include "sound_fixture.h"
#include "velmora.h"

namespace soundtest {
namespace {

class SoundDefinitionTest : public SoundTest {
 protected:
  // Loads `block` (the body of a "Sound" block with File: tone.wav) from a
  // file in the test folder.
  VLM_SOUND* Load(const std::string& keys, const std::string& name = "Rain") {
    const std::string text = "Sound: " + name + " {\n  File: tone.wav\n" + keys + "}\n";
    VLM_DEFINITION_NODE* root = VLM_ParseDefinitionText(text.c_str(), (dir.Path().string() + "/").c_str());
    const VLM_HANDLE sound = VLM_LoadSoundDefinition(-1, root, "");
    VLM_FreeDefinitionNode(root, 1);
    return sound ? Record(sound) : nullptr;
  }
};

TEST_F(SoundDefinitionTest, KeysAndDefaults) {
  VLM_SOUND* plain = Load("");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->sName, "Rain");
  EXPECT_EQ(plain->iFlags, 0);
  EXPECT_EQ(plain->fRangeMin, 0.0f);
  EXPECT_EQ(plain->fRangeMax, -1.0f);  // unlimited, as created
  EXPECT_EQ(plain->fConeOuter, -1.0f);
  EXPECT_EQ(plain->fVolume, 1.0f);
  EXPECT_EQ(plain->fFrequencyFactor, 1.0f);
  EXPECT_EQ(plain->v4fDirection.z, -1.0f);
  EXPECT_EQ(plain->v4fPosition.w, 1.0f);

  EXPECT_EQ(Load("  Mode: LOOP, STREAM\n")->iFlags, VLM_SOUND_LOOP | VLM_SOUND_STREAM);
  EXPECT_EQ(Load("  Mode: loop\n")->iFlags, VLM_SOUND_LOOP);
  EXPECT_EQ(Load("  Mode: Loop, nonsense, background\n")->iFlags, VLM_SOUND_LOOP | VLM_SOUND_BACKGROUND);

  VLM_SOUND* cone = Load("  Cone: 60\n  Range: 5, 50\n");
  EXPECT_EQ(cone->fConeInner, 0.0f);
  EXPECT_NEAR(cone->fConeOuter, M_PI / 6.0, 1e-6);
  EXPECT_EQ(cone->fRangeMin, 5.0f);
  EXPECT_EQ(cone->fRangeMax, 50.0f);
  VLM_SOUND* pair = Load("  Cone: 20, 90\n  Range: 30\n");
  EXPECT_NEAR(pair->fConeInner, M_PI / 18.0, 1e-6);
  EXPECT_NEAR(pair->fConeOuter, M_PI / 4.0, 1e-6);
  EXPECT_EQ(pair->fRangeMin, 0.0f);
  EXPECT_EQ(pair->fRangeMax, 30.0f);

  VLM_SOUND* placed = Load("  Position: 1, 2, 3\n  Direction: 0, 1, 0\n  Volume: 0.25\n  Frequency: 2\n");
  EXPECT_EQ(placed->v4fPosition.x, 1.0f);
  EXPECT_EQ(placed->v4fPosition.z, 3.0f);
  EXPECT_EQ(placed->v4fPosition.w, 1.0f);
  EXPECT_EQ(placed->mLocal.e[13], 2.0f);  // the matrix follows the position
  EXPECT_EQ(placed->v4fDirection.y, 1.0f);
  EXPECT_EQ(placed->v4fDirection.w, 0.0f);
  EXPECT_EQ(placed->fVolume, 0.25f);
  EXPECT_EQ(placed->fFrequencyFactor, 2.0f);

  // No block, or no file: 0 and nothing made.
  const size_t before = vlm::SoundRegistry().Count();
  VLM_DEFINITION_NODE* empty = VLM_ParseDefinitionText("Sound: Quiet {\n  Volume: 1\n}\nOther {\n}\n", "");
  EXPECT_EQ(VLM_LoadSoundDefinition(-1, empty, ""), 0);
  EXPECT_EQ(VLM_LoadSoundDefinition(-1, VLM_FindDefinitionNode(empty, "\\Other", "", 0), ""), 0);
  VLM_FreeDefinitionNode(empty, 1);
  EXPECT_EQ(vlm::SoundRegistry().Count(), before);
}

TEST_F(SoundDefinitionTest, AFolderOfDefinitionsLoadsThroughDiscovery) {
  std::filesystem::create_directories(dir.Path() / "sounds");
  WriteTone(dir.File("sounds/hum.wav"), 220.0, 0.2);
  vlmtest::WriteFile(dir.File("Sounds.vld"),
                     "Library {\n"
                     "  Sound: Hum {\n    File: sounds\\hum.wav\n    Mode: PLAY, LOOP, CHANNEL\n"
                     "    Position: 10, 0, 0\n    Range: 50\n  }\n"
                     "  Sound: Tone {\n    File: tone.wav\n    Volume: 0.5\n  }\n"
                     "  Sound: Lost {\n    File: gone.wav\n  }\n"
                     "}\n");
  VLM_ParseDefinitionFiles(dir.File("Sounds.vld").c_str(), VLM_DEFINITION_SOUNDS);
  ASSERT_EQ(vlm::SoundRegistry().Count(), 2u);
  VLM_SOUND* hum = vlm::SoundRegistry().FindByName("Hum");
  ASSERT_NE(hum, nullptr);
  EXPECT_EQ(hum->fRangeMax, 50.0f);
  ASSERT_NE(vlm::SoundRegistry().FindByName("Tone"), nullptr);
  EXPECT_EQ(vlm::SoundRegistry().FindByName("Tone")->fVolume, 0.5f);
  // PLAY started a channel once the placement was read: it sounds from the
  // right, not from the origin.
  ASSERT_EQ(vlm::sound::ChannelCount(), 1u);
  const VLM_HANDLE channel = VLM_PlaySound(hum->iHandle, VLM_SOUND_OWN_FLAGS, nullptr);
  EXPECT_EQ(Record(channel)->v4fPosition.x, 10.0f);
  VLM_SOUND* first = nullptr;
  vlm::SoundMasterState& state = vlm::SoundMaster();
  {
    std::lock_guard<std::mutex> guard(state.channelLock);
    first = state.channels.front();
  }
  EXPECT_EQ(first->v4fPosition.x, 10.0f);
  EXPECT_EQ(first->iFlags, VLM_SOUND_PLAY | VLM_SOUND_LOOP | VLM_SOUND_CHANNEL);
  VLM_FreeDefinitionFile();
}

TEST_F(SoundDefinitionTest, AFolderWithASoundALightAndAnEmitter) {
  vlmtest::WriteFile(dir.File("a_sound.vld"), "Sound: Bell {\n  File: tone.wav\n  Range: 5, 50\n}\n");
  vlmtest::WriteFile(dir.File("b_light.vld"), "Light: {\n  Type: Spot\n  Range: 20\n  Position: 0, 9, 0\n}\n");
  vlmtest::WriteFile(dir.File("c_fire.vld"),
                     "ParticleEmitter: Fire {\n  Emission: {\n    Area: Box\n  }\n"
                     "  Particle: {\n    LifeTime: 2, 3\n  }\n}\n");
  const size_t lightsBefore = vlm::LightRegistry().Count();
  const size_t emittersBefore = vlm::ParticleEmitterRegistry().Count();
  const size_t treesBefore = vlm::Definitions().trees.size();
  VLM_ParseDefinitionFiles((dir.Path().string() + "/*.vld").c_str(), VLM_DEFINITION_ALL);

  // Discovery makes the sound; lights and emitters wait for their loaders.
  VLM_SOUND* bell = vlm::SoundRegistry().FindByName("Bell");
  ASSERT_NE(bell, nullptr);
  EXPECT_EQ(bell->fRangeMin, 5.0f);
  EXPECT_EQ(bell->fRangeMax, 50.0f);
  EXPECT_EQ(vlm::LightRegistry().Count(), lightsBefore);
  EXPECT_EQ(vlm::ParticleEmitterRegistry().Count(), emittersBefore);

  std::vector<VLM_DEFINITION_NODE*> roots;
  for (size_t i = treesBefore; i < vlm::Definitions().trees.size(); ++i) {
    roots.push_back(vlm::Definitions().trees[i].get());
  }
  ASSERT_EQ(roots.size(), 3u);
  VLM_HANDLE light = 0;
  VLM_PARTICLE_EMITTER* fire = nullptr;
  for (VLM_DEFINITION_NODE* root : roots) {
    if (!light) light = VLM_LoadLightDefinition(-1, root);
    if (!fire) fire = VLM_LoadParticleEmitterDefinition(-1, root);
  }
  ASSERT_NE(VLM_IsLight(light), nullptr);
  EXPECT_EQ(VLM_IsLight(light)->iLightType, VLM_LIGHT_SPOT);
  EXPECT_EQ(VLM_IsLight(light)->mVolume.e[13], 9.0f);
  EXPECT_FLOAT_EQ(VLM_IsLight(light)->mVolume.e[5], 20.2f);
  ASSERT_NE(fire, nullptr);
  EXPECT_EQ(fire->sName, "Fire");
  EXPECT_EQ(fire->iShape, VLM_EMISSION_BOX);
  EXPECT_EQ(fire->iCoordinateMode, VLM_PARTICLES_WORLD);
  EXPECT_EQ(fire->aRanges[VLM_PARTICLE_LIFETIME].fMin, 2000.0f);
  EXPECT_EQ(fire->aRanges[VLM_PARTICLE_LIFETIME].fMax, 3000.0f);

  VLM_FreeParticleEmitter(fire->iHandle);
  VLM_FreeLight(light);
  for (VLM_DEFINITION_NODE* root : roots) VLM_FreeDefinitionNode(root, 1);
}

}  // namespace
}  // namespace soundtest
