// The OBJ subset: positions, normals, negated v, groups, the first three
// corners of a face, relative and missing corner numbers, log rows.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "mesh/mesh_record.h"
#include "mesh/mesh_test_util.h"
#include "mesh/obj_loader.h"

namespace {

using meshtest::H;
using meshtest::MeshTest;

void ExpectPosition(const VLM_MESH* mesh, int32_t i, float x, float y, float z) {
  const v4f& p = mesh->aVertices[i].v4fPosition;
  EXPECT_EQ(p.x, x) << "vertex " << i;
  EXPECT_EQ(p.y, y) << "vertex " << i;
  EXPECT_EQ(p.z, z) << "vertex " << i;
  EXPECT_EQ(p.w, 1.0f) << "vertex " << i;
}

TEST_F(MeshTest, ObjCornersBecomeVerticesInOrder) {
  Write("quad.obj",
        "# two triangles and a quad\n"
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
        "vt 0.25 0.75\nvt 1 0\n"
        "vn 0 0 1\n"
        "f 1/1/1 2/2/1 3/1/1\n"
        "f 1/2/1 3/2/1 4/2/1\n"
        "f 4/1/1 3/1/1 2/1/1 1/1/1\n"
        "f 1 2 3\n");
  VLM_MESH* mesh = VLM_LoadOBJMesh(-1, File("quad.obj").c_str(), "");
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->sName, "quad.obj");
  ASSERT_EQ(mesh->iVertexCount, 12);
  ASSERT_EQ(mesh->iIndexCount, 12);
  for (int32_t k = 0; k < 12; ++k) EXPECT_EQ(mesh->aiIndices[k], k);
  ExpectPosition(mesh, 2, 1, 1, 0);
  ExpectPosition(mesh, 6, 0, 1, 0);   // the quad's first three corners
  ExpectPosition(mesh, 8, 1, 0, 0);
  EXPECT_EQ(mesh->aVertices[0].v2fTexCoord[0], 0.25f);
  EXPECT_EQ(mesh->aVertices[0].v2fTexCoord[1], -0.75f);  // v is negated
  EXPECT_EQ(mesh->aVertices[3].v2fTexCoord[0], 1.0f);
  EXPECT_EQ(mesh->aVertices[3].v2fTexCoord[1], -0.0f);
  EXPECT_EQ(mesh->aVertices[5].v3fNormal[2], 1.0f);
  EXPECT_EQ(mesh->aVertices[9].v3fNormal[2], 0.0f);  // "f 1 2 3" has no normal number
  EXPECT_EQ(mesh->aVertices[9].iGroup, 0);
  const std::vector<std::string> expected = {"#404040 Load OBJ Mesh: " + File("quad.obj"),
                                             "#545454 Vertices: 12", "#545454 Triangles: 4",
                                             "#11FF00 OK"};
  EXPECT_EQ(LogRows(), expected);
}

TEST_F(MeshTest, ObjGroupsFollowThePositionFirstThenTheFace) {
  Write("groups.obj",
        "v 0 0 0\n"          // read before any group
        "g body\n"
        "v 1 0 0\nv 0 1 0\n"  // body
        "g wheel\n"
        "v 0 0 1\n"          // wheel
        "f 1 2 4\n"          // read under wheel
        "g body\n"
        "f 1 4 3\n");
  VLM_MESH* mesh = VLM_LoadOBJMesh(-1, File("groups.obj").c_str(), "Car");
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->sName, "Car");
  EXPECT_EQ(VLM_GetMeshGroupCount(H(mesh)), 2);
  EXPECT_EQ(VLM_GetMeshGroupIndex(H(mesh), "body"), 0);
  EXPECT_EQ(VLM_GetMeshGroupIndex(H(mesh), "wheel"), 1);
  const int32_t expected[6] = {1, 0, 1,   // position 1 takes the face's group
                               0, 1, 0};  // positions keep the group they were read in
  for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(mesh->aVertices[i].iGroup, expected[i]) << i;
  ASSERT_EQ(mesh->apGroupTable.size(), 2u);
}

TEST_F(MeshTest, ObjSeparatorsAndLineEndsDoNotShiftFields) {
  // Double spaces, tabs, trailing blanks and CR LF line ends.
  Write("spaces.obj",
        "v  5.5  0  1.5 \r\n"
        "v\t1\t2\t3\r\n"
        "  v -1e2 +2.5 .5  \r\n"
        "vt 0.5  0    0 \r\n"
        "g   box  \r\n"
        "f  1/1  2/1  3/1  \r\n");
  VLM_MESH* mesh = VLM_LoadOBJMesh(-1, File("spaces.obj").c_str(), "");
  ASSERT_NE(mesh, nullptr);
  ASSERT_EQ(mesh->iVertexCount, 3);
  ExpectPosition(mesh, 0, 5.5f, 0, 1.5f);
  ExpectPosition(mesh, 1, 1, 2, 3);
  ExpectPosition(mesh, 2, -100, 2.5f, 0.5f);
  EXPECT_EQ(mesh->aVertices[2].v2fTexCoord[0], 0.5f);
  EXPECT_EQ(VLM_GetMeshGroupIndex(H(mesh), "box"), 0);
}

TEST_F(MeshTest, ObjRelativeAndMissingCornerNumbers) {
  Write("numbers.obj",
        "v 1 0 0\nv 2 0 0\nv 3 0 0\n"
        "vn 0 1 0\n"
        "f -3//-1 -2//1 -1//2\n"   // relative numbers count back from the last entry
        "v 4 0 0\n"
        "f -1 -4 -5\n"             // -5 reaches before the first entry: none
        "f 0 9 $2\n"               // 0 and 9 name nothing; "$2" is hex for 2
        "f 1/7/1 abc\n");          // texture 7 is missing; "abc" and the absent third corner: none
  VLM_MESH* mesh = VLM_LoadOBJMesh(-1, File("numbers.obj").c_str(), "");
  ASSERT_NE(mesh, nullptr);
  ASSERT_EQ(mesh->iVertexCount, 12);
  ExpectPosition(mesh, 0, 1, 0, 0);
  ExpectPosition(mesh, 2, 3, 0, 0);
  EXPECT_EQ(mesh->aVertices[0].v3fNormal[1], 1.0f);
  EXPECT_EQ(mesh->aVertices[2].v3fNormal[1], 0.0f);  // normal 2 does not exist
  ExpectPosition(mesh, 3, 4, 0, 0);
  ExpectPosition(mesh, 4, 1, 0, 0);
  ExpectPosition(mesh, 5, 0, 0, 0);
  ExpectPosition(mesh, 6, 0, 0, 0);
  ExpectPosition(mesh, 7, 0, 0, 0);
  ExpectPosition(mesh, 8, 2, 0, 0);
  ExpectPosition(mesh, 9, 1, 0, 0);
  EXPECT_EQ(mesh->aVertices[9].v2fTexCoord[0], 0.0f);
  ExpectPosition(mesh, 10, 0, 0, 0);
  ExpectPosition(mesh, 11, 0, 0, 0);
  // Malformed corners are not failures.
  for (const std::string& row : LogRows()) EXPECT_EQ(row.find("#FF0000"), std::string::npos) << row;
}

TEST_F(MeshTest, ObjIgnoresOtherKeywordsAndEmptyFiles) {
  Write("other.obj",
        "mtllib x.mtl\no thing\nusemtl red\ns 1\nvp 1 2\nv1 2 3\nvertex 1 2 3\n"
        "#v 9 9 9\nl 1 2\n\n   \n");
  VLM_MESH* mesh = VLM_LoadOBJMesh(-1, File("other.obj").c_str(), "");
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->iVertexCount, 0);
  EXPECT_EQ(mesh->iIndexCount, 0);
  Write("empty.obj", "");
  EXPECT_NE(VLM_LoadOBJMesh(-1, File("empty.obj").c_str(), ""), nullptr);
}

TEST_F(MeshTest, ObjFileIsReadInPiecesLikeTextInMemory) {
  // Lines cross the boundaries of the pieces the file is read in, and one
  // comment line is longer than a piece.
  std::string text = "g first\n";
  for (int i = 0; i < 300000; ++i) text += "v " + std::to_string(i) + " " + std::to_string(i % 7) + ".5 -1\n";
  text += "# " + std::string(9u << 20, 'x') + "\ng second\n";
  for (int i = 0; i < 100000; ++i) {
    const int a = 1 + (i * 7) % 300000;
    text += "f " + std::to_string(a) + " -" + std::to_string(1 + i % 5) + " " + std::to_string(300001 - a) + "\n";
  }
  text += "f 1 2 3";  // no line feed at the end
  Write("big.obj", text);
  VLM_MESH* fromFile = VLM_LoadOBJMesh(-1, File("big.obj").c_str(), "");
  VLM_MESH* fromText = vlm::mesh::BuildOBJMesh(-1, text, "big.obj", "in memory");
  ASSERT_NE(fromFile, nullptr);
  ASSERT_NE(fromText, nullptr);
  ASSERT_EQ(fromFile->iVertexCount, 300003);
  ASSERT_EQ(fromText->iVertexCount, 300003);
  EXPECT_EQ(std::memcmp(fromFile->aVertices.data(), fromText->aVertices.data(), 52u * 300003), 0);
  ExpectPosition(fromFile, 3, 7, 0.5f, -1);
  ExpectPosition(fromFile, 4, 299998, 6.5f, -1);  // -2: the second-to-last position
  EXPECT_EQ(fromFile->aVertices[3].iGroup, 0);
  EXPECT_EQ(VLM_GetMeshGroupIndex(H(fromFile), "second"), 1);
}

TEST_F(MeshTest, ObjFailureRows) {
  EXPECT_EQ(VLM_LoadOBJMesh(-1, File("missing.obj").c_str(), ""), nullptr);
  EXPECT_EQ(VLM_LoadOBJMesh(-1, dir_.Path().string().c_str(), ""), nullptr);  // a directory
  Write("a.obj", "v 0 0 0\n");
  EXPECT_EQ(VLM_LoadOBJMesh(-2, File("a.obj").c_str(), ""), nullptr);
  const std::vector<std::string> expected = {
      "#404040 Load OBJ Mesh: " + File("missing.obj"), "#FF0000 Fail: File not found!",
      "#404040 Load OBJ Mesh: " + dir_.Path().string(), "#FF0000 Fail: File not found!",
      "#404040 Load OBJ Mesh: " + File("a.obj"),        "#FF0000 Fail: This ID is not available!"};
  EXPECT_EQ(LogRows(), expected);
  ReopenLog(VLM_LOG_MODULE | VLM_LOG_PROCEDURE);
  VLM_LoadOBJMesh(-1, File("missing.obj").c_str(), "");
  const auto rows = meshtest::RowCells(vlmtest::LogBody(LogPath()));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][1], "VLM Mesh");
  EXPECT_EQ(rows[0][2], "VLM_LoadOBJMesh");
  EXPECT_EQ(rows[1][1], "");
  EXPECT_EQ(rows[1][2], "VLM_LoadOBJMesh");
}

TEST(ObjNumbers, ConversionsOfTheDefinitionFormat) {
  using vlm::mesh::TextToFloat;
  using vlm::mesh::TextToInteger;
  EXPECT_EQ(TextToFloat("1.5, 2"), 1.5f);
  EXPECT_EQ(TextToFloat("-.25"), -0.25f);
  EXPECT_EQ(TextToFloat("+3e2x"), 300.0f);
  EXPECT_EQ(TextToFloat("1e"), 1.0f);
  EXPECT_EQ(TextToFloat("abc"), 0.0f);
  EXPECT_EQ(TextToFloat("."), 0.0f);
  EXPECT_EQ(TextToFloat("inf"), 0.0f);
  EXPECT_EQ(TextToFloat("+INFINITY"), std::numeric_limits<float>::infinity());
  EXPECT_TRUE(std::isnan(TextToFloat("nan")));
  EXPECT_EQ(TextToFloat("1e60"), std::numeric_limits<float>::infinity());
  EXPECT_EQ(TextToFloat("-1e60"), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(TextToFloat("1e-60"), 0.0f);
  EXPECT_EQ(TextToFloat("-0"), 0.0f);
  EXPECT_TRUE(std::signbit(TextToFloat("-0.0")));
  // Decimals of every length round like strtof (halfway cases included:
  // 0.5000000298023223876953125 lies exactly between two floats).
  EXPECT_EQ(TextToFloat("16777217"), 16777216.0f);
  EXPECT_EQ(TextToFloat("1.00000005960464477539"), std::strtof("1.00000005960464477539", nullptr));
  uint64_t state = 12345;
  for (int i = 0; i < 200000; ++i) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    const int digits = 1 + static_cast<int>((state >> 33) % 17);
    const int point = static_cast<int>((state >> 40) % (digits + 1));
    std::string text = (state >> 63) ? "-" : "";
    uint64_t d = state;
    for (int k = 0; k < digits; ++k) {
      if (k == point) text += '.';
      d = d * 2862933555777941757u + 3037000493u;
      text += static_cast<char>('0' + (d >> 60) % 10);
    }
    ASSERT_EQ(TextToFloat(text), std::strtof(text.c_str(), nullptr)) << text;
  }
  EXPECT_EQ(TextToInteger("12abc"), 12);
  EXPECT_EQ(TextToInteger(" \t-$1F"), -31);
  EXPECT_EQ(TextToInteger("%101"), 5);
  EXPECT_EQ(TextToInteger("x"), 0);
  EXPECT_EQ(TextToInteger("99999999999999999999999"), int64_t{1} << 62);
}

TEST(ObjNumbers, AgreeWithTheDefinitionReaders) {
  // The OBJ reader has its own copy of the conversions for speed; both must
  // read every number alike (integers only within the 62-bit range).
  const char* cases[] = {"1.5, 2", "-.25", "+3e2x", "1e", "abc", ".", "inf", "+INFINITY", "nan",
                         "-0", "16777217", "\t-2.5", "+-1", "0x10", "1.00000005960464477539",
                         "3.4028235e38", "1e-30", "12abc", "$1F", "%101", " \t-$1F", "123456.789012"};
  for (const char* text : cases) {
    const float ours = vlm::mesh::TextToFloat(text);
    const float theirs = VLM_ConvertDefinitionFloat(text, std::strlen(text));
    EXPECT_TRUE(std::memcmp(&ours, &theirs, sizeof ours) == 0 || (std::isnan(ours) && std::isnan(theirs)))
        << text << ": " << ours << " vs " << theirs;
    EXPECT_EQ(vlm::mesh::TextToInteger(text), VLM_ConvertDefinitionInteger(text, std::strlen(text))) << text;
  }
}

}  // namespace
