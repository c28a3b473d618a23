// Bitmap font files (".tf"): a signature, then chunks of u32 length, u32
// CRC-32 of the payload and the payload, whose first u32 is its type. All
// values little-endian. The reader keeps the atlas as file bytes; the texture
// is made from them by the caller.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vlm::font {

// "T", 0x83, "|1.40|".
inline constexpr std::array<uint8_t, 8> kSignature = {0x54, 0x83, 0x7C, 0x31, 0x2E, 0x34, 0x30, 0x7C};

enum ChunkType : uint32_t {
  kChunkEnd = 0,
  kChunkAtlas = 1,    // a complete image file
  kChunkGlyphs = 2,   // u32 count, count glyph records
  kChunkKerning = 3,  // u32 count, count kerning records
};

inline constexpr size_t kChunkHeaderBytes = 8;   // length, CRC-32
inline constexpr size_t kGlyphRecordBytes = 18;
inline constexpr size_t kKerningRecordBytes = 6;
inline constexpr uint32_t kKerningBuckets = 701;
inline constexpr uint32_t kCodeCount = 65536;    // one UTF-16 unit per glyph

// One glyph, in pixels: the order of its record in the file.
struct Glyph {
  uint16_t code;
  int16_t offsetX;     // from the pen to the left edge of the image
  int16_t offsetY;     // from the top of the line down to the top edge of the image
  int16_t advance;     // pen movement after the glyph
  int16_t lineHeight;  // distance between lines
  int16_t atlasX;
  int16_t atlasY;
  int16_t width;
  int16_t height;
};
static_assert(sizeof(Glyph) == kGlyphRecordBytes);

struct KerningPair {
  uint16_t first;
  uint16_t second;
  int16_t amount;  // pixels added to the advance of `first` when `second` follows
};

// The glyphs, kerning and atlas of one font file, shared by every font made
// from that file.
class FontData {
 public:
  FontData();

  // A later glyph for the same code replaces the earlier one in the table.
  void AddGlyph(const Glyph& glyph);
  // Pairs chain in insertion order, so the first pair added for a key wins.
  void AddKerning(const KerningPair& pair);

  const Glyph* Find(uint32_t code) const {
    if (code >= kCodeCount) return nullptr;
    const int32_t index = table_[code];
    return index < 0 ? nullptr : &glyphs_[static_cast<size_t>(index)];
  }
  // The amount for exactly the ordered pair (first, second), 0 when none.
  int Kerning(uint32_t first, uint32_t second) const;

  // Clips every glyph rectangle to an atlas of this size, once the atlas is
  // decoded: the glyph keeps its metrics and draws only what lies inside.
  void ClipToAtlas(int width, int height);

  const std::vector<Glyph>& Glyphs() const { return glyphs_; }
  const std::vector<KerningPair>& KerningPairs() const { return kerning_; }

  std::vector<uint8_t> atlasImage;  // the image file of the last atlas chunk

 private:
  std::vector<Glyph> glyphs_;
  std::vector<int32_t> table_;  // kCodeCount entries: index into glyphs_, -1 for none
  std::vector<KerningPair> kerning_;
  std::vector<int32_t> kerningNext_;  // chain links, parallel to kerning_
  std::array<int32_t, kKerningBuckets> bucketHead_;
  std::array<int32_t, kKerningBuckets> bucketTail_;
};

// Why reading stopped.
enum class ReadEnd {
  kBadSignature,   // nothing was read
  kEndChunk,       // the regular end
  kEndOfData,      // the data ended at a chunk boundary without an end chunk
  kTruncated,      // a chunk header or payload runs past the end of the data
  kCrcMismatch,    // a chunk's CRC-32 does not match its payload
  kMalformed,      // a chunk too short for its type, or a count past its chunk
};

struct ReadResult {
  ReadEnd end = ReadEnd::kBadSignature;
  size_t chunks = 0;     // chunks taken in, the end chunk included
  size_t stopOffset = 0; // offset of the chunk where reading stopped
};

// Reads a whole font file into `data`. Whatever was read before a damaged
// chunk stays; a count larger than its chunk takes the records that fit and
// then stops. Glyph rectangles with a negative corner are clipped at 0.
ReadResult ReadFontFile(std::span<const uint8_t> bytes, FontData& data);

const char* ReadEndText(ReadEnd end);

}  // namespace vlm::font
