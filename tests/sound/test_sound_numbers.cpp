// Numbers a sound cannot take are refused with a row and leave the records
// as they were; a definition key that cannot be meant gives its default
// with an Info row.
#include <limits>
#include <string>

#include "physics/world.h"
#include "physics/world_state.h"
#include "sound/sound_internal.h"
#include "sound/sound_state.h"
#include "sound_fixture.h"
#include "velmora.h"

namespace soundtest {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST_F(SoundTest, NumbersThatCannotBeMeantAreRefusedOrGiveTheKeysDefault) {
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  const VLM_HANDLE sound = VLM_LoadSoundFile(1, tone.c_str(), VLM_SOUND_LOOP, "");
  const VLM_HANDLE channel = VLM_PlaySound(sound, VLM_SOUND_OWN_FLAGS, nullptr);
  ASSERT_TRUE(sound && channel);
  VLM_SetSoundVolume(sound, 0.5f);
  VLM_SetSoundFrequency(sound, 1.5f);
  for (VLM_HANDLE target : {sound, channel, VLM_HANDLE{VLM_SOUND_MASTER}}) {
    for (float volume : {kNaN, kInf, -1.0f, -1e30f}) VLM_SetSoundVolume(target, volume);
    for (float factor : {kNaN, -kInf, 0.0f, -2.0f}) VLM_SetSoundFrequency(target, factor);
  }
  EXPECT_EQ(Record(sound)->fVolume, 0.5f);
  EXPECT_EQ(Record(sound)->fFrequencyFactor, 1.5f);
  EXPECT_EQ(Record(channel)->fVolume, 1.0f);
  EXPECT_EQ(Record(channel)->fFrequencyFactor, 1.0f);
  EXPECT_EQ(vlm::SoundMaster().masterVolume, 1.0f);
  EXPECT_EQ(vlm::SoundMaster().masterFrequency, 1.0f);
  VLM_SetSoundVolume(VLM_SOUND_MASTER, 0.0f);  // silence is a volume
  EXPECT_EQ(vlm::SoundMaster().masterVolume, 0.0f);

  const v4f nowhere{kNaN, 0.0f, 0.0f, 1.0f};
  EXPECT_EQ(VLM_PlaySound(sound, VLM_SOUND_OWN_FLAGS, &nowhere), 0);
  EXPECT_EQ(vlm::sound::ChannelCount(), 1u);
  ASSERT_TRUE(VLM_CreatePhysicalMaterial(1, 0.5f, 0.5f, ""));
  VLM_SetCollisionSound(sound, kNaN, 1, -1);
  VLM_SetCollisionSound(sound, -3.0f, 1, -1);
  EXPECT_EQ(VLM_FindCollisionSound(1, -1, nullptr), 0);
  VLM_RemoveCollisionSound(1, 99);
  VLM_RemoveCollisionSound(98, -1);

  // Every key of this block is unusable; the loaded sound takes the defaults.
  VLM_DEFINITION_NODE* tree = VLM_ParseDefinitionText(
      "Sound: S { File: 'tone.wav'\nVolume: -1\nFrequency: 0\nPosition: NaN, 1, 2\nDirection: 0, 0, 0\n"
      "Cone: 60, 20\nRange: 5, 1 }",
      (dir.Path().string() + "/").c_str());
  VLM_SOUND* loaded = Record(VLM_LoadSoundDefinition(2, tree, ""));
  VLM_FreeDefinitionNode(tree, 1);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->fVolume, 1.0f);
  EXPECT_EQ(loaded->fFrequencyFactor, 1.0f);
  EXPECT_EQ(loaded->v4fPosition.x, 0.0f);
  EXPECT_EQ(loaded->v4fDirection.z, -1.0f);
  EXPECT_EQ(loaded->fConeOuter, -1.0f);
  EXPECT_EQ(loaded->fRangeMax, -1.0f);

  VLM_OpenLogFile("", 1, 1);
  const std::string body = vlmtest::LogBody(log);
  EXPECT_EQ(Count(body, vlmtest::FailRow("VLM_SetSoundVolume", "Fail: A volume must be finite and not negative!")),
            12u);
  EXPECT_EQ(Count(body, vlmtest::FailRow("VLM_SetSoundFrequency",
                                         "Fail: A frequency factor must be finite and above 0!")),
            12u);
  EXPECT_EQ(Count(body, vlmtest::FailRow("VLM_PlaySound", "Fail: Numbers must be finite!")), 1u);
  EXPECT_EQ(Count(body, vlmtest::FailRow("VLM_SetCollisionSound",
                                         "Fail: A reference speed must be finite and not negative!")),
            2u);
  EXPECT_EQ(Count(body, vlmtest::FailRow("VLM_RemoveCollisionSound", "Fail: Physical material not found!")), 2u);
  std::string keys;
  for (const char* key : {"Position", "Direction", "Cone", "Range", "Volume", "Frequency"})
    keys += vlmtest::NoticeRow("VLM_LoadSoundDefinition",
                               std::string("Info: ") + key + " is not a usable value, the default is used!");
  EXPECT_NE(body.find(keys), std::string::npos);
  vlm::ResetPhysics();
}

}  // namespace
}  // namespace soundtest
