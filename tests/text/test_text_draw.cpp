// Fonts as engine objects and text drawn for real into the default
// framebuffer: glyph quads where their rectangles say, the italic shear,
// rotation, any UTF-8, damaged atlases, shared font data and shutdown.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "font_builder.h"
#include "support/gl_context.h"
#include "support/screen_pixels.h"
#include "support/test_support.h"
#include "text/font_record.h"
#include "text/text_state.h"
#include "velmora.h"

namespace {

using fonttest::FileBuilder;
using vlm::font::Glyph;
using vlmtest::ScreenPixels;

// 'A': 8 x 12 pixels at (1, 2) from the pen, advance 10; ' ' advance 5;
// 'B' lies partly right of the 64 x 32 atlas. Line height 16; the pair
// (A, A) is kerned by -2.
std::vector<uint8_t> TestFontFile(const std::vector<uint8_t>& atlas) {
  FileBuilder f;
  std::vector<uint8_t> image;
  FileBuilder::U32(image, 0);
  f.Chunk(vlm::font::kChunkAtlas, atlas);
  f.Chunk(vlm::font::kChunkGlyphs, FileBuilder::Glyphs({Glyph{'A', 1, 2, 10, 16, 0, 0, 8, 12},
                                                        Glyph{' ', 0, 0, 5, 16, 0, 0, 0, 0},
                                                        Glyph{'B', 1, 2, 10, 16, 60, 0, 8, 12}},
                                                       3));
  f.Chunk(vlm::font::kChunkKerning, FileBuilder::Pairs({{'A', 'A', -2}}, 1));
  f.Chunk(vlm::font::kChunkEnd, {});
  return f.bytes;
}

class TextDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gl_.ok()) GTEST_SKIP() << "no GL context: " << gl_.error();
    file_ = TestFontFile(vlmtest::WhitePng(64, 32));
    font_ = VLM_CatchFont(-1, file_.data(), file_.size());
    ASSERT_NE(font_, 0);
    VLM_TEXT_SETTINGS s{};
    VLM_GetFontSettings(font_, &s);
    s.colour = 0xFF0000FFu;  // red
    VLM_SetFontSettings(font_, &s);
    vlmtest::ClearScreen();
  }
  void TearDown() override {
    if (font_) VLM_FreeFont(font_);
  }
  void Change(void (*edit)(VLM_TEXT_SETTINGS&)) {
    VLM_TEXT_SETTINGS s{};
    VLM_GetFontSettings(font_, &s);
    edit(s);
    VLM_SetFontSettings(font_, &s);
  }

  vlmtest::GLContext gl_;
  std::vector<uint8_t> file_;
  VLM_HANDLE font_ = 0;
};

struct Rect {
  int x0, y0, x1, y1;  // [x0, x1) x [y0, y1)
  bool Has(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

void ExpectCoverage(const ScreenPixels& screen, const std::vector<Rect>& rects, Rect window) {
  int wrong = 0;
  for (int y = window.y0; y < window.y1; ++y)
    for (int x = window.x0; x < window.x1; ++x) {
      bool inside = false;
      for (const Rect& r : rects) inside = inside || r.Has(x, y);
      if (screen.Lit(x, y) != inside && ++wrong <= 5) ADD_FAILURE() << "pixel " << x << "," << y;
    }
  EXPECT_EQ(wrong, 0);
}

TEST_F(TextDrawing, GlyphQuadsCoverTheirRectanglesInTheFontColourAndRotateAboutTheOrigin) {
  // Pen at 100: the first A at 101..109; kerned by -2 the second pen is at
  // 108, its A at 109..117. Rows 52..64.
  EXPECT_EQ(VLM_DrawText(font_, 100, 50, "AA", VLM_DEFAULT, VLM_DEFAULTF, VLM_DEFAULTF), 2);
  ScreenPixels screen = vlmtest::ReadScreen();
  ExpectCoverage(screen, {{101, 52, 117, 64}}, {90, 40, 130, 75});
  const uint8_t* p = screen.At(105, 58);
  EXPECT_EQ(p[0], 255);
  EXPECT_EQ(p[1], 0);
  EXPECT_EQ(p[2], 0);

  // Size 2 doubles every metric; an explicit colour overrides the font's.
  vlmtest::ClearScreen();
  EXPECT_EQ(VLM_DrawText(font_, 100, 50, "A", 0xFFFFFFFF, 2.0f, VLM_DEFAULTF), 1);
  screen = vlmtest::ReadScreen();
  ExpectCoverage(screen, {{102, 54, 118, 78}}, {90, 40, 130, 90});
  EXPECT_EQ(screen.At(110, 60)[1], 255);

  // 90 degrees turns (dx, dy) from the origin into (-dy, dx).
  Change([](VLM_TEXT_SETTINGS& s) { s.rotation = 90.0f; });
  vlmtest::ClearScreen();
  VLM_DrawText(font_, 100, 50, "A", VLM_DEFAULT, VLM_DEFAULTF, VLM_DEFAULTF);
  ExpectCoverage(vlmtest::ReadScreen(), {{86, 51, 98, 59}}, {80, 40, 110, 70});
}

TEST_F(TextDrawing, ItalicShearMovesTheTopEdgeByLineHeightMinusOffsetTimesTanTimesAlignY) {
  // Bottom-aligned (alignY 1): the block of one 16 px line moves up to 84,
  // the glyph's top edge to 86, its top-left x to 100 + 1 + (16 - 2) * tan 45 = 115,
  // and its bottom-left 12 px further left.
  Change([](VLM_TEXT_SETTINGS& s) { s.alignY = 1.0f; });
  VLM_DrawText(font_, 100, 100, "A", VLM_DEFAULT, VLM_DEFAULTF, 45.0f);
  ScreenPixels screen = vlmtest::ReadScreen();
  // Pixel centres lie half a pixel below the edge: 0.5 * tan 45 further left.
  EXPECT_NEAR(screen.FirstLit(86), 114.5, 0.6);
  EXPECT_NEAR(screen.FirstLit(97), 103.5, 0.6);
  EXPECT_FALSE(screen.Lit(115, 85));
  EXPECT_FALSE(screen.Lit(115, 98));

  // Top-aligned text keeps its top edge in place and leans the bottom left.
  Change([](VLM_TEXT_SETTINGS& s) { s.alignY = 0.0f; });
  vlmtest::ClearScreen();
  VLM_DrawText(font_, 100, 100, "A", VLM_DEFAULT, VLM_DEFAULTF, 45.0f);
  screen = vlmtest::ReadScreen();
  EXPECT_NEAR(screen.FirstLit(102), 100.5, 0.6);
  EXPECT_NEAR(screen.FirstLit(113), 89.5, 0.6);

  // Centred: the line of one A (10 px) moves left by 5.
  Change([](VLM_TEXT_SETTINGS& s) { s.alignX = 0.5f; });
  vlmtest::ClearScreen();
  VLM_DrawText(font_, 100, 100, "A", VLM_DEFAULT, VLM_DEFAULTF, 0.0f);
  ExpectCoverage(vlmtest::ReadScreen(), {{96, 102, 104, 114}}, {85, 95, 120, 120});
}

// Settings and numbers text cannot use are refused with a row and leave the
// settings as they were; the built-in font is not freed.
TEST_F(TextDrawing, NumbersThatCannotBeMeantAreRefusedAndTheBuiltInFontStays) {
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  VLM_TEXT_SETTINGS font{}, defaults{};
  VLM_GetFontSettings(font_, &font);
  VLM_GetDefaultTextSettings(&defaults);
  auto with = [&font](auto edit) {
    VLM_TEXT_SETTINGS s = font;
    edit(s);
    return s;
  };
  const VLM_TEXT_SETTINGS bad[] = {with([](auto& s) { s.size = NAN; }), with([](auto& s) { s.size = 0.0f; }),
                                   with([](auto& s) { s.italicAngle = 90.0f; }),
                                   with([](auto& s) { s.wrapWidth = -1.0f; }),
                                   with([](auto& s) { s.rotation = INFINITY; })};
  for (const VLM_TEXT_SETTINGS& s : bad) {
    EXPECT_EQ(VLM_SetFontSettings(font_, &s), 0);
    EXPECT_EQ(VLM_SetDefaultTextSettings(&s), 0);
  }
  VLM_TEXT_SETTINGS after{};
  VLM_GetFontSettings(font_, &after);
  EXPECT_EQ(std::memcmp(&after, &font, sizeof after), 0);
  VLM_GetDefaultTextSettings(&after);
  EXPECT_EQ(std::memcmp(&after, &defaults, sizeof after), 0);
  float width = 0.0f, height = 0.0f;
  EXPECT_EQ(VLM_DrawText(font_, NAN, 0, "A", VLM_DEFAULT, VLM_DEFAULTF, VLM_DEFAULTF), 0);
  EXPECT_EQ(VLM_DrawText(font_, 0, 0, "A", VLM_DEFAULT, -2.0f, VLM_DEFAULTF), 0);
  EXPECT_EQ(VLM_DrawText(font_, 0, 0, "A", VLM_DEFAULT, VLM_DEFAULTF, -90.0f), 0);
  EXPECT_EQ(VLM_TextLine(font_, "A", INFINITY, &width, &height), 0);
  EXPECT_EQ(VLM_FreeFont(-1), 0);
  EXPECT_EQ(VLM_FreeFont(vlm::Text().defaultFont), 0);
  EXPECT_NE(VLM_IsFont(vlm::Text().defaultFont), nullptr);
  EXPECT_EQ(VLM_DrawText(-1, 0, 0, "A", VLM_DEFAULT, VLM_DEFAULTF, VLM_DEFAULTF), 1);

  const std::string finite = "Fail: Numbers must be finite!", size = "Fail: A text size must be above 0!",
                    slant = "Fail: A slant must lie between -90 and 90 degrees!";
  std::string rows;
  for (const std::string& text : {finite, size, slant, std::string("Fail: A wrap width must not be negative!"), finite})
    rows += vlmtest::FailRow("VLM_SetFontSettings", text) + vlmtest::FailRow("VLM_SetDefaultTextSettings", text);
  rows += vlmtest::FailRow("VLM_DrawText", finite) + vlmtest::FailRow("VLM_DrawText", size) +
          vlmtest::FailRow("VLM_DrawText", slant) + vlmtest::FailRow("VLM_TextLine", finite);
  for (int i = 0; i < 2; ++i) rows += vlmtest::FailRow("VLM_FreeFont", "Fail: The built-in font cannot be freed!");
  EXPECT_EQ(vlmtest::LogBody(log), rows);
}

TEST_F(TextDrawing, AnyUtf8DrawsOnlyTheGlyphsItHasAndLongTextWrapsAcrossBatches) {
  const struct {
    const char* text;
    int glyphs;
  } cases[] = {
      {"\xff\xfe" "A", 1},          // bytes that start nothing
      {"A\xF0\x9F\x98\x80" "A", 2}, // U+1F600 has no glyph in a 16-bit table
      {"\xC0\xAF", 0},              // overlong '/'
      {"A\xE2\x82", 1},             // cut off at the end
      {"\xED\xA0\x80" "B", 1},      // a surrogate
      {"A\nA\n\n", 2},
      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(VLM_DrawText(font_, 10, 10, c.text, 0, 1, 0), c.glyphs) << c.text;
  EXPECT_EQ(VLM_DrawText(font_, 10, 10, nullptr, 0, 1, 0), 0);

  // 600 glyphs of 10 px wrapped at 400 px: 40 to a line, 15 lines, drawn
  // in batches of 256. The last one is line 14, column 39.
  Change([](VLM_TEXT_SETTINGS& s) {
    s.kerning = 0;
    s.wrapWidth = 400.0f;
  });
  vlmtest::ClearScreen();
  EXPECT_EQ(VLM_DrawText(font_, 100, 50, std::string(600, 'A').c_str(), VLM_DEFAULT, 1, 0), 600);
  const ScreenPixels screen = vlmtest::ReadScreen();
  const int lastX = 100 + 39 * 10 + 1, lastY = 50 + 14 * 16 + 2;
  EXPECT_TRUE(screen.Lit(lastX + 4, lastY + 6));
  EXPECT_FALSE(screen.Lit(lastX + 14, lastY + 6));
  EXPECT_FALSE(screen.Lit(lastX + 4, lastY + 22));
  EXPECT_TRUE(screen.Lit(105, 58));
}

TEST_F(TextDrawing, AtlasThatDoesNotDecodeKeepsMetricsAndRectanglesOutsideAreClipped) {
  // 'B' asks for x 60..68 of a 64 px atlas: it draws 4 px, and keeps its advance.
  EXPECT_EQ(VLM_DrawText(font_, 200, 50, "BA", VLM_DEFAULT, 1, 0), 2);
  ExpectCoverage(vlmtest::ReadScreen(), {{201, 52, 205, 64}, {211, 52, 219, 64}}, {190, 40, 230, 75});

  const std::vector<uint8_t> broken = TestFontFile({'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
  const size_t textures = vlm::TextureRegistry().Count();
  const VLM_HANDLE font = VLM_CatchFont(-1, broken.data(), broken.size());
  ASSERT_NE(font, 0);
  EXPECT_EQ(vlm::TextureRegistry().Count(), textures);
  float width = 0, height = 0;
  EXPECT_EQ(VLM_TextSize(font, "AA B", &width, &height, 1.0f), 1);
  EXPECT_FLOAT_EQ(width, 10 - 2 + 10 + 5 + 10);
  EXPECT_FLOAT_EQ(height, 16);
  vlmtest::ClearScreen();
  EXPECT_EQ(VLM_DrawText(font, 100, 50, "AB", 0xFFFFFFFF, 1, 0), 2);
  const ScreenPixels screen = vlmtest::ReadScreen();
  EXPECT_EQ(screen.FirstLit(58), -1);
  EXPECT_EQ(VLM_FreeFont(font), 1);
}

TEST(Fonts, FailuresCreateNothingAndFontsOfOneFileShareTheirAtlasUntilShutdown) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  // The built-in font exists from start-up on and measures text.
  float width = 0, height = 0;
  EXPECT_EQ(VLM_TextSize(-1, "Hello\nWorld", &width, &height, VLM_DEFAULTF), 2);
  EXPECT_GT(width, 20.0f);
  EXPECT_GT(height, 20.0f);

  vlmtest::TempDir dir;
  const std::vector<uint8_t> file = TestFontFile(vlmtest::WhitePng(64, 32));
  vlmtest::WriteFile(dir.File("test.tf"), std::string(file.begin(), file.end()));
  vlmtest::WriteFile(dir.File("bad.tf"), "T\x83|1.41|");
  const size_t fonts = vlm::FontRegistry().Count();
  const size_t textures = vlm::TextureRegistry().Count();
  EXPECT_EQ(VLM_LoadFont(3, dir.File("missing.tf").c_str()), 0);
  EXPECT_EQ(VLM_LoadFont(3, dir.File("bad.tf").c_str()), 0);
  EXPECT_EQ(VLM_LoadFont(65536, dir.File("test.tf").c_str()), 0);
  EXPECT_EQ(VLM_CatchFont(3, nullptr, 10), 0);
  EXPECT_EQ(vlm::FontRegistry().Count(), fonts);
  EXPECT_EQ(vlm::TextureRegistry().Count(), textures);
  EXPECT_EQ(VLM_DrawText(12345, 0, 0, "A", 0, 1, 0), 0);

  // Two fonts of one file content: one atlas texture and material.
  EXPECT_EQ(VLM_LoadFont(3, dir.File("test.tf").c_str()), 3);
  const VLM_HANDLE second = VLM_CatchFont(-1, file.data(), file.size());
  ASSERT_NE(second, 0);
  EXPECT_EQ(VLM_IsFont(3)->pData, VLM_IsFont(second)->pData);
  EXPECT_EQ(vlm::TextureRegistry().Count(), textures + 1);
  const intptr_t atlas = VLM_IsFont(3)->pData->texture;
  // Loading ID 3 again frees the font it held first; the data stays shared.
  EXPECT_EQ(VLM_LoadFont(3, dir.File("test.tf").c_str()), 3);
  EXPECT_EQ(vlm::FontRegistry().Count(), fonts + 2);
  EXPECT_EQ(VLM_FreeFont(second), 1);
  EXPECT_NE(vlm::TextureRegistry().Resolve(atlas), nullptr);
  EXPECT_EQ(VLM_FreeFont(3), 1);
  EXPECT_EQ(vlm::TextureRegistry().Resolve(atlas), nullptr);
  EXPECT_EQ(vlm::TextureRegistry().Count(), textures);

  // Shutdown frees every font, the built-in one too, and their atlases.
  ASSERT_NE(VLM_LoadFont(4, dir.File("test.tf").c_str()), 0);
  VLM_Shutdown();
  EXPECT_EQ(vlm::FontRegistry().Count(), 0u);
  EXPECT_EQ(vlm::TextureRegistry().Count(), 0u);
  EXPECT_TRUE(vlm::Text().faces.empty());
  EXPECT_EQ(VLM_TextSize(-1, "A", &width, &height, 1.0f), 0);
}

}  // namespace
