// Reading font files: every length and count is checked against the bytes
// that are really there before anything is read.
#include "text/font_file.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace vlm::font {

namespace {

uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

int16_t I16(const uint8_t* p) { return static_cast<int16_t>(U16(p)); }

uint32_t Crc32(const uint8_t* p, size_t n) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes lengths as uInt; chunks are at most 4 GiB, so feed in pieces.
  while (n > 0) {
    const uInt piece = static_cast<uInt>(std::min<size_t>(n, 1u << 30));
    crc = crc32(crc, p, piece);
    p += piece;
    n -= piece;
  }
  return static_cast<uint32_t>(crc);
}

// Clips the span [origin, origin + extent) to [0, limit).
void Clip(int16_t& origin, int16_t& extent, int limit) {
  const int lo = std::clamp(static_cast<int>(origin), 0, limit);
  const int hi = std::clamp(static_cast<int>(origin) + std::max<int>(extent, 0), lo, limit);
  origin = static_cast<int16_t>(lo);
  extent = static_cast<int16_t>(hi - lo);
}

// Records that fit into `available` bytes, at most `count`; false when the
// count promised more.
bool FittingRecords(uint32_t count, size_t available, size_t recordBytes, size_t& fit) {
  fit = std::min<size_t>(count, available / recordBytes);
  return fit == count;
}

}  // namespace

FontData::FontData() : table_(kCodeCount, -1) {
  bucketHead_.fill(-1);
  bucketTail_.fill(-1);
}

void FontData::AddGlyph(const Glyph& glyph) {
  table_[glyph.code] = static_cast<int32_t>(glyphs_.size());
  glyphs_.push_back(glyph);
}

void FontData::AddKerning(const KerningPair& pair) {
  const uint32_t key = static_cast<uint32_t>(pair.first) << 16 | pair.second;
  const uint32_t bucket = key % kKerningBuckets;
  const auto index = static_cast<int32_t>(kerning_.size());
  kerning_.push_back(pair);
  kerningNext_.push_back(-1);
  if (bucketTail_[bucket] < 0) {
    bucketHead_[bucket] = index;
  } else {
    kerningNext_[static_cast<size_t>(bucketTail_[bucket])] = index;
  }
  bucketTail_[bucket] = index;
}

int FontData::Kerning(uint32_t first, uint32_t second) const {
  if (first >= kCodeCount || second >= kCodeCount) return 0;
  const uint32_t key = first << 16 | second;
  for (int32_t i = bucketHead_[key % kKerningBuckets]; i >= 0; i = kerningNext_[static_cast<size_t>(i)]) {
    const KerningPair& pair = kerning_[static_cast<size_t>(i)];
    if (pair.first == first && pair.second == second) return pair.amount;
  }
  return 0;
}

void FontData::ClipToAtlas(int width, int height) {
  width = std::clamp(width, 0, 32767);
  height = std::clamp(height, 0, 32767);
  for (Glyph& g : glyphs_) {
    Clip(g.atlasX, g.width, width);
    Clip(g.atlasY, g.height, height);
  }
}

ReadResult ReadFontFile(std::span<const uint8_t> bytes, FontData& data) {
  ReadResult result;
  if (bytes.size() < kSignature.size() ||
      std::memcmp(bytes.data(), kSignature.data(), kSignature.size()) != 0) {
    return result;
  }
  size_t at = kSignature.size();
  const size_t size = bytes.size();
  for (;;) {
    result.stopOffset = at;
    if (at == size) {
      result.end = ReadEnd::kEndOfData;
      return result;
    }
    if (size - at < kChunkHeaderBytes) {
      result.end = ReadEnd::kTruncated;
      return result;
    }
    const uint32_t length = U32(&bytes[at]);
    const uint32_t crc = U32(&bytes[at + 4]);
    if (length > size - at - kChunkHeaderBytes) {
      result.end = ReadEnd::kTruncated;
      return result;
    }
    const uint8_t* payload = bytes.data() + at + kChunkHeaderBytes;
    if (Crc32(payload, length) != crc) {
      result.end = ReadEnd::kCrcMismatch;
      return result;
    }
    if (length < 4) {
      result.end = ReadEnd::kMalformed;
      return result;
    }
    const uint32_t type = U32(payload);
    const uint8_t* body = payload + 4;
    const size_t bodyBytes = length - 4;
    bool complete = true;
    switch (type) {
      case kChunkEnd:
        ++result.chunks;
        result.end = ReadEnd::kEndChunk;
        return result;
      case kChunkAtlas:
        data.atlasImage.assign(body, body + bodyBytes);
        break;
      case kChunkGlyphs:
      case kChunkKerning: {
        if (bodyBytes < 4) {
          complete = false;
          break;
        }
        const bool glyphs = type == kChunkGlyphs;
        const size_t recordBytes = glyphs ? kGlyphRecordBytes : kKerningRecordBytes;
        size_t fit = 0;
        complete = FittingRecords(U32(body), bodyBytes - 4, recordBytes, fit);
        const uint8_t* r = body + 4;
        for (size_t i = 0; i < fit; ++i, r += recordBytes) {
          if (glyphs) {
            Glyph g{U16(r),      I16(r + 2),  I16(r + 4),  I16(r + 6), I16(r + 8),
                    I16(r + 10), I16(r + 12), I16(r + 14), I16(r + 16)};
            // A corner left of or above the atlas can never be inside it.
            Clip(g.atlasX, g.width, 32767);
            Clip(g.atlasY, g.height, 32767);
            data.AddGlyph(g);
          } else {
            data.AddKerning({U16(r), U16(r + 2), I16(r + 4)});
          }
        }
        break;
      }
      default:
        break;  // unknown chunk types are skipped
    }
    if (!complete) {
      result.end = ReadEnd::kMalformed;
      return result;
    }
    ++result.chunks;
    at += kChunkHeaderBytes + length;
  }
}

const char* ReadEndText(ReadEnd end) {
  switch (end) {
    case ReadEnd::kBadSignature: return "not a font file (wrong signature)";
    case ReadEnd::kEndChunk: return "end chunk";
    case ReadEnd::kEndOfData: return "end of file without end chunk";
    case ReadEnd::kTruncated: return "chunk runs past the end of the file";
    case ReadEnd::kCrcMismatch: return "chunk CRC-32 does not match";
    case ReadEnd::kMalformed: return "chunk too short for its contents";
  }
  return "";
}

}  // namespace vlm::font
