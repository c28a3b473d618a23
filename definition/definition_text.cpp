// Definition file bytes to UTF-8 text, as the byte-order mark says.
#include <cstdint>
#include <cstring>
#include <string>

#include "core/text.h"
#include "definition/definition_internal.h"

namespace vlm {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

// End of the run of plain ASCII characters (1-127) starting at p, eight
// bytes at a time.
const unsigned char* AsciiRunEnd(const unsigned char* p, const unsigned char* end) {
  constexpr uint64_t kLow = 0x0101010101010101ull;
  constexpr uint64_t kHigh = 0x8080808080808080ull;
  while (end - p >= 8) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    // A byte with its top bit set, or a zero byte, ends the run.
    if ((word | ((word - kLow) & ~word)) & kHigh) break;
    p += 8;
  }
  while (p < end && *p < 0x80 && *p != 0) ++p;
  return p;
}

std::string FromUtf8(const unsigned char* p, const unsigned char* end) {
  std::string out;
  out.reserve(static_cast<size_t>(end - p));
  while (p < end) {
    // Copy runs of plain ASCII at once.
    const unsigned char* run = AsciiRunEnd(p, end);
    out.append(reinterpret_cast<const char*>(p), static_cast<size_t>(run - p));
    p = run;
    if (p == end || *p == 0) break;
    size_t length = 0;
    const std::string_view rest(reinterpret_cast<const char*>(p), static_cast<size_t>(end - p));
    if (DecodeUtf8(rest, length) != kInvalidCodePoint) {
      out.append(rest.data(), length);
      p += length;
    } else {
      AppendUtf8(out, kReplacement);
      ++p;
    }
  }
  return out;
}

std::string FromUtf16(const unsigned char* p, const unsigned char* end) {
  std::string out;
  out.reserve(static_cast<size_t>(end - p) / 2);
  // An odd last byte is not a character and is dropped.
  while (end - p >= 2) {
    const uint32_t unit = p[0] | (p[1] << 8);
    p += 2;
    if (unit == 0) break;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (end - p >= 2) {
        const uint32_t low = p[0] | (p[1] << 8);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          p += 2;
          AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
          continue;
        }
      }
      AppendUtf8(out, kReplacement);
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::string FromLatin1(const unsigned char* p, const unsigned char* end) {
  const unsigned char* nul = static_cast<const unsigned char*>(std::memchr(p, 0, static_cast<size_t>(end - p)));
  if (nul) end = nul;
  std::string out;
  out.reserve(static_cast<size_t>(end - p));
  while (p < end) {
    const unsigned char* run = AsciiRunEnd(p, end);  // no zero bytes here
    out.append(reinterpret_cast<const char*>(p), static_cast<size_t>(run - p));
    p = run;
    if (p < end) AppendUtf8(out, *p++);
  }
  return out;
}

}  // namespace

std::string DecodeDefinitionBytes(const unsigned char* bytes, size_t size) {
  if (!bytes || size == 0) return std::string();
  const unsigned char* end = bytes + size;
  if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    return FromUtf8(bytes + 3, end);
  }
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return FromUtf16(bytes + 2, end);
  return FromLatin1(bytes, end);
}

}  // namespace vlm
