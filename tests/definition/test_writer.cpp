// The definition writer: exact bytes, and text that reads back.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "definition_test_util.h"
#include "support/test_support.h"
#include "velmora/definition.h"

namespace {

using vlmtest::ReadFile;
using vlmtest::TempDir;

TEST(DefinitionWriter, MeshLayoutByteForByte) {
  TempDir dir;
  const std::string file = dir.File("quad.vlm");
  VLM_DEFINITION_WRITER* w = VLM_OpenDefinitionWriter(file.c_str());
  ASSERT_NE(w, nullptr);
  const float vertices[2][3] = {{1.0f, -0.5f, 0.0f}, {-0.0f, 123.4567891f, -1e-7f}};
  const int32_t face[3] = {0, 1, 12};
  EXPECT_EQ(VLM_BeginDefinitionBlock(w, "Mesh", "Quad"), 1);
  EXPECT_EQ(VLM_BeginDefinitionBlock(w, "Vertices", "2"), 1);
  for (const auto& v : vertices) EXPECT_EQ(VLM_WriteDefinitionFloats(w, v, 3), 1);
  EXPECT_EQ(VLM_EndDefinitionBlock(w), 1);
  EXPECT_EQ(VLM_WriteDefinitionLine(w, ""), 1);
  EXPECT_EQ(VLM_BeginDefinitionBlock(w, "Faces", "1"), 1);
  EXPECT_EQ(VLM_WriteDefinitionIntegers(w, face, 3), 1);
  EXPECT_EQ(VLM_EndDefinitionBlock(w), 1);
  EXPECT_EQ(VLM_WriteDefinitionLine(w, ""), 1);
  EXPECT_EQ(VLM_EndDefinitionBlock(w), 1);
  EXPECT_EQ(VLM_CloseDefinitionWriter(w), 1);
  EXPECT_EQ(ReadFile(file),
            "Mesh: Quad {\r\n"
            "\tVertices: 2 {\r\n"
            "\t\t 1.000000,-0.500000, 0.000000\r\n"
            "\t\t 0.000000, 123.456787,-0.000000\r\n"
            "\t}\r\n"
            "\r\n"
            "\tFaces: 1 {\r\n"
            "\t\t 0,1,12\r\n"
            "\t}\r\n"
            "\r\n"
            "}\r\n");

  // It reads back into the tree it describes.
  VLM_DEFINITION_NODE* root = VLM_LoadDefinitionFile(file.c_str());
  EXPECT_EQ(deftest::Children(root),
            "Mesh=Quad[Vertices=2[=1.000000,-0.500000, 0.000000[=1.000000|=-0.500000|=0.000000]|"
            "=0.000000, 123.456787,-0.000000[=0.000000|=123.456787|=-0.000000]]|"
            "Faces=1[=0,1,12[=0|=1|=12]]]");
  VLM_FreeDefinitionFile();
}

TEST(DefinitionWriter, StatementsSpecialNumbersAndFailures) {
  TempDir dir;
  const std::string file = dir.File("misc.vld");
  VLM_DEFINITION_WRITER* w = VLM_OpenDefinitionWriter(file.c_str());
  ASSERT_NE(w, nullptr);
  VLM_BeginDefinitionBlock(w, "", "Light");
  VLM_WriteDefinitionStatement(w, "Type", "Point");
  VLM_WriteDefinitionStatement(w, "", "bare");
  VLM_BeginDefinitionBlock(w, "Empty", "");
  VLM_EndDefinitionBlock(w);
  const float special[3] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()};
  VLM_WriteDefinitionFloats(w, special, 3);
  VLM_WriteDefinitionLine(w, "Raw: text");
  VLM_EndDefinitionBlock(w);
  VLM_EndDefinitionBlock(w);  // one too many stays at the left margin
  EXPECT_EQ(VLM_CloseDefinitionWriter(w), 1);
  EXPECT_EQ(ReadFile(file),
            "Light {\r\n\tType: Point\r\n\tbare\r\n\tEmpty: {\r\n\t}\r\n\tNaN,+Infinity,-Infinity\r\n"
            "\tRaw: text\r\n}\r\n}\r\n");
  // The special numbers read back as themselves.
  VLM_DEFINITION_NODE* root = VLM_LoadDefinitionFile(file.c_str());
  VLM_DEFINITION_NODE* list = VLM_GetDefinitionChild(VLM_GetDefinitionChild(root, 0), 3);
  EXPECT_TRUE(std::isnan(VLM_ReadDefinitionFloat(VLM_GetDefinitionChild(list, 0), 0)));
  EXPECT_EQ(VLM_ReadDefinitionFloat(VLM_GetDefinitionChild(list, 1), 0), std::numeric_limits<float>::infinity());
  EXPECT_EQ(VLM_ReadDefinitionFloat(VLM_GetDefinitionChild(list, 2), 0), -std::numeric_limits<float>::infinity());
  VLM_FreeDefinitionFile();

  EXPECT_EQ(VLM_OpenDefinitionWriter(dir.File("no/such/dir.vld").c_str()), nullptr);
  EXPECT_EQ(VLM_OpenDefinitionWriter(nullptr), nullptr);
  EXPECT_EQ(VLM_WriteDefinitionLine(nullptr, "x"), 0);
  EXPECT_EQ(VLM_CloseDefinitionWriter(nullptr), 0);
}

TEST(DefinitionWriter, FailedWritesAreReported) {
  VLM_DEFINITION_WRITER* w = VLM_OpenDefinitionWriter("/dev/full");
  if (!w) GTEST_SKIP() << "no /dev/full";
  const std::string line(1000, 'x');
  for (int i = 0; i < 200; ++i) VLM_WriteDefinitionLine(w, line.c_str());
  EXPECT_EQ(VLM_WriteDefinitionLine(w, "x"), 0);
  EXPECT_EQ(VLM_CloseDefinitionWriter(w), 0);
}

}  // namespace
