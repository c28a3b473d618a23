// Engine mesh files: the exact saved text, save/load round trip, the
// reader's tolerance of hand-written files, failure rows and the refusal
// of faces that name missing vertices.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "mesh/mesh_record.h"
#include "mesh/mesh_test_util.h"

namespace {

using meshtest::H;
using meshtest::MeshTest;

VLM_MESH* OneTriangle(const char* name) {
  VLM_HANDLE id = -1;
  VLM_MESH* mesh = VLM_CreateMeshListEntry(&id, name);
  VLM_SetMeshVertexCount(id, 3);
  VLM_SetMeshTriangleCount(id, 1);
  VLM_SetMeshVertexPosition(id, 0, -1, 0.5f, -2, 1);
  VLM_SetMeshVertexPosition(id, 1, 1, -0.0f, 0, 1);
  VLM_SetMeshVertexPosition(id, 2, 0, 0, 2.25f, 1);
  for (int32_t i = 0; i < 3; ++i) VLM_SetMeshVertexNormal(id, i, 0, 1, 0);
  VLM_SetMeshVertexTexCoord(id, 1, 1, 0);
  VLM_SetMeshVertexTexCoord(id, 2, 0.5f, -1);
  VLM_SetMeshTriangle(id, 0, 0, 1, 2);
  VLM_FinishMesh(id);
  return mesh;
}

float SixDecimals(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", value);
  return std::strtof(text, nullptr);
}

TEST_F(MeshTest, SavedTextOfOneTriangleIsExact) {
  VLM_MESH* mesh = OneTriangle("");
  ASSERT_EQ(VLM_SaveMesh(H(mesh), File("tri.vlm").c_str(), "Tri"), 1);
  const std::string expected =
      "Mesh: Tri {\r\n"
      "\tVertices: 3 {\r\n"
      "\t\t-1.000000, 0.500000,-2.000000\r\n"
      "\t\t 1.000000, 0.000000, 0.000000\r\n"
      "\t\t 0.000000, 0.000000, 2.250000\r\n"
      "\t}\r\n"
      "\r\n"
      "\tNormals: 3 {\r\n"
      "\t\t 0.000000, 1.000000, 0.000000\r\n"
      "\t\t 0.000000, 1.000000, 0.000000\r\n"
      "\t\t 0.000000, 1.000000, 0.000000\r\n"
      "\t}\r\n"
      "\r\n"
      "\tTextureCoords: 3 {\r\n"
      "\t\t 0.000000, 0.000000\r\n"
      "\t\t 1.000000, 0.000000\r\n"
      "\t\t 0.500000,-1.000000\r\n"
      "\t}\r\n"
      "\r\n"
      "\tFaces: 1 {\r\n"
      "\t\t 0,1,2\r\n"
      "\t}\r\n"
      "\r\n"
      "}\r\n";
  EXPECT_EQ(vlmtest::ReadFile(File("tri.vlm")), expected);
  // Saving writes no rows on success.
  EXPECT_EQ(LogRows().size(), 2u);
}

TEST_F(MeshTest, SaveThenLoadKeepsEveryValueToSixDecimals) {
  VLM_HANDLE id = -1;
  VLM_MESH* mesh = VLM_CreateMeshListEntry(&id, "");
  const int32_t n = 50;
  VLM_SetMeshVertexCount(id, n);
  VLM_SetMeshTriangleCount(id, n - 2);
  for (int32_t i = 0; i < n; ++i) {
    const float a = static_cast<float>(i) * 0.7311f - 17.0f;
    VLM_SetMeshVertexPosition(id, i, a, a * a * 0.01f, -a / 3.0f, 1);
    VLM_SetMeshVertexNormal(id, i, std::sin(a), std::cos(a), -0.123456789f);
    VLM_SetMeshVertexTexCoord(id, i, a * 0.001f, 1.0f / (1.0f + static_cast<float>(i)));
    VLM_SetMeshVertexGroup(id, i, 4);
  }
  for (int32_t t = 0; t < n - 2; ++t) VLM_SetMeshTriangle(id, t, t, (t * 7) % n, n - 1 - t);
  VLM_FinishMesh(id);
  ASSERT_EQ(VLM_SaveMesh(id, File("round.vlm").c_str(), "Round"), 1);

  VLM_MESH* back = VLM_LoadMesh(-1, File("round.vlm").c_str(), "");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->sName, "round.vlm");
  ASSERT_EQ(back->iVertexCount, n);
  ASSERT_EQ(back->iIndexCount, mesh->iIndexCount);
  for (int32_t i = 0; i < n; ++i) {
    const VLM_MESH_VERTEX& a = mesh->aVertices[i];
    const VLM_MESH_VERTEX& b = back->aVertices[i];
    EXPECT_EQ(b.v4fPosition.x, SixDecimals(a.v4fPosition.x)) << i;
    EXPECT_EQ(b.v4fPosition.y, SixDecimals(a.v4fPosition.y)) << i;
    EXPECT_EQ(b.v4fPosition.z, SixDecimals(a.v4fPosition.z)) << i;
    EXPECT_EQ(b.v4fPosition.w, 1.0f);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(b.v3fNormal[k], SixDecimals(a.v3fNormal[k])) << i;
    for (int k = 0; k < 2; ++k) EXPECT_EQ(b.v2fTexCoord[k], SixDecimals(a.v2fTexCoord[k])) << i;
    EXPECT_EQ(b.iGroup, 0);  // groups are not stored
  }
  for (int32_t k = 0; k < mesh->iIndexCount; ++k) EXPECT_EQ(back->aiIndices[k], mesh->aiIndices[k]);
  // Tangents and box are recomputed from what was read.
  v4f centre;
  VLM_GetMeshBox(H(back), &centre, nullptr);
  v4f original;
  VLM_GetMeshBox(id, &original, nullptr);
  EXPECT_NEAR(centre.x, original.x, 1e-5f);
  EXPECT_NEAR(back->aVertices[5].v3fTangent[0], mesh->aVertices[5].v3fTangent[0], 1e-3f);
}

TEST_F(MeshTest, LoaderReadsHandWrittenFilesByTheirChildren) {
  Write("edge.vlm",
        "Mesh: Whatever {\n"
        "\tVertices: 99 {\n"
        "\t\t-1.000000, 0.500000,-2.000000\n"
        "\t\t -1, 0.5, -2\n"
        "\t\t1, 2, 3, 4\n"
        "\t\t5, 6\n"
        "\t}\n"
        "\tNormals: 1 {\n"
        "\t\t0, 1, 0\n\t\t0, 0, 1\n\t\t1, 0, 0\n\t\t9, 9, 9\n\t\t7, 7, 7\n"
        "\t}\n"
        "\tTextureCoords: 2 {\n"
        "\t\t0.5, 0.25, 1\n"
        "\t}\n"
        "\tFaces: 0 {\n"
        "\t\t0,1,2\n"
        "\t\t3, 2, 1\n"
        "\t}\n"
        "}\n");
  VLM_MESH* mesh = VLM_LoadMesh(-1, File("edge.vlm").c_str(), "");
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->sName, "edge.vlm");
  ASSERT_EQ(mesh->iVertexCount, 4);
  for (int i = 0; i < 2; ++i) {
    const v4f& p = mesh->aVertices[i].v4fPosition;
    EXPECT_EQ(p.x, -1.0f);
    EXPECT_EQ(p.y, 0.5f);
    EXPECT_EQ(p.z, -2.0f);
    EXPECT_EQ(p.w, 1.0f);
  }
  EXPECT_EQ(mesh->aVertices[2].v4fPosition.z, 3.0f);  // the fourth number is not used
  EXPECT_EQ(mesh->aVertices[2].v4fPosition.w, 1.0f);
  EXPECT_EQ(mesh->aVertices[3].v4fPosition.y, 6.0f);
  EXPECT_EQ(mesh->aVertices[3].v4fPosition.z, 0.0f);  // two numbers keep z = 0
  EXPECT_EQ(mesh->aVertices[1].v3fNormal[2], 1.0f);
  EXPECT_EQ(mesh->aVertices[3].v3fNormal[0], 9.0f);  // the fifth normal is ignored
  EXPECT_EQ(mesh->aVertices[0].v2fTexCoord[0], 0.5f);
  EXPECT_EQ(mesh->aVertices[0].v2fTexCoord[1], 0.25f);
  EXPECT_EQ(mesh->aVertices[1].v2fTexCoord[0], 0.0f);  // no child: zero
  EXPECT_EQ(mesh->aVertices[0].iGroup, 0);
  ASSERT_EQ(mesh->iIndexCount, 6);
  EXPECT_EQ(mesh->aiIndices[3], 3);
  EXPECT_EQ(mesh->aiIndices[5], 1);
  const std::vector<std::string> expected = {"#404040 Load Mesh: " + File("edge.vlm"),
                                             "#545454 Vertices: 4", "#545454 Triangles: 2",
                                             "#11FF00 OK"};
  EXPECT_EQ(LogRows(), expected);
}

TEST_F(MeshTest, MissingBlocksLeaveTheirPartsEmpty) {
  Write("bare.vlm", "// only positions\nMesh: x {\n Vertices: 1 {\n 1, 2, 3\n }\n}\n");
  VLM_MESH* mesh = VLM_LoadMesh(-1, File("bare.vlm").c_str(), "Bare");
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->sName, "Bare");
  EXPECT_EQ(mesh->iVertexCount, 1);
  EXPECT_EQ(mesh->iIndexCount, 0);
  EXPECT_EQ(mesh->aVertices[0].v3fNormal[1], 0.0f);
  Write("nothing.vlm", "Mesh: {\n}\n");
  VLM_MESH* empty = VLM_LoadMesh(-1, File("nothing.vlm").c_str(), "");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->iVertexCount, 0);
}

TEST_F(MeshTest, LoaderFailureRows) {
  Write("other.vld", "Texture: Wood {\n File: wood.png\n}\n");
  EXPECT_EQ(VLM_LoadMesh(-1, File("missing.vlm").c_str(), ""), nullptr);
  EXPECT_EQ(VLM_LoadMesh(-1, File("other.vld").c_str(), ""), nullptr);
  Write("ok.vlm", "Mesh: a {\n}\n");
  EXPECT_EQ(VLM_LoadMesh(70000, File("ok.vlm").c_str(), ""), nullptr);
  const std::vector<std::string> expected = {
      "#404040 Load Mesh: " + File("missing.vlm"), "#FF0000 Fail: File not found!",
      "#404040 Load Mesh: " + File("other.vld"),   "#FF0000 Fail: File not found!",
      "#404040 Load Mesh: " + File("ok.vlm"),      "#FF0000 Fail: This ID is not available!"};
  EXPECT_EQ(LogRows(), expected);
  EXPECT_EQ(vlm::MeshRegistry().Count(), 0u);
}

TEST_F(MeshTest, FacesNamingMissingVerticesRefuseTheFile) {
  VLM_HANDLE id = 3;
  VLM_MESH* keep = VLM_CreateMeshListEntry(&id, "Keep");
  Write("bad.vlm", "Mesh: m {\n Vertices: 3 {\n0,0,0\n1,0,0\n0,0,1\n}\n Faces: 2 {\n0,1,2\n2,1,3\n}\n}\n");
  Write("neg.vlm", "Mesh: m {\n Vertices: 3 {\n0,0,0\n1,0,0\n0,0,1\n}\n Faces: 1 {\n0,-1,2\n}\n}\n");
  Write("huge.vlm", "Mesh: m {\n Vertices: 1 {\n0,0,0\n}\n Faces: 1 {\n0,0,99999999999\n}\n}\n");
  EXPECT_EQ(VLM_LoadMesh(3, File("bad.vlm").c_str(), "Keep"), nullptr);
  EXPECT_EQ(VLM_LoadMesh(-1, File("neg.vlm").c_str(), ""), nullptr);
  EXPECT_EQ(VLM_LoadMesh(-1, File("huge.vlm").c_str(), ""), nullptr);
  // The mesh that had the ID and the name is still there.
  EXPECT_EQ(VLM_ResolveMesh(3), keep);
  EXPECT_EQ(vlm::MeshRegistry().Count(), 1u);
  const std::vector<std::string> expected = {
      "#404040 Load Mesh: " + File("bad.vlm"),
      "#FF0000 Fail: Face index out of range! Face 1 names vertex 3, the mesh has 3 vertices.",
      "#404040 Load Mesh: " + File("neg.vlm"),
      "#FF0000 Fail: Face index out of range! Face 0 names vertex -1, the mesh has 3 vertices.",
      "#404040 Load Mesh: " + File("huge.vlm"),
      "#FF0000 Fail: Face index out of range! Face 0 names vertex 99999999999, the mesh has 1 vertices."};
  EXPECT_EQ(LogRows(), expected);
}

TEST_F(MeshTest, HeadlineCarriesModuleAndLineOtherRowsDoNot) {
  ReopenLog(VLM_LOG_MODULE | VLM_LOG_PROCEDURE | VLM_LOG_LINE);
  Write("a.vlm", "Mesh: a {\n}\n");
  ASSERT_NE(VLM_LoadMesh(-1, File("a.vlm").c_str(), ""), nullptr);
  const auto rows = meshtest::RowCells(vlmtest::LogBody(LogPath()));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][1], "VLM Mesh");
  EXPECT_EQ(rows[0][2], "VLM_LoadMesh");
  EXPECT_FALSE(rows[0][3].empty());
  EXPECT_EQ(rows[3][1], "");
  EXPECT_EQ(rows[3][2], "VLM_LoadMesh");
  EXPECT_EQ(rows[3][3], "");
}

TEST_F(MeshTest, SaveFailuresAreLogged) {
  VLM_MESH* mesh = OneTriangle("");
  EXPECT_EQ(VLM_SaveMesh(H(mesh), File("no/such/dir.vlm").c_str(), "x"), 0);
  EXPECT_EQ(VLM_SaveMesh(60000, File("x.vlm").c_str(), "x"), 0);
  const std::vector<std::string> rows = LogRows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[2], "#FF0000 Fail: File not created!");
  EXPECT_EQ(rows[3], "#FF0000 Fail: Mesh not found!");
}

TEST_F(MeshTest, NamesWithStructuralCharactersAreQuoted) {
  VLM_MESH* mesh = OneTriangle("");
  ASSERT_EQ(VLM_SaveMesh(H(mesh), File("q.vlm").c_str(), "a:b{c}'d"), 1);
  const std::string text = vlmtest::ReadFile(File("q.vlm"));
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "Mesh: 'a:b{c}d' {");
  VLM_MESH* back = VLM_LoadMesh(-1, File("q.vlm").c_str(), "");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->iVertexCount, 3);
  EXPECT_EQ(back->iIndexCount, 3);
}

}  // namespace
