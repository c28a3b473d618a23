// Text layout throughput: block measurement of a long paragraph in the
// built-in font, in glyphs per second. "DecodeOnly" walks the same text with
// the UTF-8 decoder and the glyph table alone, the floor any layout pays.
#include <benchmark/benchmark.h>

#include <string>

#include "core/text.h"
#include "text/builtin_font.h"
#include "text/text_layout.h"

namespace {

using namespace vlm::font;

const FontData& Font() {
  static const FontData font = [] {
    FontData f;
    ReadFontFile(vlm::BuiltinFontFile(), f);
    return f;
  }();
  return font;
}

// About 64 KiB of prose with a few accented letters and no line feeds.
const std::string& Paragraph() {
  static const std::string text = [] {
    const std::string sentence =
        "The quick brown fox jumps over the lazy dog while AVA and Wally count "
        "\xC3\xA9t\xC3\xA9 r\xC3\xA9sum\xC3\xA9s for 12.50 \xE2\x82\xAC each. ";
    std::string s;
    while (s.size() < 65536) s += sentence;
    return s;
  }();
  return text;
}

size_t GlyphCount(const std::string& text) {
  size_t n = 0;
  for (size_t at = 0; at < text.size();) n += Font().Find(vlm::DecodeUtf8(text, at)) != nullptr;
  return n;
}

void BM_TextSize(benchmark::State& state) {
  const std::string& text = Paragraph();
  const TextStyle style{0.0f, static_cast<float>(state.range(0)), state.range(1) != 0};
  for (auto _ : state) {
    BlockMeasure block = MeasureBlock(Font(), style, text, 1.0f);
    benchmark::DoNotOptimize(block);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * GlyphCount(text)));
}
// wrap width (0 = one line), kerning
BENCHMARK(BM_TextSize)->Args({0, 1})->Args({400, 1})->Args({400, 0});

void BM_DecodeOnly(benchmark::State& state) {
  const std::string& text = Paragraph();
  for (auto _ : state) {
    int advance = 0;
    for (size_t at = 0; at < text.size();) {
      if (const Glyph* g = Font().Find(vlm::DecodeUtf8(text, at))) advance += g->advance;
    }
    benchmark::DoNotOptimize(advance);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * GlyphCount(text)));
}
BENCHMARK(BM_DecodeOnly);

}  // namespace

BENCHMARK_MAIN();
