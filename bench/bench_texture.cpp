// Texture images: decoding a generated 2048 x 2048 picture from PNG and
// from JPEG with the engine's codecs against stb_image on the same bytes in
// the same run; then decoding and uploading it as a texture
// (VLM_CatchTexture) against stb_image's decode plus the same glTexImage2D,
// on a real GL context. Prints the ratios (ours / stb_image) of the medians, for
// real time and for process CPU time (the steadier figure on a busy
// machine).
#include <benchmark/benchmark.h>
#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_medians.h"
#include "definition/texture_material_records.h"
#include "gpu/gl_table.h"
#include "platform/image.h"
#include "support/gl_context.h"
#include "velmora.h"

namespace {

constexpr int kSide = 2048;

struct Encoded {
  std::vector<uint8_t> png;
  std::vector<uint8_t> jpeg;
};

// A photo-like picture: smooth colour fields with fine grain, so that both
// codecs see typical work rather than flat runs.
const Encoded& Pictures() {
  static const Encoded encoded = [] {
    std::vector<uint8_t> rgb(static_cast<size_t>(kSide) * kSide * 3);
    uint32_t seed = 12345;
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) {
        seed = seed * 1664525u + 1013904223u;
        const int grain = static_cast<int>(seed >> 29) - 4;
        uint8_t* px = &rgb[(static_cast<size_t>(y) * kSide + x) * 3];
        px[0] = static_cast<uint8_t>(std::clamp(128 + 100 * std::sin(x * 0.004) + grain, 0.0, 255.0));
        px[1] = static_cast<uint8_t>(std::clamp(128 + 100 * std::cos(y * 0.003) + grain, 0.0, 255.0));
        px[2] = static_cast<uint8_t>(std::clamp(128 + 90 * std::sin((x + y) * 0.002) + grain, 0.0, 255.0));
      }
    Encoded e;
    e.png = vlm::platform::EncodePng(rgb.data(), kSide, kSide, 3, kSide * 3);
    e.jpeg = vlm::platform::EncodeJpeg(rgb.data(), kSide, kSide, 3, kSide * 3, 90, false);
    return e;
  }();
  return encoded;
}

void Ours(benchmark::State& state, const std::vector<uint8_t>& bytes) {
  for (auto _ : state) {
    const vlm::platform::Image image = vlm::platform::DecodeImage(bytes.data(), bytes.size());
    if (!image) state.SkipWithError("decoding failed");
    benchmark::DoNotOptimize(image.Pixels());
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSide} * kSide * 3);
}

void Stb(benchmark::State& state, const std::vector<uint8_t>& bytes) {
  for (auto _ : state) {
    int w = 0, h = 0, n = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &n, 0);
    if (!pixels) state.SkipWithError("decoding failed");
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSide} * kSide * 3);
}

// Decoding and uploading: the texture is complete once glFinish returns.
void OursUpload(benchmark::State& state, const std::vector<uint8_t>& bytes) {
  for (auto _ : state) {
    VLM_TEXTURE* texture = VLM_CatchTexture(-1, bytes.data(), bytes.size(), GL_LINEAR, "");
    if (!texture) state.SkipWithError("texture failed");
    vlmgl.glFinish();
    if (texture) VLM_FreeTexture(texture->iHandle);
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSide} * kSide * 3);
}

void StbUpload(benchmark::State& state, const std::vector<uint8_t>& bytes) {
  for (auto _ : state) {
    int w = 0, h = 0, n = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &n, 0);
    if (!pixels) state.SkipWithError("decoding failed");
    GLuint texture = 0;
    vlmgl.glGenTextures(1, &texture);
    vlmgl.glBindTexture(GL_TEXTURE_2D, texture);
    vlmgl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    vlmgl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    vlmgl.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    vlmgl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, n == 4 ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE,
                       pixels);
    vlmgl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    vlmgl.glBindTexture(GL_TEXTURE_2D, 0);
    vlmgl.glFinish();
    stbi_image_free(pixels);
    vlmgl.glDeleteTextures(1, &texture);
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSide} * kSide * 3);
}

bool HasGL() {
  static const vlmtest::GLContext gl;
  return gl.ok();
}

void BM_UploadPng(benchmark::State& state) {
  if (!HasGL()) return state.SkipWithError("no GL context");
  OursUpload(state, Pictures().png);
}
void BM_StbUploadPng(benchmark::State& state) {
  if (!HasGL()) return state.SkipWithError("no GL context");
  StbUpload(state, Pictures().png);
}
void BM_UploadJpeg(benchmark::State& state) {
  if (!HasGL()) return state.SkipWithError("no GL context");
  OursUpload(state, Pictures().jpeg);
}
void BM_StbUploadJpeg(benchmark::State& state) {
  if (!HasGL()) return state.SkipWithError("no GL context");
  StbUpload(state, Pictures().jpeg);
}

void BM_DecodePng(benchmark::State& state) { Ours(state, Pictures().png); }
void BM_StbPng(benchmark::State& state) { Stb(state, Pictures().png); }
void BM_DecodeJpeg(benchmark::State& state) { Ours(state, Pictures().jpeg); }
void BM_StbJpeg(benchmark::State& state) { Stb(state, Pictures().jpeg); }

BENCHMARK(BM_DecodePng)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_StbPng)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_StbJpeg)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_UploadPng)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_StbUploadPng)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_UploadJpeg)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_StbUploadJpeg)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  vlmbench::InitializeInterleaved(argc, argv);
  const Encoded& pictures = Pictures();  // encode outside the timed runs
  std::printf("2048 x 2048 RGB: PNG %zu bytes, JPEG (quality 90) %zu bytes\n", pictures.png.size(),
              pictures.jpeg.size());
  vlmbench::MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* format : {"Png", "Jpeg"}) {
    for (const char* step : {"Decode", "Upload"}) {
      const auto ours = reporter.medians.find(std::string("BM_") + step + format);
      const auto theirs = reporter.medians.find(std::string("BM_Stb") +
                                                (std::string(step) == "Upload" ? "Upload" : "") + format);
      if (ours == reporter.medians.end() || theirs == reporter.medians.end()) continue;
      const auto& a = ours->second;
      const auto& b = theirs->second;
      std::printf("%s %s medians: ours %.1f ms (CPU %.1f ms), stb_image %.1f ms (CPU %.1f ms); "
                  "ratio ours / stb_image: real %.3f, CPU %.3f (target <= 1)\n",
                  format, std::string(step) == "Upload" ? "decode + upload" : "decode", a.real, a.cpu,
                  b.real, b.cpu, a.real / b.real, a.cpu / b.cpu);
    }
  }
  benchmark::Shutdown();
  return 0;
}
