// Line and block measurement on a font with round numbers, so every width
// can be worked out by hand.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "text/text_layout.h"

namespace {

using vlm::font::BlockMeasure;
using vlm::font::FontData;
using vlm::font::Glyph;
using vlm::font::LineMeasure;
using vlm::font::MeasureBlock;
using vlm::font::MeasureLine;
using vlm::font::TextStyle;

Glyph G(uint16_t code, int16_t advance, int16_t lineHeight = 20) {
  return Glyph{code, 0, 0, advance, lineHeight, 0, 0, 1, 1};
}

// space 5, a 10, b 10, W 30, é 7, € 12; kerning (a, b) = -3.
FontData TestFont(bool withSpace = true) {
  FontData f;
  if (withSpace) f.AddGlyph(G(' ', 5));
  f.AddGlyph(G('a', 10, 99));  // only the space glyph gives the line height
  f.AddGlyph(G('b', 10));
  f.AddGlyph(G('W', 30));
  f.AddGlyph(G(0xE9, 7));
  f.AddGlyph(G(0x20AC, 12));
  f.AddKerning({'a', 'b', -3});
  return f;
}

LineMeasure Line(const FontData& f, std::string_view text, TextStyle style = {}, float size = 1.0f) {
  return MeasureLine(f, style, text, size);
}

void ExpectLine(const LineMeasure& m, size_t length, float width, float lineHeight) {
  EXPECT_EQ(m.length, length);
  EXPECT_FLOAT_EQ(m.width, width);
  EXPECT_FLOAT_EQ(m.lineHeight, lineHeight);
}

TEST(TextLine, WidthsSizesSpacingAndKerning) {
  const FontData f = TestFont();
  ExpectLine(Line(f, ""), 0, 0, 0);
  ExpectLine(Line(f, "ba"), 2, 20, 20);
  ExpectLine(Line(f, "ba", {}, 2.5f), 2, 50, 50);
  ExpectLine(Line(f, "ab"), 2, 17, 20);  // the pair only in its order
  ExpectLine(Line(f, "ab", {0.0f, 0.0f, false}), 2, 20, 20);
  ExpectLine(Line(f, "ab", {2.0f, 0.0f, true}, 2.0f), 2, 2 * (12 + 12 - 3), 40);
  ExpectLine(Line(f, "a b"), 3, 25, 20);
}

TEST(TextLine, FontWithoutSpaceGlyphHasLineHeightZero) {
  const FontData f = TestFont(false);
  ExpectLine(Line(f, "ba"), 2, 20, 0);
  ExpectLine(Line(f, "a b"), 3, 20, 0);  // the space breaks nothing and takes no room
  const BlockMeasure b = MeasureBlock(f, {}, "a\nb\n", 1.0f);
  EXPECT_EQ(b.lines, 2);
  EXPECT_FLOAT_EQ(b.height, 0);
}

TEST(TextLine, LineFeedAndZeroEndTheLine) {
  const FontData f = TestFont();
  ExpectLine(Line(f, "ba\nbb"), 3, 20, 20);
  ExpectLine(Line(f, "\nbb"), 1, 0, 20);
  ExpectLine(Line(f, std::string_view("ba\0bb", 5)), 2, 20, 20);
  ExpectLine(Line(f, std::string_view("\0b", 2)), 0, 0, 20);
  // The kerning pair needs a following character; a line end is none.
  ExpectLine(Line(f, "a\nb"), 2, 10, 20);
}

TEST(TextLine, WrappingBreaksAfterTheLastSpaceThatFits) {
  const FontData f = TestFont();
  const TextStyle wrap30{0.0f, 30.0f, false};
  // "ba" 20, space 25, then "b" passes 30: the break follows the space and
  // the width is the one before it.
  ExpectLine(Line(f, "ba ba ba", wrap30), 3, 20, 20);
  // Exactly at the wrap width still fits.
  ExpectLine(Line(f, "bab", wrap30), 3, 30, 20);
  // The space that passes the width ends the line after it.
  ExpectLine(Line(f, "bab ba", {0.0f, 32.0f, false}), 4, 30, 20);
  const BlockMeasure b = MeasureBlock(f, wrap30, "ba ba ba", 1.0f);
  EXPECT_EQ(b.lines, 3);
  EXPECT_FLOAT_EQ(b.width, 20);
  EXPECT_FLOAT_EQ(b.height, 60);
}

TEST(TextLine, WordLongerThanTheWrapWidthIsCutButTakesOneCharacterAtLeast) {
  const FontData f = TestFont();
  ExpectLine(Line(f, "bbbbb", {0.0f, 25.0f, false}), 2, 20, 20);
  const BlockMeasure five = MeasureBlock(f, {0.0f, 25.0f, false}, "bbbbb", 1.0f);
  EXPECT_EQ(five.lines, 3);  // bb, bb, b
  EXPECT_FLOAT_EQ(five.width, 20);

  // Every character is wider than the line: one per line.
  ExpectLine(Line(f, "WW", {0.0f, 10.0f, false}), 1, 30, 20);
  const BlockMeasure w = MeasureBlock(f, {0.0f, 10.0f, false}, "WWW", 1.0f);
  EXPECT_EQ(w.lines, 3);
  EXPECT_FLOAT_EQ(w.width, 30);
  EXPECT_FLOAT_EQ(w.height, 60);
  // A multi-byte character is never split.
  ExpectLine(Line(f, "\xE2\x82\xAC\xE2\x82\xAC", {0.0f, 5.0f, false}), 3, 12, 20);
}

TEST(TextSize, BlockIsWidestLineAndSumOfHeights) {
  const FontData f = TestFont();
  BlockMeasure b = MeasureBlock(f, {}, "b\nWa\n\nbb", 2.0f);
  EXPECT_EQ(b.lines, 4);
  EXPECT_FLOAT_EQ(b.width, 80);
  EXPECT_FLOAT_EQ(b.height, 160);
  b = MeasureBlock(f, {}, "bb\n", 1.0f);  // a final line feed opens no line
  EXPECT_EQ(b.lines, 1);
  EXPECT_FLOAT_EQ(b.height, 20);
  b = MeasureBlock(f, {}, "", 1.0f);
  EXPECT_EQ(b.lines, 0);
  EXPECT_FLOAT_EQ(b.width, 0);
  EXPECT_FLOAT_EQ(b.height, 0);
}

TEST(TextLine, Utf8DecodesAndBadSequencesTakeNoRoom) {
  const FontData f = TestFont();
  ExpectLine(Line(f, "\xC3\xA9\xE2\x82\xAC"), 5, 19, 20);  // é €
  struct Case {
    std::string_view text;
    float width;
  };
  const Case cases[] = {
      {"b\xFF" "b", 20},                // a byte that starts nothing
      {"b\xC3" "b", 20},                // a lead byte without its continuation
      {"b\x80\x80" "b", 20},            // lone continuation bytes
      {"b\xC0\xA0" "b", 20},            // an overlong space
      {"b\xED\xA0\x80" "b", 20},        // a surrogate
      {"b\xF0\x9F\x98\x80" "b", 20},    // above U+FFFF
      {"b\xF4\x90\x80\x80" "b", 20},    // above U+10FFFF
      {"b\xE2\x82", 10},                // cut at the end
      {"a\xFF" "b", 20},                // no kerning across a bad byte
      {"a\xF0\x9F\x98\x80" "b", 20},    // nor across a character above U+FFFF
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::string(c.text)));
    ExpectLine(Line(f, c.text), c.text.size(), c.width, 20);
  }
}

}  // namespace
