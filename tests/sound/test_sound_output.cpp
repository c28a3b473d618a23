// The mixing as it reaches the output: OpenAL Soft writes a wave file and
// the tests measure its samples.
#include <cmath>

#include "core/engine_state.h"
#include "sound/listener.h"
#include "sound_fixture.h"
#include "velmora.h"

namespace soundtest {
namespace {

constexpr double kToneRms = 16000.0 / 1.41421356;  // of the 16000-amplitude sine

TEST_F(SoundTest, PanPutsAMonoToneInOneChannelAndSplitsItAtEqualPowerInTheCentre) {
  // A sound straight to the right of the listener: pan 100, volume 1.0.
  const VLM_HANDLE sound = VLM_LoadSoundFile(-1, tone.c_str(), VLM_SOUND_CHANNEL, "");
  ASSERT_NE(sound, 0);
  const v4f right{10.0f, 0.0f, 0.0f, 1.0f};
  const VLM_HANDLE channel = VLM_PlaySound(sound, VLM_SOUND_OWN_FLAGS, &right);
  ASSERT_NE(channel, 0);
  ASSERT_TRUE(WaitUntilStopped(channel, 3.0));
  EndSession();
  Capture side = ReadOutput();
  ASSERT_GT(side.end, side.begin);
  EXPECT_NEAR(side.RmsRight(), kToneRms, kToneRms * 0.02);
  EXPECT_LT(side.RmsLeft(), 2.0);  // silence, up to rounding

  // Background: no pan, volume 1.0, each side at 1/sqrt(2).
  VLM_InitSound();
  const VLM_HANDLE centred = VLM_LoadSoundFile(-1, tone.c_str(), VLM_SOUND_BACKGROUND, "");
  ASSERT_TRUE(WaitUntilStopped(VLM_PlaySound(centred, VLM_SOUND_OWN_FLAGS, nullptr), 3.0));
  EndSession();
  Capture centre = ReadOutput();
  EXPECT_NEAR(centre.RmsLeft(), kToneRms * std::sqrt(0.5), kToneRms * 0.02);
  EXPECT_NEAR(centre.RmsRight(), kToneRms * std::sqrt(0.5), kToneRms * 0.02);
}

TEST_F(SoundTest, AtTheEndOfItsRangeASoundIsSilent) {
  const VLM_HANDLE sound = VLM_LoadSoundFile(-1, tone.c_str(), VLM_SOUND_CHANNEL, "");
  Record(sound)->fRangeMin = 2.0f;
  Record(sound)->fRangeMax = 10.0f;
  const v4f atMax{0.0f, 0.0f, -10.0f, 1.0f};
  const VLM_HANDLE channel = VLM_PlaySound(sound, VLM_SOUND_OWN_FLAGS, &atMax);
  ASSERT_NE(channel, 0);  // at the range, not beyond: it plays
  ASSERT_TRUE(WaitUntilStopped(channel, 3.0));
  EndSession();
  EXPECT_LE(ReadOutput().Peak(), 1);
}

TEST_F(SoundTest, VolumeFiftyHalvesTheAmplitude) {
  double rms[2] = {0.0, 0.0};
  for (int pass = 0; pass < 2; ++pass) {
    if (pass) VLM_InitSound();
    const VLM_HANDLE sound = VLM_LoadSoundFile(-1, tone.c_str(), VLM_SOUND_BACKGROUND, "");
    VLM_SetSoundVolume(sound, pass ? 0.5f : 1.0f);
    ASSERT_TRUE(WaitUntilStopped(VLM_PlaySound(sound, VLM_SOUND_OWN_FLAGS, nullptr), 3.0));
    EndSession();
    rms[pass] = ReadOutput().RmsLeft();
  }
  ASSERT_GT(rms[0], 1000.0);
  EXPECT_NEAR(rms[1] / rms[0], 0.5, 0.005);
}

TEST_F(SoundTest, ApproachingTheSourceRaisesTheMeasuredPitch) {
  // The listener moves 3.4 units towards the sound in a 0.1 s frame: 34
  // units per second, a tenth of the speed of sound.
  WriteTone(tone, 441.0, 1.0);
  const VLM_HANDLE sound = VLM_LoadSoundFile(-1, tone.c_str(), VLM_SOUND_DOPPLEREFFECT | VLM_SOUND_CHANNEL, "");
  const v4f ahead{0.0f, 0.0f, -10.0f, 1.0f};
  const VLM_HANDLE channel = VLM_PlaySound(sound, VLM_SOUND_OWN_FLAGS, &ahead);
  ASSERT_NE(channel, 0);
  m4f listener{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -3.4f, 1}};
  vlm::sound::SetListenerForTests(&listener);
  vlm::Timing().lastFrameSeconds = 0.1f;
  VLM_UpdateSounds();
  Sleep(0.6);
  EndSession();
  Capture shifted = ReadOutput();
  // The later part of the tone, well after the update took effect.
  shifted.begin = (shifted.begin + shifted.end) / 2;
  EXPECT_NEAR(shifted.Frequency(shifted.left) / 441.0, 1.0 / 0.9, 0.01 / 0.9);
}

}  // namespace
}  // namespace soundtest
