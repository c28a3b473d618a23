// Line breaking walks the text once, looking one character ahead for the
// kerning pair.
#include "text/text_layout.h"

#include <algorithm>
#include <cstdint>

#include "core/text.h"

namespace vlm::font {

namespace {

// The character at `at` (moving `at` past it); the end of the text reads as 0.
uint32_t Next(std::string_view text, size_t& at) {
  return at < text.size() ? DecodeUtf8(text, at) : 0;
}

}  // namespace

LineMeasure MeasureLine(const FontData& font, const TextStyle& style, std::string_view text, float size) {
  LineMeasure line;
  if (text.empty()) return line;
  if (const Glyph* space = font.Find(' ')) line.lineHeight = size * static_cast<float>(space->lineHeight);
  const bool wrap = style.wrapWidth > 0.0f;
  float width = 0.0f;
  bool spaceSeen = false;  // a break after the last space
  size_t spaceBreak = 0;
  float spaceWidth = 0.0f;
  size_t at = 0;    // start of the current character
  size_t next = 0;  // start of the one after it
  uint32_t c = Next(text, next);
  for (;;) {
    if (c == 0) {
      line.length = at;
      line.width = width;
      return line;
    }
    if (c == '\n') {
      line.length = next;
      line.width = width;
      return line;
    }
    if (c == ' ') {
      spaceSeen = true;
      spaceBreak = next;
      spaceWidth = width;
    }
    size_t after = next;
    const uint32_t following = Next(text, after);
    if (const Glyph* glyph = font.Find(c)) {
      const float before = width;
      width += size * (static_cast<float>(glyph->advance) + style.letterSpacing);
      if (style.kerning && following != 0) width += size * static_cast<float>(font.Kerning(c, following));
      if (wrap && width > style.wrapWidth) {
        if (spaceSeen) {
          line.length = spaceBreak;
          line.width = spaceWidth;
        } else if (at > 0) {
          line.length = at;
          line.width = before;
        } else {  // a character wider than the line still takes one line
          line.length = next;
          line.width = width;
        }
        return line;
      }
    }
    at = next;
    next = after;
    c = following;
  }
}

BlockMeasure MeasureBlock(const FontData& font, const TextStyle& style, std::string_view text, float size) {
  BlockMeasure block;
  size_t at = 0;
  for (;;) {
    const LineMeasure line = MeasureLine(font, style, text.substr(at), size);
    if (line.length == 0) return block;
    ++block.lines;
    block.width = std::max(block.width, line.width);
    block.height += line.lineHeight;
    at += line.length;
  }
}

}  // namespace vlm::font
