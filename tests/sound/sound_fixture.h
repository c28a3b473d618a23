// Sound tests run OpenAL Soft with its file-writing back end: every output
// session (VLM_InitSound ... ShutdownSound) writes one stereo 16-bit wave
// file at 44100 Hz, which the tests read back and measure.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sound/sound_record.h"
#include "support/test_support.h"
#include "velmora/types.h"

namespace soundtest {

// The wave file the output writes (fixed for the process).
const std::string& OutputFile();

// Writes a mono 16-bit wave file with a sine tone.
void WriteTone(const std::string& path, double hertz, double seconds, int rate = 44100,
               int16_t amplitude = 16000);

// The left and right samples of the last output session.
struct Capture {
  std::vector<int16_t> left, right;
  // The middle `fraction` of the part where anything sounds: [begin, end).
  size_t begin = 0, end = 0;
  double RmsLeft() const { return Rms(left); }
  double RmsRight() const { return Rms(right); }
  double Rms(const std::vector<int16_t>& side) const;
  int Peak() const;
  // Tone frequency from the zero crossings of a side within [begin, end).
  double Frequency(const std::vector<int16_t>& side, int rate = 44100) const;
};
Capture ReadOutput(double fraction = 0.6);

// Records of a sound handle: a template (ID or address) or a channel.
VLM_SOUND* Record(VLM_HANDLE handle);

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Ends the output session (the wave file is complete afterwards).
  void EndSession();
  // Calls VLM_UpdateSounds every 10 ms while the channel plays, up to
  // `seconds`; true when it stopped.
  bool WaitUntilStopped(VLM_HANDLE channel, double seconds);
  void Sleep(double seconds);
  vlmtest::TempDir dir;
  std::string tone;  // 441 Hz, 0.3 s
};

// The last record on the debugger channel, with its type.
class DebuggerReader {
 public:
  DebuggerReader();
  ~DebuggerReader();
  uint64_t Count() const;
  std::string LastText(uint32_t* type) const;

 private:
  uint8_t* base_ = nullptr;
};

}  // namespace soundtest
