// Measuring UTF-8 text set in a bitmap font. Characters that have no glyph
// (code points above U+FFFF, invalid bytes) take no room; a zero byte ends
// the text.
#pragma once

#include <cstddef>
#include <string_view>

#include "text/font_file.h"

namespace vlm::font {

// The settings of a font that measuring reads.
struct TextStyle {
  float letterSpacing = 0.0f;  // pixels added to every advance
  float wrapWidth = 0.0f;      // 0 or less: lines break only at line feeds
  bool kerning = true;
};

struct LineMeasure {
  size_t length = 0;        // bytes of the first line, its line feed included
  float width = 0.0f;       // pixels up to the break
  float lineHeight = 0.0f;  // size times the line height of the space glyph
};

struct BlockMeasure {
  int lines = 0;
  float width = 0.0f;   // the widest line
  float height = 0.0f;  // the sum of the line heights
};

// The first line of `text` at scale `size`: it ends at a line feed, at a
// zero byte or at the end, or, with a wrap width, after the last space that
// fits, else before the character that passes the width (one at least).
LineMeasure MeasureLine(const FontData& font, const TextStyle& style, std::string_view text, float size);

// Every line of `text`, one after the other.
BlockMeasure MeasureBlock(const FontData& font, const TextStyle& style, std::string_view text, float size);

}  // namespace vlm::font
