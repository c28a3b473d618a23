// The bad values of each argument type.
#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "sweep.h"

namespace sweep {

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

const std::string& LongText() {
  static const std::string text(70000, 'x');
  return text;
}

v4f Fill4(float v) { return v4f{v, v, v, v}; }

m4f Fill16(float v) {
  m4f m;
  for (float& e : m.e) e = v;
  return m;
}

}  // namespace

std::vector<Case>& Cases() {
  static std::vector<Case> cases;
  return cases;
}

std::vector<Bad<float>> BadValues(const Fixture&, float*) {
  return {{"NaN", kNaN}, {"+inf", kInf}, {"-inf", -kInf}, {"1e30", 1e30f},
          {"-1e30", -1e30f}, {"0", 0.0f},   {"-1", -1.0f},   {"65536", 65536.0f}};
}

std::vector<Bad<int>> BadValues(const Fixture&, int*) {
  return {{"0", 0}, {"-1", -1}, {"65536", 65536}, {"INT_MAX", INT_MAX}, {"INT_MIN", INT_MIN}};
}

std::vector<Bad<long>> BadValues(const Fixture& f, long*) {
  return {{"stale", kStale}, {"forged", kForged}, {"foreign", f.foreign}, {"0", 0},
          {"-1", -1},        {"65536", 65536},    {"LONG_MAX", LONG_MAX}};
}

std::vector<Bad<uint32_t>> BadValues(const Fixture&, uint32_t*) {
  return {{"0", 0u}, {"0xFFFFFFFF", 0xFFFFFFFFu}, {"65536", 65536u}};
}

std::vector<Bad<size_t>> BadValues(const Fixture&, size_t*) {
  return {{"0", size_t{0}}, {"SIZE_MAX", std::numeric_limits<size_t>::max()}};
}

std::vector<Bad<const char*>> BadValues(const Fixture&, const char**) {
  return {{"NULL", nullptr}, {"\"\"", ""}, {"70000 chars", LongText().c_str()}, {"bad UTF-8", "\xC3\x28\xFF\xFE"}};
}

std::vector<Bad<const v4f*>> BadValues(const Fixture&, const v4f**) {
  static const v4f nan = Fill4(kNaN), inf = Fill4(kInf), huge = Fill4(1e30f);
  return {{"NULL", nullptr}, {"NaN vector", &nan}, {"inf vector", &inf}, {"1e30 vector", &huge}};
}

std::vector<Bad<const m4f*>> BadValues(const Fixture&, const m4f**) {
  static const m4f nan = Fill16(kNaN), huge = Fill16(1e30f), zero = Fill16(0.0f);
  return {{"NULL", nullptr}, {"NaN matrix", &nan}, {"1e30 matrix", &huge}, {"zero matrix", &zero}};
}

std::vector<Bad<const VLM_TEXT_SETTINGS*>> BadValues(const Fixture&, const VLM_TEXT_SETTINGS**) {
  static const VLM_TEXT_SETTINGS nan{kNaN, 0xFFFFFFFFu, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, 1};
  static const VLM_TEXT_SETTINGS inf{kInf, 0u, -kInf, kInf, -kInf, kInf, -kInf, kInf, 0};
  static const VLM_TEXT_SETTINGS huge{-1e30f, 0u, 1e30f, 1e30f, -1e30f, 90.0f, 1e30f, -1e30f, 0};
  return {{"NULL", nullptr}, {"NaN settings", &nan}, {"inf settings", &inf}, {"1e30 settings", &huge}};
}

std::vector<Bad<VLM_HANDLE*>> BadValues(const Fixture&, VLM_HANDLE**) {
  static VLM_HANDLE ids[3];
  ids[0] = 65536, ids[1] = -2, ids[2] = LONG_MIN;  // refilled: a case may have written them
  return {{"NULL", nullptr}, {"-> 65536", &ids[0]}, {"-> -2", &ids[1]}, {"-> LONG_MIN", &ids[2]}};
}

}  // namespace sweep
