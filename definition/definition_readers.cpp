// Typed readers of definition nodes and the number conversions they share.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "core/text.h"
#include "definition/definition_internal.h"
#include "velmora/math.h"

namespace vlm {

namespace {

using Node = VLM_DEFINITION_NODE;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c, int base) {
  int digit;
  if (c >= '0' && c <= '9') {
    digit = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    digit = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    digit = c - 'A' + 10;
  } else {
    return -1;
  }
  return digit < base ? digit : -1;
}

int64_t ToInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i < text.size() && text[i] == '%') {
    base = 2;
    ++i;
  }
  // Too many digits saturate rather than wrap, so a huge index stays out of
  // range instead of turning into a small valid one.
  const uint64_t limit = negative ? uint64_t(1) << 63 : (uint64_t(1) << 63) - 1;
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0) break;
    if (magnitude > (limit - uint64_t(digit)) / uint64_t(base)) {
      magnitude = limit;
    } else {
      magnitude = magnitude * uint64_t(base) + uint64_t(digit);
    }
  }
  return negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

float ToFloat(std::string_view text) {
  if (EqualsNoCase(text, "+infinity")) return std::numeric_limits<float>::infinity();
  if (EqualsNoCase(text, "-infinity")) return -std::numeric_limits<float>::infinity();
  if (EqualsNoCase(text, "nan")) return std::numeric_limits<float>::quiet_NaN();
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Measure the number first: the longest run of digits, "." and digits,
  // and an exponent only when digits follow it.
  const size_t start = i;
  size_t digits = 0;
  bool nonZero = false;
  auto scanDigits = [&] {
    for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) nonZero |= text[i] != '0';
  };
  scanDigits();
  const size_t integerEnd = i;
  if (i < text.size() && text[i] == '.') {
    ++i;
    scanDigits();
  }
  if (digits == 0) return 0.0f;
  const size_t mantissaEnd = i;
  int64_t exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    bool negativeExponent = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) negativeExponent = text[j++] == '-';
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) {
        if (exponent < 100000) exponent = exponent * 10 + (text[j] - '0');
        ++j;
      }
      if (negativeExponent) exponent = -exponent;
      i = j;
    }
  }
  float result = 0.0f;
  const auto [end, error] =
      std::from_chars(text.data() + start, text.data() + i, result, std::chars_format::general);
  (void)end;
  if (error == std::errc::result_out_of_range) {
    // Too large or too small for a float: which one follows from the
    // position of the first significant digit.
    int64_t magnitude = exponent;
    size_t first = start;
    while (first < integerEnd && text[first] == '0') ++first;
    if (first < integerEnd) {
      magnitude += static_cast<int64_t>(integerEnd - first);
    } else {
      size_t fraction = integerEnd + 1;
      for (; fraction < mantissaEnd && text[fraction] == '0'; ++fraction) --magnitude;
    }
    result = nonZero && magnitude > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
  } else if (error != std::errc()) {
    result = 0.0f;
  }
  return negative ? -result : result;
}

bool IsContainer(const Node* node) { return node->container != 0; }

float ChildFloat(const Node* node, uint32_t index) { return ToFloat(node->children[index]->Value()); }

uint8_t ToByte(float channel) {
  if (!(channel > 0.0f)) return 0;  // NaN too
  if (channel >= 1.0f) return 255;
  return static_cast<uint8_t>(std::lround(channel * 255.0f));
}

}  // namespace

}  // namespace vlm

using Node = VLM_DEFINITION_NODE;

extern "C" {

int64_t VLM_ConvertDefinitionInteger(const char* text, size_t length) {
  return text ? vlm::ToInteger(std::string_view(text, length)) : 0;
}

float VLM_ConvertDefinitionFloat(const char* text, size_t length) {
  return text ? vlm::ToFloat(std::string_view(text, length)) : 0.0f;
}

v4f* VLM_ReadDefinitionVector(VLM_DEFINITION_NODE* node, v4f* out, float x, float y, float z,
                              float w) {
  if (!out) return out;
  const bool threeComponents = w == VLM_DEFAULTF;
  if (!node) {
    out->x = x;
    out->y = y;
    out->z = z;
    if (!threeComponents) out->w = w;
    return out;
  }
  if (vlm::IsContainer(node)) {
    const uint32_t count = node->childCount;
    if (count > 0) out->x = vlm::ChildFloat(node, 0);
    if (count > 1) out->y = vlm::ChildFloat(node, 1);
    if (count > 2) out->z = vlm::ChildFloat(node, 2);
    if (!threeComponents) out->w = count > 3 ? vlm::ChildFloat(node, 3) : w;
    return out;
  }
  // A single number is a distance along -z.
  const float v = vlm::ToFloat(node->Value());
  out->x = 0.0f;
  out->y = 0.0f;
  out->z = -v;
  return out;
}

int64_t VLM_ReadDefinitionInteger(VLM_DEFINITION_NODE* node, int64_t defaultValue) {
  if (!node) return defaultValue;
  const std::string_view value = node->Value();
  if (vlm::EqualsNoCase(value, "true") || vlm::EqualsNoCase(value, "enable")) return 1;
  if (vlm::EqualsNoCase(value, "false") || vlm::EqualsNoCase(value, "disable") ||
      vlm::EqualsNoCase(value, "none")) {
    return 0;
  }
  if (vlm::EqualsNoCase(value, "default")) return -1;
  return vlm::ToInteger(value);
}

uint32_t VLM_ReadDefinitionColour(VLM_DEFINITION_NODE* node, v4f* out, uint32_t defaultColour) {
  v4f local;
  VLM_v4fFromColor(&local, defaultColour);
  if (out) {
    if (!node) *out = local;
  } else {
    out = &local;  // missing channels of a list then come from the default
  }
  if (!node) return defaultColour;
  if (!vlm::IsContainer(node)) {
    const uint32_t colour = static_cast<uint32_t>(vlm::ToInteger(node->Value()));
    VLM_v4fFromColor(out, colour);
    return colour;
  }
  float* channels[4] = {&out->x, &out->y, &out->z, &out->w};
  const uint32_t count = node->childCount;
  for (uint32_t i = 0; i < 4 && i < count; ++i) {
    const std::string_view text = node->children[i]->Value();
    *channels[i] = text.find('.') != std::string_view::npos
                       ? vlm::ToFloat(text)
                       : static_cast<float>(vlm::ToInteger(text)) / 255.0f;
  }
  if (count < 4) out->w = 1.0f;
  return uint32_t(vlm::ToByte(out->x)) | uint32_t(vlm::ToByte(out->y)) << 8 |
         uint32_t(vlm::ToByte(out->z)) << 16 | uint32_t(vlm::ToByte(out->w)) << 24;
}

const char* VLM_ReadDefinitionString(VLM_DEFINITION_NODE* node, const char* defaultValue) {
  return node ? vlm::DefinitionValue(node) : defaultValue;
}

float VLM_ReadDefinitionFloat(VLM_DEFINITION_NODE* node, float defaultValue) {
  return node ? vlm::ToFloat(node->Value()) : defaultValue;
}

float* VLM_ReadDefinitionRange(VLM_DEFINITION_NODE* node, float out[2], float min, float max) {
  if (!out) return out;
  if (!node) {
    out[0] = min;
    out[1] = max == VLM_DEFAULTF ? min : max;
  } else if (vlm::IsContainer(node)) {
    if (node->childCount > 0) out[0] = vlm::ChildFloat(node, 0);
    if (node->childCount > 1) out[1] = vlm::ChildFloat(node, 1);
  } else {
    out[0] = out[1] = vlm::ToFloat(node->Value());
  }
  return out;
}

}  // extern "C"
