// Text drawing throughput in glyphs per second: VLM_DrawText with the
// built-in font against the floor of the same quads, built once, uploaded
// and drawn through the same quad batch. The difference is layout and quad
// building; both end with glFinish, so the GL work is inside the time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_medians.h"
#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "gpu/gl_table.h"
#include "render/draw2d.h"
#include "render/render_state.h"
#include "support/gl_context.h"
#include "text/font_record.h"
#include "text/text_state.h"
#include "velmora.h"

namespace {

constexpr int kGlyphs = 4096;

bool HasGL() {
  static const vlmtest::GLContext gl;
  return gl.ok();
}

// 4096 letters in words of 7, wrapped at 600 px.
const std::string& Text() {
  static const std::string text = [] {
    std::string s;
    for (int i = 0; i < kGlyphs; ++i) s += (i % 8 == 7) ? ' ' : static_cast<char>('a' + i % 26);
    return s;
  }();
  return text;
}

void BM_DrawText(benchmark::State& state) {
  if (!HasGL()) return state.SkipWithError("no GL context");
  VLM_TEXT_SETTINGS settings{};
  VLM_GetFontSettings(-1, &settings);
  settings.wrapWidth = 600.0f;
  VLM_SetFontSettings(-1, &settings);
  int drawn = 0;
  for (auto _ : state) {
    drawn = VLM_DrawText(-1, 10, 10, Text().c_str(), VLM_DEFAULT, VLM_DEFAULTF, VLM_DEFAULTF);
    vlmgl.glFinish();
  }
  state.SetItemsProcessed(state.iterations() * drawn);
}

void BM_QuadBatchFloor(benchmark::State& state) {
  if (!HasGL()) return state.SkipWithError("no GL context");
  const VLM_FONT* font = VLM_IsFont(vlm::Text().defaultFont);
  const VLM_MATERIAL* material = font ? vlm::MaterialRegistry().Resolve(font->pData->material) : nullptr;
  if (!material) return state.SkipWithError("no built-in font");
  std::vector<vlm::render::Vertex2D> quads(static_cast<size_t>(kGlyphs) * 4);
  for (int i = 0; i < kGlyphs; ++i) {
    const float x = static_cast<float>(10 + (i % 64) * 9), y = static_cast<float>(10 + (i / 64) * 18);
    const float corners[4][2] = {{x, y}, {x + 8, y}, {x + 8, y + 14}, {x, y + 14}};
    for (int c = 0; c < 4; ++c)
      quads[static_cast<size_t>(i * 4 + c)] = {{corners[c][0], corners[c][1], 0, 1}, {0.1f, 0.1f}};
  }
  m4f identity{};
  identity.e[0] = identity.e[5] = identity.e[10] = identity.e[15] = 1.0f;
  for (auto _ : state) {
    vlm::render::Begin2D(*material, identity);
    for (int at = 0; at < kGlyphs; at += vlm::QuadBatch::kQuads)
      vlm::render::DrawQuadBatch(&quads[static_cast<size_t>(at) * 4], vlm::QuadBatch::kQuads);
    vlm::render::End2D();
    vlmgl.glFinish();
  }
  state.SetItemsProcessed(state.iterations() * kGlyphs);
}

BENCHMARK(BM_DrawText)->Unit(benchmark::kMicrosecond)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_QuadBatchFloor)->Unit(benchmark::kMicrosecond)->Repetitions(7)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  vlmbench::InitializeInterleaved(argc, argv);
  vlmbench::MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto ours = reporter.medians.find("BM_DrawText");
  const auto floor = reporter.medians.find("BM_QuadBatchFloor");
  if (ours != reporter.medians.end() && floor != reporter.medians.end()) {
    std::printf("%d glyphs medians: VLM_DrawText %.0f us (%.1f M glyphs/s), prebuilt quads %.0f us; "
                "ratio %.2f\n",
                kGlyphs, ours->second.real, kGlyphs / ours->second.real, floor->second.real,
                ours->second.real / floor->second.real);
  }
  benchmark::Shutdown();
  return 0;
}
