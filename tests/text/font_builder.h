// Font files made by hand, chunk by chunk, for the font tests.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <vector>

#include "text/font_file.h"

namespace fonttest {

using vlm::font::Glyph;

struct FileBuilder {
  std::vector<uint8_t> bytes{vlm::font::kSignature.begin(), vlm::font::kSignature.end()};

  static void U32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  static void U16(std::vector<uint8_t>& out, int v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  }
  // Returns the chunk's offset.
  size_t Chunk(uint32_t type, const std::vector<uint8_t>& body, int lengthChange = 0) {
    const size_t at = bytes.size();
    std::vector<uint8_t> payload;
    U32(payload, type);
    payload.insert(payload.end(), body.begin(), body.end());
    U32(bytes, static_cast<uint32_t>(static_cast<int>(payload.size()) + lengthChange));
    U32(bytes, static_cast<uint32_t>(crc32(0, payload.data(), static_cast<uInt>(payload.size()))));
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return at;
  }
  static std::vector<uint8_t> Glyphs(const std::vector<Glyph>& glyphs, uint32_t count) {
    std::vector<uint8_t> body;
    U32(body, count);
    for (const Glyph& g : glyphs) {
      U16(body, g.code);
      for (int v : {g.offsetX, g.offsetY, g.advance, g.lineHeight, g.atlasX, g.atlasY, g.width, g.height}) U16(body, v);
    }
    return body;
  }
  static std::vector<uint8_t> Pairs(const std::vector<vlm::font::KerningPair>& pairs, uint32_t count) {
    std::vector<uint8_t> body;
    U32(body, count);
    for (const auto& p : pairs) {
      U16(body, p.first);
      U16(body, p.second);
      U16(body, p.amount);
    }
    return body;
  }
};

}  // namespace fonttest
