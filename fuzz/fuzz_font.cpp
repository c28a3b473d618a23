// Fuzz target: font files, and the same bytes measured as UTF-8 text with
// the font they made and with the built-in font.
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "text/builtin_font.h"
#include "text/font_file.h"
#include "text/text_layout.h"

namespace {

using namespace vlm::font;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void Measure(const FontData& font, std::string_view text, float wrap) {
  for (const TextStyle& style : {TextStyle{0.0f, 0.0f, true}, TextStyle{1.5f, wrap, true}, TextStyle{-3.0f, wrap, false}}) {
    size_t at = 0;
    int lines = 0;
    for (;;) {
      const LineMeasure line = MeasureLine(font, style, text.substr(at), 1.25f);
      Check(line.length <= text.size() - at);
      if (line.length == 0) break;
      at += line.length;
      ++lines;
    }
    const BlockMeasure block = MeasureBlock(font, style, text, 1.25f);
    Check(block.lines == lines);
  }
}

// The same file with every chunk's CRC-32 made to match, so that mutations
// reach the chunk contents instead of stopping at the checksum.
std::vector<uint8_t> WithMatchingCrcs(std::span<const uint8_t> bytes) {
  std::vector<uint8_t> out(bytes.begin(), bytes.end());
  size_t at = kSignature.size();
  while (at <= out.size() && out.size() - at >= kChunkHeaderBytes) {
    uint32_t length;
    std::memcpy(&length, &out[at], 4);
    if (length > out.size() - at - kChunkHeaderBytes) break;
    const auto crc = static_cast<uint32_t>(crc32(0, &out[at + kChunkHeaderBytes], length));
    for (int i = 0; i < 4; ++i) out[at + 4 + static_cast<size_t>(i)] = static_cast<uint8_t>(crc >> (8 * i));
    at += kChunkHeaderBytes + length;
  }
  return out;
}

void ReadAndClip(std::span<const uint8_t> bytes, int width, int height, FontData& font) {
  const ReadResult result = ReadFontFile(bytes, font);
  Check(result.stopOffset <= bytes.size());
  font.ClipToAtlas(width, height);
  for (const Glyph& g : font.Glyphs()) {
    Check(g.atlasX >= 0 && g.atlasY >= 0 && g.width >= 0 && g.height >= 0);
    Check(g.atlasX + g.width <= width && g.atlasY + g.height <= height);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const FontData* builtin = [] {
    auto* font = new FontData;
    ReadFontFile(vlm::BuiltinFontFile(), *font);
    return font;
  }();
  const std::span<const uint8_t> bytes(data, size);
  // An atlas size from the last bytes, as if the image had decoded.
  const int width = size > 1 ? data[size - 1] | (data[size - 2] & 0x7F) << 8 : 64;
  const int height = size > 3 ? data[size - 3] | (data[size - 4] & 0x7F) << 8 : 64;
  FontData raw;
  ReadAndClip(bytes, width, height, raw);
  FontData font;
  ReadAndClip(WithMatchingCrcs(bytes), width, height, font);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const float wrap = size > 4 ? static_cast<float>(data[4]) : 40.0f;
  Measure(font, text, wrap);
  Measure(*builtin, text, wrap);
  return 0;
}
