#include "sound_fixture.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "core/debug_channel.h"
#include "core/engine_state.h"
#include "core/registries.h"
#include "sound/listener.h"
#include "sound/sound_internal.h"
#include "sound/sound_record.h"
#include "sound/sound_state.h"
#include "velmora.h"

namespace soundtest {

namespace {

struct WaveBackEnd {
  std::string config;
  std::string output;
  // Before any OpenAL call of the process: OpenAL reads its configuration once.
  WaveBackEnd() {
    const std::string base = (vlmtest::TempRoot() / ("sound-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(vlmtest::TempRoot());
    config = base + ".conf";
    output = base + "-out.wav";
    std::ofstream(config) << "[general]\nchannels=stereo\nsample-type=int16\nfrequency=44100\n"
                             "dither=false\nhrtf=false\nperiod_size=512\n[wave]\nfile="
                          << output << "\n";
    setenv("ALSOFT_CONF", config.c_str(), 1);
    // VLM_TEST_NO_AUDIO names a back end that does not exist: no device.
    setenv("ALSOFT_DRIVERS", std::getenv("VLM_TEST_NO_AUDIO") ? "no-such-backend" : "wave", 1);
    const std::string mapping = "VLM_SoundTest_" + std::to_string(getpid());
    setenv("VLM_DEBUGGER_MAPPING_NAME", mapping.c_str(), 1);
  }
  ~WaveBackEnd() {
    std::remove(config.c_str());
    std::remove(output.c_str());
  }
};

WaveBackEnd& BackEnd() {
  static WaveBackEnd backEnd;
  return backEnd;
}
// Made during static start-up, long before main runs a test.
const WaveBackEnd& kBackEnd = BackEnd();

uint32_t U32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

const std::string& OutputFile() { return BackEnd().output; }

void WriteTone(const std::string& path, double hertz, double seconds, int rate, int16_t amplitude) {
  const auto frames = static_cast<uint32_t>(seconds * rate);
  std::string bytes;
  auto put32 = [&](uint32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
  auto put16 = [&](uint16_t v) { bytes.append(reinterpret_cast<const char*>(&v), 2); };
  bytes += "RIFF";
  put32(36 + frames * 2);
  bytes += "WAVEfmt ";
  put32(16);
  put16(1);
  put16(1);
  put32(static_cast<uint32_t>(rate));
  put32(static_cast<uint32_t>(rate) * 2);
  put16(2);
  put16(16);
  bytes += "data";
  put32(frames * 2);
  for (uint32_t i = 0; i < frames; ++i) {
    put16(static_cast<uint16_t>(static_cast<int16_t>(amplitude * std::sin(2.0 * M_PI * hertz * i / rate))));
  }
  vlmtest::WriteFile(path, bytes);
}

double Capture::Rms(const std::vector<int16_t>& side) const {
  if (end <= begin) return 0.0;
  double sum = 0.0;
  for (size_t i = begin; i < end; ++i) sum += static_cast<double>(side[i]) * side[i];
  return std::sqrt(sum / static_cast<double>(end - begin));
}

int Capture::Peak() const {
  int peak = 0;
  for (size_t i = 0; i < left.size(); ++i) peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
  return peak;
}

double Capture::Frequency(const std::vector<int16_t>& side, int rate) const {
  // Upward crossings placed between samples by linear interpolation.
  double first = -1.0, last = -1.0;
  int crossings = 0;
  for (size_t i = begin + 1; i < end; ++i) {
    if (side[i - 1] < 0 && side[i] >= 0) {
      const double at = static_cast<double>(i - 1) + side[i - 1] / static_cast<double>(side[i - 1] - side[i]);
      if (first < 0.0) first = at;
      last = at;
      ++crossings;
    }
  }
  if (crossings < 2) return 0.0;
  return (crossings - 1) * rate / (last - first);
}

Capture ReadOutput(double fraction) {
  const std::string bytes = vlmtest::ReadFile(OutputFile());
  Capture capture;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const uint32_t size = U32(reinterpret_cast<const uint8_t*>(bytes.data() + at + 4));
    if (bytes.compare(at, 4, "data") == 0) {
      const size_t frames = std::min<size_t>(size, bytes.size() - at - 8) / 4;
      const auto* samples = reinterpret_cast<const int16_t*>(bytes.data() + at + 8);
      for (size_t i = 0; i < frames; ++i) {
        capture.left.push_back(samples[2 * i]);
        capture.right.push_back(samples[2 * i + 1]);
      }
      break;
    }
    at += 8 + size + (size & 1);
  }
  size_t first = capture.left.size(), last = 0;
  for (size_t i = 0; i < capture.left.size(); ++i) {
    if (std::abs(capture.left[i]) > 64 || std::abs(capture.right[i]) > 64) {
      first = std::min(first, i);
      last = i + 1;
    }
  }
  if (last > first) {
    const size_t trim = static_cast<size_t>((last - first) * (1.0 - fraction) / 2.0);
    capture.begin = first + trim;
    capture.end = last - trim;
  }
  return capture;
}

VLM_SOUND* Record(VLM_HANDLE handle) {
  vlm::SoundMasterState& state = vlm::SoundMaster();
  std::lock_guard<std::mutex> guard(state.channelLock);
  if (VLM_SOUND* channel = vlm::sound::FindChannelLocked(handle)) return channel;
  return vlm::SoundRegistry().Resolve(handle);
}

void SoundTest::SetUp() {
  ASSERT_FALSE(BackEnd().output.empty());
  vlm::ResetTiming();
  VLM_InitSound();
  ASSERT_TRUE(vlm::SoundMaster().outputAvailable) << "the wave back end of OpenAL Soft did not open";
  tone = dir.File("tone.wav");
  WriteTone(tone, 441.0, 0.3);
}

void SoundTest::TearDown() {
  vlm::sound::ShutdownSound();
  vlm::sound::SetListenerForTests(nullptr);
  vlm::ResetTiming();
}

void SoundTest::EndSession() { vlm::sound::ShutdownSound(); }

void SoundTest::Sleep(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool SoundTest::WaitUntilStopped(VLM_HANDLE channel, double seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < until) {
    VLM_UpdateSounds();
    VLM_SOUND* record = Record(channel);
    if (!record || !record->iPlaying) return true;
    Sleep(0.01);
  }
  return false;
}

DebuggerReader::DebuggerReader() {
  vlm::RemoveDebuggerMapping();
  base_ = vlm::CreateDebuggerMapping(true);
  vlm::ResetDebugChannel("");
}

DebuggerReader::~DebuggerReader() {
  vlm::ResetDebugChannel("");
  vlm::CloseDebuggerMapping(base_);
  vlm::RemoveDebuggerMapping();
}

uint64_t DebuggerReader::Count() const {
  uint64_t count = 0;
  if (base_) std::memcpy(&count, base_, 8);
  return count;
}

std::string DebuggerReader::LastText(uint32_t* type) const {
  if (!base_) return "";
  uint32_t at = vlm::kFirstRecordOffset;
  uint32_t lastAt = 0;
  for (uint64_t i = 0; i < Count(); ++i) {
    lastAt = at;
    at = U32(base_ + at);
  }
  if (!lastAt) return "";
  if (type) *type = U32(base_ + lastAt + 4);
  return reinterpret_cast<const char*>(base_ + lastAt + 8);
}

}  // namespace soundtest
