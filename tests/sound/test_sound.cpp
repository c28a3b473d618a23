// Sounds and channels: placement numbers, Doppler, the life of a channel,
// loading failures, the test data files, threads and a missing device.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "core/engine_state.h"
#include "core/registries.h"
#include "platform/sound_decode.h"
#include "platform/sound_output.h"
#include "sound/listener.h"
#include "sound/sound_internal.h"
#include "sound/sound_state.h"
#include "sound_fixture.h"
#include "velmora.h"

namespace soundtest {
namespace {

vlm::platform::ChannelSettings Settings(VLM_HANDLE channel) {
  vlm::platform::ChannelSettings settings;
  VLM_SOUND* record = Record(channel);
  EXPECT_NE(record, nullptr);
  if (record) {
    EXPECT_TRUE(vlm::platform::GetChannelSettings(record->runtimeChannel, &settings));
  }
  return settings;
}

class PlacementTest : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    sound = VLM_LoadSoundFile(-1, tone.c_str(), VLM_SOUND_CHANNEL | VLM_SOUND_LOOP, "");
    ASSERT_NE(sound, 0);
  }
  // Volume and pan of a channel played at `at`; -1 volume when it did not play.
  vlm::platform::ChannelSettings At(float x, float y, float z) {
    const v4f at{x, y, z, 1.0f};
    const VLM_HANDLE channel = VLM_PlaySound(sound, VLM_SOUND_OWN_FLAGS, &at);
    if (!channel) return {-1, 0, 0};
    VLM_UpdateSounds();
    const vlm::platform::ChannelSettings settings = Settings(channel);
    VLM_FreeSound(channel);
    return settings;
  }
  VLM_HANDLE sound = 0;
};

TEST_F(PlacementTest, VolumeFollowsSideDistanceAndRange) {
  // Unlimited range: never attenuated. Ahead 0.8 of the volume, aside 1.0.
  EXPECT_EQ(At(0, 0, -1000).volume, 80);
  EXPECT_EQ(At(0, 0, -1000).pan, 0);
  EXPECT_EQ(At(10, 0, 0).volume, 100);
  EXPECT_EQ(At(10, 0, 0).pan, 100);
  EXPECT_EQ(At(-3, 0, 0).pan, -100);
  // 45 degrees to the left: p = -0.7071, v = 0.8 + 0.2 * 0.5.
  EXPECT_EQ(At(-5, 0, -5).pan, -71);
  EXPECT_EQ(At(-5, 0, -5).volume, 90);

  Record(sound)->fRangeMin = 5.0f;
  Record(sound)->fRangeMax = 50.0f;
  EXPECT_EQ(At(0, 0, -1).volume, 80);     // inside rangeMin
  EXPECT_EQ(At(0, 0, -5).volume, 80);     // factor 1 at rangeMin
  EXPECT_EQ(At(0, 0, -27.5f).volume, 20); // m = 0.5: (0.5 - 1)^2 = 0.25
  EXPECT_EQ(At(0, 0, -50).volume, 0);     // factor 0 at rangeMax, still played
  EXPECT_EQ(At(0, 0, -50.5f).volume, -1); // beyond: not played at all
  EXPECT_EQ(vlm::sound::ChannelCount(), 0u);

  // The listener turned so that its right points down -z: the same sound
  // is now fully to its right.
  Record(sound)->fRangeMax = -1.0f;
  const m4f turned{{0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1}};
  vlm::sound::SetListenerForTests(&turned);
  EXPECT_EQ(At(0, 0, -10).pan, 100);
  EXPECT_EQ(At(0, 0, -10).volume, 100);
}

TEST_F(PlacementTest, ConeAndMasterValuesScaleTheChannel) {
  Record(sound)->fConeInner = 0.0f;
  Record(sound)->fConeOuter = static_cast<float>(M_PI / 6.0);  // "Cone: 60"
  const v4f at{0.0f, 0.0f, -10.0f, 1.0f};
  const VLM_HANDLE channel = VLM_PlaySound(sound, VLM_SOUND_OWN_FLAGS, &at);
  VLM_SOUND* record = Record(channel);
  auto facing = [&](double degrees) {
    const double a = degrees * M_PI / 180.0;
    record->v4fDirection = v4f{static_cast<float>(std::sin(a)), 0.0f, static_cast<float>(std::cos(a)), 0.0f};
    VLM_UpdateSounds();
    return Settings(channel).volume;
  };
  EXPECT_EQ(facing(0.0), 80);   // pointing at the listener
  EXPECT_EQ(facing(15.0), 20);  // halfway out of the cone: (0.5 - 1)^2
  EXPECT_EQ(facing(29.0), 0);   // (29/30 - 1)^2 * 0.8 rounds to 0
  EXPECT_EQ(facing(90.0), 0);
  facing(0.0);

  VLM_SetSoundVolume(VLM_SOUND_MASTER, 0.5f);
  VLM_SetSoundFrequency(VLM_SOUND_MASTER, 2.0f);
  VLM_UpdateSounds();
  EXPECT_EQ(Settings(channel).volume, 40);
  EXPECT_EQ(Settings(channel).frequency, 88200);
  VLM_SetSoundFrequency(channel, 0.25f);
  VLM_SetSoundVolume(channel, 2.5f);  // 2.5 * 0.5 * 0.8 = 1.0
  VLM_UpdateSounds();
  EXPECT_EQ(Settings(channel).frequency, 22050);
  EXPECT_EQ(Settings(channel).volume, 100);
  VLM_SetSoundVolume(channel, std::nanf(""));  // refused: the channel keeps its volume
  VLM_UpdateSounds();
  EXPECT_EQ(Settings(channel).volume, 100);
}

TEST_F(PlacementTest, DopplerFollowsTheApproachSpeed) {
  Record(sound)->iFlags |= VLM_SOUND_DOPPLEREFFECT;
  const v4f at{0.0f, 0.0f, -10.0f, 1.0f};
  const VLM_HANDLE channel = VLM_PlaySound(sound, VLM_SOUND_OWN_FLAGS, &at);
  vlm::Timing().lastFrameSeconds = 0.1f;
  VLM_UpdateSounds();
  // The first placement measured the distance; no jump from nothing.
  EXPECT_EQ(Settings(channel).frequency, 44100);
  auto listenerAt = [&](float z) {
    const m4f listener{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, z, 1}};
    vlm::sound::SetListenerForTests(&listener);
    VLM_UpdateSounds();
    return Settings(channel).frequency;
  };
  EXPECT_EQ(listenerAt(-3.4f), 49000);  // towards at 34 units/s: 44100 / (1 - 0.1)
  EXPECT_EQ(listenerAt(-3.4f), 44100);  // standing still
  EXPECT_EQ(listenerAt(0.0f), 40091);   // away: 44100 / (1 + 0.1)
  // Faster than sound towards it (999 units/s): the factor stops at 10
  // instead of dividing by zero or turning negative.
  vlm::Timing().lastFrameSeconds = 0.01f;
  EXPECT_EQ(listenerAt(-9.99f), 441000);
  vlm::Timing().lastFrameSeconds = 0.0f;  // no frame time: no shift
  EXPECT_EQ(listenerAt(0.0f), 44100);
}

TEST_F(SoundTest, ChannelsLiveUntilTheyStopOrTheirSoundGoes) {
  WriteTone(tone, 441.0, 0.05);
  const VLM_HANDLE sound = VLM_LoadSoundFile(3, tone.c_str(), VLM_SOUND_CHANNEL, "blip");
  ASSERT_EQ(sound, 3);
  // AUTORELEASE: the channel goes when it stops; without, it stays, stopped.
  const VLM_HANDLE released = VLM_PlaySound(sound, VLM_SOUND_CHANNEL | VLM_SOUND_AUTORELEASE, nullptr);
  const VLM_HANDLE kept = VLM_PlaySound(sound, VLM_SOUND_CHANNEL, nullptr);
  const VLM_HANDLE looping = VLM_PlaySound(sound, VLM_SOUND_CHANNEL | VLM_SOUND_LOOP, nullptr);
  const VLM_HANDLE stream = VLM_LoadSoundFile(4, tone.c_str(), VLM_SOUND_STREAM, "");
  const VLM_HANDLE streamLoop = VLM_PlaySound(stream, VLM_SOUND_CHANNEL | VLM_SOUND_LOOP, nullptr);
  ASSERT_TRUE(released && kept && looping && streamLoop);
  EXPECT_EQ(Record(kept)->sName, "");
  EXPECT_EQ(Record(kept)->iPlaying, 1);
  ASSERT_TRUE(WaitUntilStopped(released, 3.0));
  ASSERT_TRUE(WaitUntilStopped(kept, 3.0));
  Sleep(0.2);
  VLM_UpdateSounds();
  EXPECT_EQ(Record(released), nullptr);
  EXPECT_EQ(VLM_FreeSound(released), 0);
  ASSERT_NE(Record(kept), nullptr);
  EXPECT_EQ(Record(kept)->iPlaying, 0);
  EXPECT_EQ(Record(looping)->iPlaying, 1);  // four times its length, still going
  EXPECT_TRUE(vlm::platform::ChannelPlaying(Record(looping)->runtimeChannel));
  EXPECT_EQ(Record(streamLoop)->iPlaying, 1);  // the stream starts over from its thread
  VLM_FreeSound(stream);

  // Without CHANNEL a sound has one playback: playing it again cuts the
  // previous one off.
  const VLM_HANDLE first = VLM_PlaySound(sound, VLM_SOUND_LOOP, nullptr);
  const VLM_HANDLE second = VLM_PlaySound(sound, VLM_SOUND_LOOP, nullptr);
  VLM_UpdateSounds();
  EXPECT_EQ(Record(first)->iPlaying, 0);
  EXPECT_EQ(Record(second)->iPlaying, 1);

  // Freeing the template stops and removes every channel of it.
  const intptr_t runtimeLoop = Record(looping)->runtimeChannel;
  EXPECT_EQ(VLM_FreeSound(sound), 1);
  EXPECT_EQ(vlm::sound::ChannelCount(), 0u);
  EXPECT_FALSE(vlm::platform::ChannelPlaying(runtimeLoop));
  EXPECT_EQ(VLM_IsSound(3), nullptr);
  EXPECT_EQ(vlm::SoundRegistry().FindByName("blip"), nullptr);
  EXPECT_EQ(VLM_FreeSound(kept), 0);
  EXPECT_EQ(VLM_PlaySound(sound, VLM_SOUND_OWN_FLAGS, nullptr), 0);
  VLM_UpdateSounds();
}

TEST_F(SoundTest, MissingAndUndecodableFilesAreReportedOnTheDebuggerChannel) {
  DebuggerReader debugger;
  uint32_t type = 0;
  EXPECT_EQ(VLM_LoadSoundFile(7, "no\\such.ogg", 0, "missing"), 0);
  EXPECT_EQ(debugger.LastText(&type), "Sound : VLM_LoadSoundFile() : File does not exist ('no\\such.ogg')");
  EXPECT_EQ(type, static_cast<uint32_t>(VLM_DEBUG_WARNING));

  const std::string bad = dir.File("bad.ogg");
  vlmtest::WriteFile(bad, "OggS but nothing a decoder could use");
  EXPECT_EQ(VLM_LoadSoundFile(7, bad.c_str(), VLM_SOUND_STREAM, "broken"), 0);
  EXPECT_EQ(debugger.LastText(&type), "Sound : VLM_LoadSoundFile() : Sound loading has failed ('" + bad + "')");
  const std::string empty = dir.File("empty.wav");
  WriteTone(empty, 441.0, 0.0);  // a valid header and no samples
  EXPECT_EQ(VLM_LoadSoundFile(7, empty.c_str(), 0, ""), 0);
  EXPECT_EQ(debugger.Count(), 3u);
  EXPECT_EQ(VLM_LoadSoundFile(7, dir.Path().string().c_str(), 0, ""), 0);  // a folder
  EXPECT_EQ(vlm::SoundRegistry().Count(), 0u);
  EXPECT_EQ(VLM_IsSound(7), nullptr);
}

TEST_F(SoundTest, EveryTestDataFileLoadsAndPlaysToItsEnd) {
  const std::string data = vlmtest::TestDataDir();
  if (data.empty()) GTEST_SKIP() << "no test data";
  int played = 0;
  for (const char* folder : {"ogg", "wav"}) {
    for (const auto& entry : std::filesystem::directory_iterator(data + "/" + folder)) {
      const std::string file = entry.path().string();
      auto bytes = std::make_shared<std::vector<uint8_t>>();
      const std::string raw = vlmtest::ReadFile(file);
      bytes->assign(raw.begin(), raw.end());
      vlm::platform::DecodedSound decoded;
      std::string why;
      ASSERT_TRUE(vlm::platform::DecodeSound(bytes, &decoded, &why)) << file << ": " << why;
      const double seconds = static_cast<double>(decoded.Frames()) / decoded.rate;
      for (int32_t mode : {0, VLM_SOUND_STREAM}) {
        const VLM_HANDLE sound = VLM_LoadSoundFile(-1, file.c_str(), mode | VLM_SOUND_BACKGROUND, "");
        ASSERT_NE(sound, 0) << file;
        EXPECT_EQ(Record(sound)->fBaseFrequency, static_cast<float>(decoded.rate)) << file;
        VLM_SetSoundFrequency(sound, 8.0f);  // eight times as fast
        const auto start = std::chrono::steady_clock::now();
        const VLM_HANDLE channel = VLM_PlaySound(sound, VLM_SOUND_OWN_FLAGS, nullptr);
        ASSERT_NE(channel, 0) << file;
        EXPECT_TRUE(WaitUntilStopped(channel, seconds + 2.0)) << file << (mode ? " streamed" : "");
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // The wave back end mixes in step with the clock but catches up at
        // once after its thread was held back, so a loaded machine plays
        // a sound somewhat faster than real time: half its length still
        // tells a whole play from one cut off after a buffer or two.
        EXPECT_GT(took, seconds / 8.0 * 0.5) << file << " stopped early";
        VLM_FreeSound(sound);
        ++played;
      }
    }
  }
  EXPECT_EQ(played, 24);
}

TEST_F(SoundTest, PlayAndFreeFromTwoThreadsWhileTheFrameUpdates) {
  const VLM_HANDLE sound = VLM_LoadSoundFile(-1, tone.c_str(), VLM_SOUND_CHANNEL | VLM_SOUND_LOOP, "");
  Record(sound)->fRangeMax = 100.0f;
  std::atomic<int> running{2};
  std::atomic<int> failures{0};
  auto cycles = [&](float x) {
    const v4f at{x, 0.0f, -5.0f, 1.0f};
    for (int i = 0; i < 500; ++i) {
      const VLM_HANDLE channel = VLM_PlaySound(sound, VLM_SOUND_OWN_FLAGS, &at);
      if (!channel) ++failures;
      VLM_SetSoundVolume(channel, 0.5f);
      if (VLM_FreeSound(channel) != 1) ++failures;
    }
    --running;
  };
  std::thread a(cycles, -5.0f), b(cycles, 5.0f);
  int updates = 0;
  do {  // at least once: on a busy machine the threads may be done before the loop starts
    VLM_UpdateSounds();
    ++updates;
  } while (running > 0);
  a.join();
  b.join();
  EXPECT_EQ(failures, 0);
  EXPECT_GT(updates, 0);
  EXPECT_EQ(vlm::sound::ChannelCount(), 0u);
}

// Runs only inside the child process of the next test, which gives it no
// audio device.
TEST(NoAudioDevice, EngineKeepsRunningSilently) {
  if (!std::getenv("VLM_TEST_NO_AUDIO")) GTEST_SKIP() << "runs in a child process";
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  VLM_InitSound();
  EXPECT_FALSE(vlm::SoundMaster().outputAvailable);
  const std::string tone = dir.File("tone.wav");
  WriteTone(tone, 441.0, 0.1);
  EXPECT_EQ(VLM_LoadSoundFile(-1, tone.c_str(), VLM_SOUND_PLAY, ""), 0);
  EXPECT_EQ(VLM_PlaySound(1, VLM_SOUND_OWN_FLAGS, nullptr), 0);
  EXPECT_EQ(VLM_UpdateSounds(), 0);
  EXPECT_EQ(VLM_SetSoundVolume(VLM_SOUND_MASTER, 0.5f), 0);
  const std::string body = vlmtest::LogBody(log);
  const std::string row = "Info: No sound output (no audio device could be opened); sounds stay silent.";
  const size_t at = body.find(row);
  EXPECT_NE(at, std::string::npos) << body;
  EXPECT_EQ(body.find("<tr>", body.find("<tr>") + 1), std::string::npos) << "one row only:\n" << body;
  vlm::sound::ShutdownSound();
}

TEST(NoAudioDevice, ChildProcessWithoutADevice) {
  if (std::getenv("VLM_TEST_NO_AUDIO")) GTEST_SKIP();
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string command = "VLM_TEST_NO_AUDIO=1 '" + self +
                              "' --gtest_filter=NoAudioDevice.EngineKeepsRunningSilently > /dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
}

}  // namespace
}  // namespace soundtest
