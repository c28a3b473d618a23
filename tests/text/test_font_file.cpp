// Font files: the baker's output against FreeType itself, and the reader on
// damaged and hostile files.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "text/builtin_font.h"
#include "font_builder.h"
#include "support/test_support.h"
#include "text/font_file.h"

namespace {

using vlm::font::FontData;
using vlm::font::Glyph;
using vlm::font::ReadEnd;
using vlm::font::ReadFontFile;
using vlm::font::ReadResult;
using fonttest::FileBuilder;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

ReadResult Read(const std::vector<uint8_t>& bytes, FontData& data) { return ReadFontFile(bytes, data); }

Glyph MakeGlyph(uint16_t code, int16_t advance, int16_t x = 0, int16_t y = 0, int16_t w = 4, int16_t h = 6) {
  return Glyph{code, 1, 2, advance, 12, x, y, w, h};
}

bool SameGlyph(const Glyph& a, const Glyph& b) {
  return a.code == b.code && a.offsetX == b.offsetX && a.offsetY == b.offsetY && a.advance == b.advance &&
         a.lineHeight == b.lineHeight && a.atlasX == b.atlasX && a.atlasY == b.atlasY && a.width == b.width &&
         a.height == b.height;
}

// Offsets of the chunks of a well-formed file.
std::vector<size_t> ChunkOffsets(const std::vector<uint8_t>& file) {
  std::vector<size_t> offsets;
  for (size_t at = 8; at + 8 <= file.size();) {
    offsets.push_back(at);
    const uint32_t length = file[at] | file[at + 1] << 8 | file[at + 2] << 16 | static_cast<uint32_t>(file[at + 3]) << 24;
    at += 8 + length;
  }
  return offsets;
}

// --- The baker against FreeType --------------------------------------------

struct Atlas {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
};

Atlas DecodePng(const std::vector<uint8_t>& file) {
  Atlas atlas;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return atlas;
  image.format = PNG_FORMAT_RGBA;
  atlas.rgba.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, atlas.rgba.data(), 0, nullptr)) return {};
  atlas.width = static_cast<int>(image.width);
  atlas.height = static_cast<int>(image.height);
  return atlas;
}

class BakedFont : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!std::filesystem::exists(VLM_FONT_SOURCE)) return;
    ASSERT_EQ(FT_Init_FreeType(&library_), 0);
    ASSERT_EQ(FT_New_Face(library_, VLM_FONT_SOURCE, 0, &face_), 0);
    ASSERT_EQ(FT_Set_Pixel_Sizes(face_, 0, 20), 0);  // the size the build bakes Arial.tf at
  }
  static void TearDownTestSuite() {
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
    face_ = nullptr;
    library_ = nullptr;
  }
  void SetUp() override {
    if (!face_) GTEST_SKIP() << "no " << VLM_FONT_SOURCE;
    file_ = Bytes(vlmtest::ReadFile(VLM_DEMO_FONT_FILE));
    ASSERT_FALSE(file_.empty());
  }
  static FT_Library library_;
  static FT_Face face_;
  std::vector<uint8_t> file_;
};
FT_Library BakedFont::library_ = nullptr;
FT_Face BakedFont::face_ = nullptr;

TEST_F(BakedFont, GlyphsAndAtlasMatchFreeType) {
  FontData data;
  const ReadResult r = Read(file_, data);
  EXPECT_EQ(r.end, ReadEnd::kEndChunk);
  EXPECT_EQ(r.chunks, 4u);
  const Atlas atlas = DecodePng(data.atlasImage);
  ASSERT_GT(atlas.width, 0);

  // Latin-1 is baked whole; the euro sign is among the extras.
  for (uint32_t c = 32; c < 256; ++c) {
    if (c < 127 || c >= 160) {
      EXPECT_NE(data.Find(c), nullptr) << c;
    }
  }
  EXPECT_NE(data.Find(0x20AC), nullptr);
  EXPECT_EQ(data.Find(0x7F), nullptr);

  const int ascender = static_cast<int>(face_->size->metrics.ascender >> 6);
  const int lineHeight = static_cast<int>((face_->size->metrics.height + 32) >> 6);
  for (const Glyph& g : data.Glyphs()) {
    SCOPED_TRACE(g.code);
    ASSERT_EQ(FT_Load_Char(face_, g.code, FT_LOAD_RENDER), 0);
    const FT_GlyphSlot slot = face_->glyph;
    EXPECT_EQ(g.advance, (slot->advance.x + 32) >> 6);
    EXPECT_EQ(g.offsetX, slot->bitmap_left);
    EXPECT_EQ(g.offsetY, ascender - slot->bitmap_top);
    EXPECT_EQ(g.lineHeight, lineHeight);
    ASSERT_EQ(g.width, static_cast<int>(slot->bitmap.width));
    ASSERT_EQ(g.height, static_cast<int>(slot->bitmap.rows));
    ASSERT_LE(g.atlasX + g.width, atlas.width);
    ASSERT_LE(g.atlasY + g.height, atlas.height);
    int wrong = 0;
    for (int y = 0; y < g.height; ++y) {
      for (int x = 0; x < g.width; ++x) {
        const uint8_t* px = &atlas.rgba[(static_cast<size_t>(g.atlasY + y) * atlas.width + g.atlasX + x) * 4];
        const uint8_t coverage = slot->bitmap.buffer[y * slot->bitmap.pitch + x];
        wrong += px[0] != 255 || px[1] != 255 || px[2] != 255 || px[3] != coverage;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(BakedFont, KerningMatchesFreeTypeForEveryOrderedPair) {
  FontData data;
  Read(file_, data);
  ASSERT_TRUE(FT_HAS_KERNING(face_));
  int nonZero = 0;
  for (const Glyph& a : data.Glyphs()) {
    for (const Glyph& b : data.Glyphs()) {
      FT_Vector delta{};
      FT_Get_Kerning(face_, FT_Get_Char_Index(face_, a.code), FT_Get_Char_Index(face_, b.code),
                     FT_KERNING_UNFITTED, &delta);
      const long expected = delta.x >= 0 ? (delta.x + 32) >> 6 : -((-delta.x + 32) >> 6);
      ASSERT_EQ(data.Kerning(a.code, b.code), expected) << a.code << " " << b.code;
      nonZero += expected != 0;
    }
  }
  EXPECT_EQ(static_cast<size_t>(nonZero), data.KerningPairs().size());
  EXPECT_LT(data.Kerning('A', 'V'), 0);
}

TEST_F(BakedFont, FlippedByteEndsReadingAtThatChunk) {
  const std::vector<size_t> chunks = ChunkOffsets(file_);
  ASSERT_EQ(chunks.size(), 4u);  // atlas, glyphs, kerning, end
  FontData whole;
  Read(file_, whole);

  std::vector<uint8_t> damaged = file_;
  damaged[chunks[1] + 8 + 40] ^= 0x10;  // inside the glyph records
  FontData data;
  ReadResult r = Read(damaged, data);
  EXPECT_EQ(r.end, ReadEnd::kCrcMismatch);
  EXPECT_EQ(r.stopOffset, chunks[1]);
  EXPECT_EQ(r.chunks, 1u);
  EXPECT_EQ(data.atlasImage, whole.atlasImage);
  EXPECT_TRUE(data.Glyphs().empty());

  damaged = file_;
  damaged[chunks[2] + 8 + 10] ^= 0x01;  // inside the kerning records
  FontData kept;
  r = Read(damaged, kept);
  EXPECT_EQ(r.end, ReadEnd::kCrcMismatch);
  EXPECT_EQ(r.stopOffset, chunks[2]);
  ASSERT_EQ(kept.Glyphs().size(), whole.Glyphs().size());
  for (size_t i = 0; i < kept.Glyphs().size(); ++i) EXPECT_TRUE(SameGlyph(kept.Glyphs()[i], whole.Glyphs()[i]));
  EXPECT_TRUE(kept.KerningPairs().empty());
  EXPECT_EQ(kept.Kerning('A', 'V'), 0);

  damaged = file_;
  damaged[chunks[1] + 4] ^= 0x80;  // the stored CRC itself
  FontData crc;
  EXPECT_EQ(Read(damaged, crc).end, ReadEnd::kCrcMismatch);
  EXPECT_TRUE(crc.Glyphs().empty());
}

TEST(FontBaker, OutputIsRepeatableAndBuiltInFontIsTheBakedFile) {
  if (!std::filesystem::exists(VLM_FONT_SOURCE)) GTEST_SKIP() << "no " << VLM_FONT_SOURCE;
  vlmtest::TempDir dir;
  const std::string run = std::string("\"") + VLM_FONTBAKE + "\" \"" + VLM_FONT_SOURCE + "\" 9 ";
  const std::string codes = " --codes 0x20,65-0x42,86 >/dev/null";
  ASSERT_EQ(std::system((run + "\"" + dir.File("a.tf") + "\"" + codes).c_str()), 0);
  ASSERT_EQ(std::system((run + "\"" + dir.File("b.tf") + "\"" + codes + " --cpp \"" + dir.File("b.cpp") + "\" x").c_str()), 0);
  const std::string a = vlmtest::ReadFile(dir.File("a.tf"));
  EXPECT_EQ(a, vlmtest::ReadFile(dir.File("b.tf")));
  FontData data;
  EXPECT_EQ(Read(Bytes(a), data).end, ReadEnd::kEndChunk);
  ASSERT_EQ(data.Glyphs().size(), 4u);  // space, A, B, V in code order
  EXPECT_EQ(data.Glyphs()[3].code, 'V');
  EXPECT_NE(vlmtest::ReadFile(dir.File("b.cpp")).find("const size_t xSize = sizeof x;"), std::string::npos);

  // Bad arguments fail without writing.
  EXPECT_NE(std::system((run + "\"" + dir.File("c.tf") + "\" --codes 90-80 2>/dev/null").c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.File("c.tf")));

  const std::filesystem::path builtin = std::filesystem::path(VLM_DEMO_FONT_FILE).parent_path() / "builtin.tf";
  const std::string baked = vlmtest::ReadFile(builtin.string());
  const std::span<const uint8_t> compiled = vlm::BuiltinFontFile();
  EXPECT_EQ(std::string(compiled.begin(), compiled.end()), baked);
  FontData builtinData;
  EXPECT_EQ(ReadFontFile(compiled, builtinData).end, ReadEnd::kEndChunk);
  EXPECT_NE(builtinData.Find(' '), nullptr);
}

// --- Hand-made files ---------------------------------------------------------

TEST(FontFile, NoSignatureReadsNothing) {
  FontData data;
  EXPECT_EQ(Read({}, data).end, ReadEnd::kBadSignature);
  std::vector<uint8_t> sig(vlm::font::kSignature.begin(), vlm::font::kSignature.end());
  EXPECT_EQ(Read(std::vector<uint8_t>(sig.begin(), sig.end() - 1), data).end, ReadEnd::kBadSignature);
  sig[1] = 0x84;
  EXPECT_EQ(Read(sig, data).end, ReadEnd::kBadSignature);
  EXPECT_TRUE(data.Glyphs().empty());

  FileBuilder only;  // a signature and nothing more is an empty font
  const ReadResult r = Read(only.bytes, data);
  EXPECT_EQ(r.end, ReadEnd::kEndOfData);
  EXPECT_EQ(r.chunks, 0u);
}

TEST(FontFile, DamagedChunksKeepWhatCameBefore) {
  const std::vector<Glyph> two = {MakeGlyph('a', 7), MakeGlyph('b', 8)};
  struct Case {
    const char* name;
    std::vector<uint8_t> tail;  // added after a good chunk with glyph 'a'
    ReadEnd end;
    size_t glyphs;
  };
  auto tail = [&](auto make) {
    FileBuilder f;
    f.bytes.clear();
    make(f);
    return f.bytes;
  };
  const std::vector<Case> cases = {
      {"length past the end", tail([&](FileBuilder& f) { f.Chunk(2, FileBuilder::Glyphs(two, 2), 1); }),
       ReadEnd::kTruncated, 1},
      {"length of 4 GiB", tail([&](FileBuilder& f) { f.Chunk(2, FileBuilder::Glyphs(two, 2)); f.bytes[3] = 0xFF; }),
       ReadEnd::kTruncated, 1},
      {"half a chunk header", {1, 0, 0, 0, 0}, ReadEnd::kTruncated, 1},
      {"count past the chunk", tail([&](FileBuilder& f) { f.Chunk(2, FileBuilder::Glyphs(two, 3)); }),
       ReadEnd::kMalformed, 3},
      {"count of 2^32-1", tail([&](FileBuilder& f) { f.Chunk(2, FileBuilder::Glyphs(two, 0xFFFFFFFFu)); }),
       ReadEnd::kMalformed, 3},
      {"glyph chunk without count", tail([&](FileBuilder& f) { f.Chunk(2, {1, 0}); }), ReadEnd::kMalformed, 1},
      {"payload without type", tail([&](FileBuilder& f) {
         const uint8_t half[2] = {0, 0};
         FileBuilder::U32(f.bytes, 2);
         FileBuilder::U32(f.bytes, static_cast<uint32_t>(crc32(0, half, 2)));
         f.bytes.insert(f.bytes.end(), half, half + 2);
       }),
       ReadEnd::kMalformed, 1},
      {"no end chunk", tail([&](FileBuilder& f) { f.Chunk(2, FileBuilder::Glyphs(two, 2)); }), ReadEnd::kEndOfData, 3},
      {"unknown chunk skipped", tail([&](FileBuilder& f) { f.Chunk(9, {1, 2, 3}); f.Chunk(2, FileBuilder::Glyphs(two, 2)); f.Chunk(0, {}); }),
       ReadEnd::kEndChunk, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileBuilder f;
    f.Chunk(2, FileBuilder::Glyphs({MakeGlyph('a', 5)}, 1));
    f.bytes.insert(f.bytes.end(), c.tail.begin(), c.tail.end());
    FontData data;
    const ReadResult r = Read(f.bytes, data);
    EXPECT_EQ(r.end, c.end);
    EXPECT_EQ(data.Glyphs().size(), c.glyphs);
  }

  // Reading stops at the end chunk: what follows is never read.
  FileBuilder f;
  f.Chunk(0, {});
  f.Chunk(2, FileBuilder::Glyphs(two, 2));
  FontData data;
  EXPECT_EQ(Read(f.bytes, data).chunks, 1u);
  EXPECT_TRUE(data.Glyphs().empty());
}

TEST(FontFile, LaterGlyphReplacesEarlierOneForTheSameCode) {
  FileBuilder f;
  f.Chunk(2, FileBuilder::Glyphs({MakeGlyph('a', 5), MakeGlyph(0xFFFF, 9)}, 2));
  f.Chunk(2, FileBuilder::Glyphs({MakeGlyph('a', 6)}, 1));
  FontData data;
  Read(f.bytes, data);
  ASSERT_NE(data.Find('a'), nullptr);
  EXPECT_EQ(data.Find('a')->advance, 6);
  EXPECT_EQ(data.Find(0xFFFF)->advance, 9);
  EXPECT_EQ(data.Find(0x10000), nullptr);
  EXPECT_EQ(data.Find('b'), nullptr);
}

TEST(FontFile, RectanglesAreClippedToTheAtlas) {
  FileBuilder f;
  f.Chunk(2, FileBuilder::Glyphs({MakeGlyph('a', 5, -3, -10, 8, 12), MakeGlyph('b', 5, 60, 30, 8, 8),
                                  MakeGlyph('c', 5, 70, 2, 4, 4), MakeGlyph('d', 5, 2, 2, -4, 4),
                                  MakeGlyph('e', 5, 10, 20, 6, 6)},
                                 5));
  FontData data;
  Read(f.bytes, data);
  // Left of or above any atlas: clipped at 0 when read.
  const Glyph* a = data.Find('a');
  EXPECT_EQ(a->atlasX, 0);
  EXPECT_EQ(a->width, 5);
  EXPECT_EQ(a->atlasY, 0);
  EXPECT_EQ(a->height, 2);
  EXPECT_EQ(data.Find('d')->width, 0);

  data.ClipToAtlas(64, 32);
  const Glyph* b = data.Find('b');
  EXPECT_EQ(b->atlasX, 60);
  EXPECT_EQ(b->width, 4);
  EXPECT_EQ(b->atlasY, 30);
  EXPECT_EQ(b->height, 2);
  const Glyph* c = data.Find('c');  // wholly outside: draws nothing, still advances
  EXPECT_EQ(c->width, 0);
  EXPECT_EQ(c->advance, 5);
  EXPECT_LE(c->atlasX, 64);
  const Glyph* e = data.Find('e');
  EXPECT_TRUE(SameGlyph(*e, MakeGlyph('e', 5, 10, 20, 6, 6)));
}

TEST(FontFile, KerningIsFoundOnlyForTheExactOrderedPair) {
  // 'A'<<16|'V' and the keys 701 and 1402 above it share one bucket.
  const uint32_t key = 'A' << 16 | 'V';
  const auto first2 = static_cast<uint16_t>((key + 701) >> 16), second2 = static_cast<uint16_t>((key + 701) & 0xFFFF);
  const auto first3 = static_cast<uint16_t>((key + 1402) >> 16), second3 = static_cast<uint16_t>((key + 1402) & 0xFFFF);
  FileBuilder f;
  f.Chunk(3, FileBuilder::Pairs({{'A', 'V', -2}, {first2, second2, 3}, {first3, second3, 4}, {'A', 'V', -7}}, 4));
  FontData data;
  EXPECT_EQ(Read(f.bytes, data).end, ReadEnd::kEndOfData);
  EXPECT_EQ(data.Kerning('A', 'V'), -2);  // the first of two equal pairs
  EXPECT_EQ(data.Kerning('V', 'A'), 0);
  EXPECT_EQ(data.Kerning(first2, second2), 3);
  EXPECT_EQ(data.Kerning(first3, second3), 4);
  EXPECT_EQ(data.Kerning('A', 'W'), 0);
  EXPECT_EQ(data.Kerning('A', 0x10000 + 'V'), 0);
}

}  // namespace
