// Typed readers with their defaults, and the number conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "definition_test_util.h"
#include "velmora/definition.h"

namespace {

using deftest::Tree;

int64_t Int(const char* text) { return VLM_ConvertDefinitionInteger(text, std::strlen(text)); }
float Float(const char* text) { return VLM_ConvertDefinitionFloat(text, std::strlen(text)); }

TEST(DefinitionNumbers, IntegerConversion) {
  EXPECT_EQ(Int("7"), 7);
  EXPECT_EQ(Int("12abc"), 12);
  EXPECT_EQ(Int(" \t-42"), -42);
  EXPECT_EQ(Int("+5"), 5);
  EXPECT_EQ(Int("$1F"), 31);
  EXPECT_EQ(Int("$ff8040"), 0xFF8040);
  EXPECT_EQ(Int("-$10"), -16);
  EXPECT_EQ(Int("%101"), 5);
  EXPECT_EQ(Int("%102"), 2);
  EXPECT_EQ(Int("$"), 0);
  EXPECT_EQ(Int("abc"), 0);
  EXPECT_EQ(Int("1.9"), 1);
  EXPECT_EQ(Int("\n5"), 0);  // only spaces and tabs are skipped
  EXPECT_EQ(Int("$FFFFFFFF"), 0xFFFFFFFFll);
  // Too many digits saturate instead of wrapping round.
  EXPECT_EQ(Int("9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(Int("9223372036854775808"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(Int("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(Int("$10000000000000001"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(VLM_ConvertDefinitionInteger(nullptr, 3), 0);
}

TEST(DefinitionNumbers, FloatConversion) {
  EXPECT_FLOAT_EQ(Float("1.5, 2"), 1.5f);
  EXPECT_FLOAT_EQ(Float("12abc"), 12.0f);
  EXPECT_FLOAT_EQ(Float("  -3.25e2x"), -325.0f);
  EXPECT_FLOAT_EQ(Float(".5"), 0.5f);
  EXPECT_FLOAT_EQ(Float("+5."), 5.0f);
  EXPECT_FLOAT_EQ(Float("1e"), 1.0f);
  EXPECT_FLOAT_EQ(Float("2E+1"), 20.0f);
  EXPECT_FLOAT_EQ(Float("0.1"), 0.1f);
  EXPECT_EQ(Float("-"), 0.0f);
  EXPECT_EQ(Float("."), 0.0f);
  EXPECT_EQ(Float("$10"), 0.0f);
  EXPECT_EQ(Float("0x1p3"), 0.0f);
  EXPECT_EQ(Float("Infinity"), 0.0f);  // only the signed words
  EXPECT_EQ(Float("inf"), 0.0f);
  EXPECT_EQ(Float("+Infinity"), std::numeric_limits<float>::infinity());
  EXPECT_EQ(Float("-INFINITY"), -std::numeric_limits<float>::infinity());
  EXPECT_TRUE(std::isnan(Float("NaN")));
  EXPECT_TRUE(std::isnan(Float("nan")));
  EXPECT_EQ(Float("NaN1"), 0.0f);
  // Out of the float range: infinity or zero, by the size of the number.
  EXPECT_EQ(Float("1e999"), std::numeric_limits<float>::infinity());
  EXPECT_EQ(Float("-123456e99999999999"), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(Float("1e-999"), 0.0f);
  EXPECT_EQ(Float("0.000001e-99"), 0.0f);
  EXPECT_EQ(Float("0e999999"), 0.0f);
}

TEST(DefinitionReaders, Vector) {
  Tree t("A: 1, 2, 3\nB: 5\nC: 1, 2\nD: 1, 2, 3, 4, 5\nE: x {\n}\n");
  v4f v{7, 7, 7, 7};
  VLM_ReadDefinitionVector(t("\\A"), &v, 9, 9, 9, VLM_DEFAULTF);
  EXPECT_EQ(v.x, 1);
  EXPECT_EQ(v.y, 2);
  EXPECT_EQ(v.z, 3);
  EXPECT_EQ(v.w, 7);
  // A single value is a distance along -z; w stays.
  VLM_ReadDefinitionVector(t("\\B"), &v, 9, 9, 9, 4);
  EXPECT_EQ(v.x, 0);
  EXPECT_EQ(v.y, 0);
  EXPECT_EQ(v.z, -5);
  EXPECT_EQ(v.w, 7);
  // Missing node: the defaults, w only when it is not the marker.
  v = {7, 7, 7, 7};
  EXPECT_EQ(VLM_ReadDefinitionVector(t("\\Missing"), &v, 9, 8, 6, VLM_DEFAULTF), &v);
  EXPECT_EQ(v.x, 9);
  EXPECT_EQ(v.y, 8);
  EXPECT_EQ(v.z, 6);
  EXPECT_EQ(v.w, 7);
  VLM_ReadDefinitionVector(nullptr, &v, 1, 2, 3, 4);
  EXPECT_EQ(v.w, 4);
  // Missing elements leave their components; a missing fourth gives w.
  v = {7, 7, 7, 7};
  VLM_ReadDefinitionVector(t("\\C"), &v, 9, 9, 9, 7.5f);
  EXPECT_EQ(v.x, 1);
  EXPECT_EQ(v.y, 2);
  EXPECT_EQ(v.z, 7);
  EXPECT_EQ(v.w, 7.5f);
  VLM_ReadDefinitionVector(t("\\D"), &v, 0, 0, 0, 0);
  EXPECT_EQ(v.w, 4);
  VLM_ReadDefinitionVector(t("\\D"), &v, 0, 0, 0, VLM_DEFAULTF);
  EXPECT_EQ(v.w, 4);
  v = {7, 7, 7, 7};
  VLM_ReadDefinitionVector(t("\\E"), &v, 9, 9, 9, 1);
  EXPECT_EQ(v.x, 7);
  EXPECT_EQ(v.w, 1);
  EXPECT_EQ(VLM_ReadDefinitionVector(t("\\A"), nullptr, 0, 0, 0, 0), nullptr);
}

TEST(DefinitionReaders, IntegerKeywords) {
  Tree t("A: Enable\nB: DEFAULT\nC: none\nD: 7\nE: $1F\nF: True\nG: disable\nH: FALSE\nI: nonex\nJ: -3");
  EXPECT_EQ(VLM_ReadDefinitionInteger(t("\\A"), 5), 1);
  EXPECT_EQ(VLM_ReadDefinitionInteger(t("\\B"), 5), -1);
  EXPECT_EQ(VLM_ReadDefinitionInteger(t("\\C"), 5), 0);
  EXPECT_EQ(VLM_ReadDefinitionInteger(t("\\D"), 5), 7);
  EXPECT_EQ(VLM_ReadDefinitionInteger(t("\\E"), 5), 31);
  EXPECT_EQ(VLM_ReadDefinitionInteger(t("\\F"), 5), 1);
  EXPECT_EQ(VLM_ReadDefinitionInteger(t("\\G"), 5), 0);
  EXPECT_EQ(VLM_ReadDefinitionInteger(t("\\H"), 5), 0);
  EXPECT_EQ(VLM_ReadDefinitionInteger(t("\\I"), 5), 0);
  EXPECT_EQ(VLM_ReadDefinitionInteger(t("\\J"), 5), -3);
  EXPECT_EQ(VLM_ReadDefinitionInteger(t("\\Missing"), 5), 5);
}

TEST(DefinitionReaders, Colour) {
  Tree t("A: 255, 128, 0\nB: 1.0, 0.502, 0.0\nC: 1, 0, 0\nD: $FF8040\nE: 0, 0, 255, 0.5\nF: 300, -4\nG: $80FF0000");
  v4f c{9, 9, 9, 9};
  EXPECT_EQ(VLM_ReadDefinitionColour(t("\\A"), &c, 0), 0xFF0080FFu);
  EXPECT_FLOAT_EQ(c.x, 1.0f);
  EXPECT_FLOAT_EQ(c.y, 128.0f / 255.0f);
  EXPECT_FLOAT_EQ(c.z, 0.0f);
  EXPECT_FLOAT_EQ(c.w, 1.0f);
  // Elements with a point are 0..1 values: nearly the same colour.
  EXPECT_EQ(VLM_ReadDefinitionColour(t("\\B"), &c, 0), 0xFF0080FFu);
  EXPECT_FLOAT_EQ(c.y, 0.502f);
  // Without a point "1" is 1/255.
  EXPECT_EQ(VLM_ReadDefinitionColour(t("\\C"), &c, 0), 0xFF000001u);
  EXPECT_FLOAT_EQ(c.x, 1.0f / 255.0f);
  // A single value is a packed colour; alpha 0 counts as opaque.
  EXPECT_EQ(VLM_ReadDefinitionColour(t("\\D"), &c, 0), 0x00FF8040u);
  EXPECT_FLOAT_EQ(c.x, 0x40 / 255.0f);
  EXPECT_FLOAT_EQ(c.y, 0x80 / 255.0f);
  EXPECT_FLOAT_EQ(c.z, 1.0f);
  EXPECT_FLOAT_EQ(c.w, 1.0f);
  EXPECT_EQ(VLM_ReadDefinitionColour(t("\\E"), &c, 0), 0x80FF0000u);
  EXPECT_FLOAT_EQ(c.w, 0.5f);
  EXPECT_EQ(VLM_ReadDefinitionColour(t("\\G"), nullptr, 0), 0x80FF0000u);
  // Missing third element: blue stays as it was; out-of-range values clamp
  // in the packed form.
  c = {0, 0, 0.25f, 0};
  EXPECT_EQ(VLM_ReadDefinitionColour(t("\\F"), &c, 0), 0xFF400000u | 0xFF);
  EXPECT_FLOAT_EQ(c.x, 300.0f / 255.0f);
  EXPECT_FLOAT_EQ(c.y, -4.0f / 255.0f);
  // No node: the default; -1 is opaque white.
  EXPECT_EQ(VLM_ReadDefinitionColour(t("\\Missing"), &c, 0xFFFFFFFFu), 0xFFFFFFFFu);
  EXPECT_FLOAT_EQ(c.x, 1.0f);
  EXPECT_FLOAT_EQ(c.w, 1.0f);
  EXPECT_EQ(VLM_ReadDefinitionColour(nullptr, &c, 0x0000FF), 0x0000FFu);
  EXPECT_FLOAT_EQ(c.x, 1.0f);
  EXPECT_FLOAT_EQ(c.y, 0.0f);
  EXPECT_FLOAT_EQ(c.w, 1.0f);
}

TEST(DefinitionReaders, StringFloatAndRange) {
  Tree t("S: 'a b'\nF: 2.5\nL: 4, 6\nR: 3\nQ: 8,\n");
  EXPECT_STREQ(VLM_ReadDefinitionString(t("\\S"), "d"), "a b");
  EXPECT_STREQ(VLM_ReadDefinitionString(t("\\Missing"), "d"), "d");
  EXPECT_EQ(VLM_ReadDefinitionFloat(t("\\F"), 1), 2.5f);
  EXPECT_EQ(VLM_ReadDefinitionFloat(t("\\L"), 1), 4.0f);  // the list's text "4, 6"
  EXPECT_EQ(VLM_ReadDefinitionFloat(t("\\Missing"), 1), 1.0f);
  float range[2] = {-1, -1};
  VLM_ReadDefinitionRange(t("\\L"), range, 0, 0);
  EXPECT_EQ(range[0], 4);
  EXPECT_EQ(range[1], 6);
  VLM_ReadDefinitionRange(t("\\R"), range, 0, 0);
  EXPECT_EQ(range[0], 3);
  EXPECT_EQ(range[1], 3);
  range[1] = -1;
  VLM_ReadDefinitionRange(t("\\Q"), range, 0, 0);
  EXPECT_EQ(range[0], 8);
  EXPECT_EQ(range[1], -1);
  VLM_ReadDefinitionRange(nullptr, range, 2, 5);
  EXPECT_EQ(range[0], 2);
  EXPECT_EQ(range[1], 5);
  VLM_ReadDefinitionRange(nullptr, range, 2, VLM_DEFAULTF);
  EXPECT_EQ(range[1], 2);
}

}  // namespace
