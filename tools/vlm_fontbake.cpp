// vlm-fontbake: renders a TrueType font at one pixel size into the engine's
// bitmap font format: a PNG atlas of white glyphs with coverage in alpha,
// the glyph metrics and the font's kerning pairs. The same input always
// gives the same bytes.
//
//   vlm-fontbake FONT.ttf PIXELS OUT.tf [--codes LIST] [--cpp OUT.cpp NAME]
//
// LIST is comma-separated code points or ranges, decimal or 0x-hex, e.g.
// "32-126,0xA0-0xFF". --cpp also writes the file's bytes as a C++ source
// defining vlm::NAME[] and vlm::NAMESize.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/image.h"
#include "text/font_file.h"

namespace {

using vlm::font::Glyph;
using vlm::font::KerningPair;

// Latin-1 and the punctuation, currency and symbols that text commonly uses
// beyond it.
constexpr const char* kDefaultCodes =
    "32-126,160-255,0x152-0x153,0x160-0x161,0x178,0x17D-0x17E,0x192,0x2C6,0x2DC,"
    "0x2013-0x2014,0x2018-0x201A,0x201C-0x201E,0x2020-0x2022,0x2026,0x2030,"
    "0x2039-0x203A,0x20AC,0x2122,0x2212";

constexpr int kPadding = 1;  // empty pixels between glyphs so filtering never bleeds

struct BakedGlyph {
  Glyph glyph{};
  FT_UInt index = 0;
  std::vector<uint8_t> coverage;  // width * height bytes
};

bool ParseCodes(const std::string& list, std::vector<uint32_t>& codes) {
  size_t at = 0;
  while (at <= list.size()) {
    const size_t comma = std::min(list.find(',', at), list.size());
    const std::string item = list.substr(at, comma - at);
    const size_t dash = item.find('-');
    char* end = nullptr;
    const unsigned long lo = std::strtoul(item.c_str(), &end, 0);
    if (end == item.c_str()) return false;
    unsigned long hi = lo;
    if (dash != std::string::npos) {
      const std::string high = item.substr(dash + 1);
      hi = std::strtoul(high.c_str(), &end, 0);
      if (end == high.c_str()) return false;
    }
    if (lo > hi || hi > 0xFFFF) return false;
    for (unsigned long c = lo; c <= hi; ++c) codes.push_back(static_cast<uint32_t>(c));
    at = comma + 1;
  }
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  return !codes.empty();
}

int16_t Pixels(FT_Pos v) { return static_cast<int16_t>((v + 32) >> 6); }

// Rounds 26.6 fixed point to whole pixels, halves away from zero.
int16_t RoundPixels(FT_Pos v) {
  return static_cast<int16_t>(v >= 0 ? (v + 32) >> 6 : -((-v + 32) >> 6));
}

bool Render(FT_Face face, const std::vector<uint32_t>& codes, std::vector<BakedGlyph>& out) {
  const int ascender = static_cast<int>(face->size->metrics.ascender >> 6);
  const int16_t lineHeight = Pixels(face->size->metrics.height);
  for (uint32_t code : codes) {
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (index == 0) continue;  // the font has no glyph for it
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) || FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL)) {
      std::fprintf(stderr, "vlm-fontbake: cannot render U+%04X\n", code);
      return false;
    }
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.rows > 0) {
      std::fprintf(stderr, "vlm-fontbake: U+%04X is not an 8-bit grey bitmap\n", code);
      return false;
    }
    BakedGlyph baked;
    baked.index = index;
    Glyph& g = baked.glyph;
    g.code = static_cast<uint16_t>(code);
    g.offsetX = static_cast<int16_t>(slot->bitmap_left);
    g.offsetY = static_cast<int16_t>(ascender - slot->bitmap_top);
    g.advance = Pixels(slot->advance.x);
    g.lineHeight = lineHeight;
    g.width = static_cast<int16_t>(bitmap.width);
    g.height = static_cast<int16_t>(bitmap.rows);
    baked.coverage.resize(static_cast<size_t>(bitmap.width) * bitmap.rows);
    const int pitch = std::abs(bitmap.pitch);
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      // A negative pitch stores the rows bottom up.
      const unsigned source = bitmap.pitch < 0 ? bitmap.rows - 1 - row : row;
      std::memcpy(&baked.coverage[static_cast<size_t>(row) * bitmap.width],
                  bitmap.buffer + static_cast<size_t>(source) * pitch, bitmap.width);
    }
    out.push_back(std::move(baked));
  }
  return !out.empty();
}

// Shelf packing, tallest glyphs first. Returns the atlas height for the
// given width, or 0 when a glyph is wider than the atlas.
int Pack(std::vector<BakedGlyph>& glyphs, int atlasWidth) {
  std::vector<size_t> order(glyphs.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return glyphs[a].glyph.height > glyphs[b].glyph.height;
  });
  int x = kPadding, y = kPadding, shelf = 0;
  for (size_t i : order) {
    Glyph& g = glyphs[i].glyph;
    if (g.width == 0 || g.height == 0) {
      g.atlasX = g.atlasY = 0;
      continue;
    }
    if (g.width + 2 * kPadding > atlasWidth) return 0;
    if (x + g.width + kPadding > atlasWidth) {
      x = kPadding;
      y += shelf + kPadding;
      shelf = 0;
    }
    g.atlasX = static_cast<int16_t>(x);
    g.atlasY = static_cast<int16_t>(y);
    x += g.width + kPadding;
    shelf = std::max<int>(shelf, g.height);
  }
  return y + shelf + kPadding;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutI16(std::vector<uint8_t>& out, int v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void PutChunk(std::vector<uint8_t>& file, uint32_t type, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> payload;
  PutU32(payload, type);
  payload.insert(payload.end(), body.begin(), body.end());
  PutU32(file, static_cast<uint32_t>(payload.size()));
  PutU32(file, static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), payload.data(), static_cast<uInt>(payload.size()))));
  file.insert(file.end(), payload.begin(), payload.end());
}

std::vector<KerningPair> Kerning(FT_Face face, const std::vector<BakedGlyph>& glyphs) {
  std::vector<KerningPair> pairs;
  if (!FT_HAS_KERNING(face)) return pairs;
  for (const BakedGlyph& a : glyphs) {
    for (const BakedGlyph& b : glyphs) {
      FT_Vector delta{};
      if (FT_Get_Kerning(face, a.index, b.index, FT_KERNING_UNFITTED, &delta)) continue;
      const int16_t amount = RoundPixels(delta.x);
      if (amount != 0) pairs.push_back({a.glyph.code, b.glyph.code, amount});
    }
  }
  return pairs;  // ordered by first, then second, as the glyphs are
}

std::vector<uint8_t> FontFile(int atlasWidth, int atlasHeight, const std::vector<BakedGlyph>& glyphs,
                              const std::vector<KerningPair>& kerning, bool& ok) {
  std::vector<uint8_t> rgba(static_cast<size_t>(atlasWidth) * atlasHeight * 4, 0);
  for (size_t p = 0; p < rgba.size(); p += 4) rgba[p] = rgba[p + 1] = rgba[p + 2] = 255;
  for (const BakedGlyph& b : glyphs) {
    const Glyph& g = b.glyph;
    for (int r = 0; r < g.height; ++r) {
      for (int c = 0; c < g.width; ++c) {
        const size_t pixel = (static_cast<size_t>(g.atlasY + r) * atlasWidth + g.atlasX + c) * 4;
        rgba[pixel + 3] = b.coverage[static_cast<size_t>(r) * g.width + c];
      }
    }
  }
  const std::vector<uint8_t> png =
      vlm::platform::EncodePng(rgba.data(), atlasWidth, atlasHeight, 4, static_cast<size_t>(atlasWidth) * 4);
  ok = !png.empty();

  std::vector<uint8_t> file(vlm::font::kSignature.begin(), vlm::font::kSignature.end());
  PutChunk(file, vlm::font::kChunkAtlas, png);
  std::vector<uint8_t> body;
  PutU32(body, static_cast<uint32_t>(glyphs.size()));
  for (const BakedGlyph& b : glyphs) {
    const Glyph& g = b.glyph;
    PutI16(body, g.code);
    for (int v : {g.offsetX, g.offsetY, g.advance, g.lineHeight, g.atlasX, g.atlasY, g.width, g.height}) {
      PutI16(body, v);
    }
  }
  PutChunk(file, vlm::font::kChunkGlyphs, body);
  body.clear();
  PutU32(body, static_cast<uint32_t>(kerning.size()));
  for (const KerningPair& k : kerning) {
    PutI16(body, k.first);
    PutI16(body, k.second);
    PutI16(body, k.amount);
  }
  PutChunk(file, vlm::font::kChunkKerning, body);
  PutChunk(file, vlm::font::kChunkEnd, {});
  return file;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::fprintf(stderr, "vlm-fontbake: cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

std::string CppSource(const std::vector<uint8_t>& file, const std::string& name, const std::string& font, int pixels) {
  std::string s = "// Made by vlm-fontbake from " + font + " at " + std::to_string(pixels) +
                  " pixels. Do not edit.\n#include <cstddef>\n#include <cstdint>\n\nnamespace vlm {\n\n"
                  "extern const uint8_t " + name + "[];\nextern const size_t " + name + "Size;\n\n" +
                  "alignas(4) const uint8_t " + name + "[] = {";
  char number[8];
  for (size_t i = 0; i < file.size(); ++i) {
    std::snprintf(number, sizeof number, "%s%u,", i % 20 ? "" : "\n", file[i]);
    s += number;
  }
  s += "\n};\nconst size_t " + name + "Size = sizeof " + name + ";\n\n}  // namespace vlm\n";
  return s;
}

int Usage() {
  std::fprintf(stderr, "usage: vlm-fontbake FONT.ttf PIXELS OUT.tf [--codes LIST] [--cpp OUT.cpp NAME]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return Usage();
  const std::string fontPath = argv[1];
  const int pixels = std::atoi(argv[2]);
  const std::string outPath = argv[3];
  std::string codeList = kDefaultCodes;
  std::string cppPath, cppName;
  for (int i = 4; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--codes" && i + 1 < argc) {
      codeList = argv[++i];
    } else if (arg == "--cpp" && i + 2 < argc) {
      cppPath = argv[++i];
      cppName = argv[++i];
    } else {
      return Usage();
    }
  }
  std::vector<uint32_t> codes;
  if (pixels < 1 || pixels > 1000 || !ParseCodes(codeList, codes)) return Usage();

  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&library)) {
    std::fprintf(stderr, "vlm-fontbake: FreeType does not start\n");
    return 1;
  }
  int status = 1;
  std::vector<BakedGlyph> glyphs;
  if (FT_New_Face(library, fontPath.c_str(), 0, &face)) {
    std::fprintf(stderr, "vlm-fontbake: cannot open %s\n", fontPath.c_str());
  } else if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels))) {
    std::fprintf(stderr, "vlm-fontbake: %s has no size of %d pixels\n", fontPath.c_str(), pixels);
  } else if (Render(face, codes, glyphs)) {
    // The narrowest power-of-two atlas no taller than it is wide.
    int width = 64, height = 0;
    for (; width <= 8192; width *= 2) {
      height = Pack(glyphs, width);
      if (height > 0 && height <= width) break;
    }
    if (width > 8192) {
      std::fprintf(stderr, "vlm-fontbake: the glyphs do not fit an 8192 pixel atlas\n");
    } else {
      const std::vector<KerningPair> kerning = Kerning(face, glyphs);
      bool ok = false;
      const std::vector<uint8_t> file = FontFile(width, height, glyphs, kerning, ok);
      const std::string base = fontPath.substr(fontPath.find_last_of('/') + 1);
      if (ok && WriteFile(outPath, std::string(file.begin(), file.end())) &&
          (cppPath.empty() || WriteFile(cppPath, CppSource(file, cppName, base, pixels)))) {
        std::printf("vlm-fontbake: %s, %d px: %zu glyphs, %zu kerning pairs, %dx%d atlas, %zu bytes\n",
                    base.c_str(), pixels, glyphs.size(), kerning.size(), width, height, file.size());
        status = 0;
      }
    }
  } else {
    std::fprintf(stderr, "vlm-fontbake: no glyphs of the code list are in %s\n", fontPath.c_str());
  }
  if (face) FT_Done_Face(face);
  FT_Done_FreeType(library);
  return status;
}
