// Sound benchmarks. "UpdateSounds" places 256 playing positional channels
// relative to a turning listener once per iteration (the per-frame cost).
// "DecodeOgg" decodes a generated 30 s stereo Ogg Vorbis file from memory;
// "Oggdec" runs vorbis-tools' oggdec on the same file (writing to
// /dev/null) in the same run, and the closing line gives the ratio of the
// medians (ours / oggdec).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_medians.h"
#include "platform/sound_decode.h"
#include "sound/listener.h"
#include "sound/sound_internal.h"
#include "velmora.h"

namespace {

namespace fs = std::filesystem;

constexpr int kChannels = 256;
constexpr int kRate = 44100;
constexpr int kSeconds = 30;

struct Files {
  fs::path directory;
  std::string tone;  // short mono wave for the channels
  std::string ogg;   // empty when oggenc is missing
  std::shared_ptr<const std::vector<uint8_t>> oggBytes;
  size_t oggFrames = 0;
};

Files& TheFiles() {
  static Files files;
  return files;
}

void WriteWave(const std::string& path, int channels, int seconds) {
  const uint32_t frames = static_cast<uint32_t>(kRate * seconds);
  std::ofstream out(path, std::ios::binary);
  auto put32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto put16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  const uint32_t bytes = frames * 2 * static_cast<uint32_t>(channels);
  out << "RIFF";
  put32(36 + bytes);
  out << "WAVEfmt ";
  put32(16);
  put16(1);
  put16(static_cast<uint16_t>(channels));
  put32(kRate);
  put32(kRate * 2 * static_cast<uint32_t>(channels));
  put16(static_cast<uint16_t>(2 * channels));
  put16(16);
  out << "data";
  put32(bytes);
  uint32_t noise = 12345;
  for (uint32_t i = 0; i < frames; ++i) {
    // A chord with a little noise: something like music for the encoder.
    const double t = static_cast<double>(i) / kRate;
    for (int c = 0; c < channels; ++c) {
      noise = noise * 1664525u + 1013904223u;
      const double v = 6000.0 * std::sin(2 * M_PI * 220.0 * t + c) + 4000.0 * std::sin(2 * M_PI * 330.0 * t) +
                       3000.0 * std::sin(2 * M_PI * 440.0 * (1.0 + 0.01 * std::sin(t)) * t) +
                       static_cast<double>(static_cast<int32_t>(noise >> 16) - 32768) / 16.0;
      put16(static_cast<uint16_t>(static_cast<int16_t>(v)));
    }
  }
}

void Prepare() {
  Files& files = TheFiles();
  files.directory = fs::temp_directory_path() / ("vlm-bench-sound-" + std::to_string(getpid()));
  fs::create_directories(files.directory);
  files.tone = (files.directory / "tone.wav").string();
  WriteWave(files.tone, 1, 1);
  const std::string wave = (files.directory / "music.wav").string();
  const std::string ogg = (files.directory / "music.ogg").string();
  WriteWave(wave, 2, kSeconds);
  if (std::system(("oggenc -Q -q 4 -o '" + ogg + "' '" + wave + "' 2>/dev/null").c_str()) == 0) {
    std::ifstream in(ogg, std::ios::binary);
    auto bytes = std::make_shared<std::vector<uint8_t>>((std::istreambuf_iterator<char>(in)),
                                                        std::istreambuf_iterator<char>());
    files.oggBytes = bytes;
    files.ogg = ogg;
    vlm::platform::DecodedSound decoded;
    if (vlm::platform::DecodeSound(files.oggBytes, &decoded, nullptr)) files.oggFrames = decoded.Frames();
  }
  fs::remove(wave);
  // Unless told otherwise, the output goes to a file nobody hears.
  const std::string config = (files.directory / "alsoft.conf").string();
  std::ofstream(config) << "[wave]\nfile=/dev/null\n";
  setenv("ALSOFT_CONF", config.c_str(), 0);
  setenv("ALSOFT_DRIVERS", "wave", 0);
}

void BM_UpdateSounds(benchmark::State& state) {
  VLM_InitSound();
  const VLM_HANDLE sound = VLM_LoadSoundFile(-1, TheFiles().tone.c_str(),
                                             VLM_SOUND_LOOP | VLM_SOUND_CHANNEL | VLM_SOUND_DOPPLEREFFECT, "");
  if (!sound) {
    state.SkipWithError("no sound output");
    return;
  }
  int playing = 0;
  for (int i = 0; i < kChannels; ++i) {
    const float a = static_cast<float>(i) * 0.7f;
    const v4f at{20.0f * std::cos(a), static_cast<float>(i % 7), 20.0f * std::sin(a), 1.0f};
    playing += VLM_PlaySound(sound, VLM_SOUND_OWN_FLAGS, &at) != 0;
  }
  if (playing != kChannels) state.SkipWithError("not every channel started");
  // The listener turns a little every frame, so every channel changes.
  float yaw = 0.0f;
  for (auto _ : state) {
    yaw += 0.01f;
    const float c = std::cos(yaw), s = std::sin(yaw);
    const m4f listener{{c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1}};
    vlm::sound::SetListenerForTests(&listener);
    VLM_UpdateSounds();
  }
  vlm::sound::SetListenerForTests(nullptr);
  state.counters["channels"] = playing;
  VLM_FreeSound(sound);
}

void BM_DecodeOgg(benchmark::State& state) {
  if (!TheFiles().oggBytes) {
    state.SkipWithError("oggenc (vorbis-tools) is missing");
    return;
  }
  for (auto _ : state) {
    vlm::platform::DecodedSound decoded;
    vlm::platform::DecodeSound(TheFiles().oggBytes, &decoded, nullptr);
    benchmark::DoNotOptimize(decoded.samples.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(TheFiles().oggFrames));
}

void BM_Oggdec(benchmark::State& state) {
  if (TheFiles().ogg.empty() || std::system("command -v oggdec > /dev/null") != 0) {
    state.SkipWithError("oggdec (vorbis-tools) is missing");
    return;
  }
  const std::string command = "oggdec -Q -o /dev/null '" + TheFiles().ogg + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("oggdec failed");
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(TheFiles().oggFrames));
}

}  // namespace

BENCHMARK(BM_UpdateSounds)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodeOgg)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_Oggdec)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->UseRealTime();

int main(int argc, char** argv) {
  Prepare();
  vlmbench::InitializeInterleaved(argc, argv);
  vlmbench::MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto ours = reporter.medians.find("BM_DecodeOgg");
  const auto theirs = reporter.medians.find("BM_Oggdec");
  if (ours != reporter.medians.end() && theirs != reporter.medians.end()) {
    std::printf("Ogg Vorbis decode of %d s stereo: ours %.1f ms, oggdec %.1f ms; ratio ours / oggdec %.3f "
                "(target <= 1)\n",
                kSeconds, ours->second.real, theirs->second.real, ours->second.real / theirs->second.real);
  }
  const auto update = reporter.medians.find("BM_UpdateSounds");
  if (update != reporter.medians.end()) {
    std::printf("VLM_UpdateSounds with %d positional channels: %.1f us per update (median)\n", kChannels,
                update->second.real);
  }
  vlm::sound::ShutdownSound();
  benchmark::Shutdown();
  fs::remove_all(TheFiles().directory);
  return 0;
}
