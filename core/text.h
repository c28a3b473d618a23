// Small text helpers shared by the file readers and the input layer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vlm {

// ASCII comparison that ignores the case of text; word is given in lower case.
inline bool EqualsNoCase(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return true;
}

// Appends a code point as UTF-8.
inline void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Marks a byte that does not start a valid UTF-8 sequence.
inline constexpr uint32_t kInvalidCodePoint = 0xFFFFFFFFu;

// Decodes the UTF-8 sequence at text[at] and moves `at` past it. Overlong
// forms, surrogates, values above U+10FFFF and cut sequences give
// kInvalidCodePoint and move on by one byte only.
inline uint32_t DecodeUtf8(std::string_view text, size_t& at) {
  const auto b = static_cast<unsigned char>(text[at]);
  if (b < 0x80) {
    ++at;
    return b;
  }
  size_t length;
  uint32_t min;
  uint32_t c;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2, min = 0x80, c = b & 0x1Fu;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3, min = 0x800, c = b & 0x0Fu;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4, min = 0x10000, c = b & 0x07u;
  } else {
    ++at;
    return kInvalidCodePoint;
  }
  if (text.size() - at < length) {
    ++at;
    return kInvalidCodePoint;
  }
  for (size_t i = 1; i < length; ++i) {
    const auto n = static_cast<unsigned char>(text[at + i]);
    if ((n & 0xC0) != 0x80) {
      ++at;
      return kInvalidCodePoint;
    }
    c = (c << 6) | (n & 0x3Fu);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++at;
    return kInvalidCodePoint;
  }
  at += length;
  return c;
}

}  // namespace vlm
