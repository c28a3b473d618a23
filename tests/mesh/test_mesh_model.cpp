// The mesh record, its access operations, finishing (tangents, box, count
// rows, index mending), updating and scaling.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/engine_state.h"
#include "core/registries.h"
#include "mesh/mesh_record.h"
#include "mesh/mesh_test_util.h"

namespace {

using meshtest::H;
using meshtest::MeshTest;

// A mesh made with the building operations; not finished.
VLM_MESH* NewMesh(int32_t vertices, int32_t triangles) {
  VLM_HANDLE id = -1;
  VLM_MESH* mesh = VLM_CreateMeshListEntry(&id, "");
  VLM_SetMeshVertexCount(id, vertices);
  VLM_SetMeshTriangleCount(id, triangles);
  return mesh;
}

void ExpectTangent(VLM_MESH* mesh, int32_t i, float x, float y, float z) {
  const VLM_MESH_VERTEX* v = VLM_GetMeshVertex(H(mesh), i);
  ASSERT_NE(v, nullptr);
  EXPECT_NEAR(v->v3fTangent[0], x, 1e-6f) << "vertex " << i;
  EXPECT_NEAR(v->v3fTangent[1], y, 1e-6f) << "vertex " << i;
  EXPECT_NEAR(v->v3fTangent[2], z, 1e-6f) << "vertex " << i;
}

TEST_F(MeshTest, CreationGivesEmptyArraysAndNoGLObjects) {
  VLM_HANDLE id = 7;
  VLM_MESH* mesh = VLM_CreateMeshListEntry(&id, "Box");
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->iHandle, 7);
  EXPECT_EQ(mesh->sName, "Box");
  EXPECT_EQ(mesh->iVertexArray, -1);
  EXPECT_EQ(mesh->iVertexBuffer, -1);
  EXPECT_EQ(mesh->iIndexBuffer, -1);
  EXPECT_EQ(VLM_GetMeshVertexCount(7), 0);
  EXPECT_EQ(VLM_GetMeshIndexCount(7), 0);
  EXPECT_STREQ(VLM_GetMeshName(7), "Box");
  EXPECT_EQ(VLM_FreeMesh(7), 1);
  EXPECT_EQ(VLM_ResolveMesh(7), nullptr);
  EXPECT_EQ(VLM_FreeMesh(7), 0);
}

TEST_F(MeshTest, SizingReturnsByteCountsAndZeroFills) {
  VLM_MESH* mesh = NewMesh(0, 0);
  const VLM_HANDLE h = H(mesh);
  EXPECT_EQ(VLM_SetMeshVertexCount(h, 4), 4 * 52);
  VLM_SetMeshVertexPosition(h, 3, 1, 2, 3, 1);
  EXPECT_EQ(VLM_SetMeshVertexCount(h, 5), 5 * 52);  // old contents discarded
  EXPECT_EQ(VLM_GetMeshVertex(h, 3)->v4fPosition.x, 0.0f);
  EXPECT_EQ(VLM_SetMeshTriangleCount(h, 2), 24);
  EXPECT_EQ(VLM_GetMeshIndexCount(h), 6);
  EXPECT_EQ(VLM_GetMeshTriangleCount(h), 2);
  EXPECT_EQ(mesh->aiIndices.size(), 7u);  // one spare element
  EXPECT_EQ(VLM_SetMeshIndexCount(h, 7), 28);
  EXPECT_EQ(VLM_GetMeshTriangleCount(h), 2);  // 7 / 3
  for (int32_t k = 0; k < 7; ++k) EXPECT_EQ(VLM_GetMeshIndices(h)[k], 0);
}

TEST_F(MeshTest, AccessOperationsReadAndWriteTheVertexRecord) {
  VLM_MESH* mesh = NewMesh(2, 1);
  const VLM_HANDLE h = H(mesh);
  EXPECT_EQ(VLM_SetMeshVertexPosition(h, 1, 1.5f, -2, 3, 1), 1);
  EXPECT_EQ(VLM_SetMeshVertexNormal(h, 1, 0, 0, -1), 1);
  EXPECT_EQ(VLM_SetMeshVertexTexCoord(h, 1, 0.25f, 0.75f), 1);
  EXPECT_EQ(VLM_SetMeshVertexGroup(h, 1, 3), 1);
  EXPECT_EQ(VLM_SetMeshTriangle(h, 0, 1, 0, 1), 1);
  const VLM_MESH_VERTEX* v = VLM_GetMeshVertex(h, 1);
  EXPECT_EQ(v->v4fPosition.x, 1.5f);
  EXPECT_EQ(v->v4fPosition.y, -2.0f);
  EXPECT_EQ(v->v4fPosition.w, 1.0f);
  EXPECT_EQ(VLM_GetMeshVertexNormal(h, 1)[2], -1.0f);
  EXPECT_EQ(VLM_GetMeshVertexTexCoord(h, 1)[1], 0.75f);
  EXPECT_EQ(VLM_GetMeshVertexGroup(h, 1), 3);
  // Byte layout shared with the GPU.
  const auto* bytes = reinterpret_cast<const unsigned char*>(v);
  EXPECT_EQ(*reinterpret_cast<const float*>(bytes + 16 + 8), -1.0f);
  EXPECT_EQ(*reinterpret_cast<const float*>(bytes + 44), 0.75f);
  EXPECT_EQ(*reinterpret_cast<const int32_t*>(bytes + 48), 3);
  const int32_t* index = VLM_GetMeshIndices(h);
  EXPECT_EQ(index[0], 1);
  EXPECT_EQ(index[1], 0);
  EXPECT_EQ(index[2], 1);
}

TEST_F(MeshTest, NumbersOutsideTheArraysAreRefusedWithAFailureRow) {
  VLM_MESH* mesh = NewMesh(2, 1);
  const VLM_HANDLE h = H(mesh);
  EXPECT_EQ(VLM_SetMeshVertexPosition(h, 2, 1, 1, 1, 1), 0);
  EXPECT_EQ(VLM_SetMeshVertexNormal(h, -1, 1, 1, 1), 0);
  EXPECT_EQ(VLM_GetMeshVertex(h, 2), nullptr);
  EXPECT_EQ(VLM_SetMeshTriangle(h, 1, 0, 0, 0), 0);
  EXPECT_EQ(VLM_SetMeshVertexCount(h, -1), 0);
  EXPECT_EQ(VLM_GetMeshVertexCount(h), 2);
  const std::vector<std::string> expected = {
      "#FF0000 Fail: Vertex number out of range!", "#FF0000 Fail: Vertex number out of range!",
      "#FF0000 Fail: Vertex number out of range!", "#FF0000 Fail: Triangle number out of range!",
      "#FF0000 Fail: Negative count!"};
  EXPECT_EQ(LogRows(), expected);
  // A handle that does not resolve: nothing happens, nothing is logged.
  EXPECT_EQ(VLM_SetMeshVertexPosition(60000, 0, 1, 1, 1, 1), 0);
  EXPECT_EQ(VLM_GetMeshVertexCount(60000), 0);
  EXPECT_EQ(VLM_FinishMesh(60000), 0);
  EXPECT_EQ(LogRows().size(), expected.size());
}

TEST_F(MeshTest, NumbersThatCannotBeMeantAreRefusedAndTheMeshStaysAsItWas) {
  VLM_MESH* mesh = NewMesh(3, 1);
  const VLM_HANDLE h = H(mesh);
  VLM_SetMeshVertexPosition(h, 0, 1, 2, 3, 1);
  VLM_SetMeshVertexNormal(h, 0, 0, 1, 0);
  VLM_SetMeshVertexTexCoord(h, 0, 0.5f, 0.5f);
  const VLM_MESH_VERTEX before = mesh->aVertices[0];
  const float nan = std::nanf(""), inf = HUGE_VALF;
  EXPECT_EQ(VLM_SetMeshVertexPosition(h, 0, nan, 0, 0, 1), 0);
  EXPECT_EQ(VLM_SetMeshVertexPosition(h, 0, 0, 0, 0, inf), 0);
  EXPECT_EQ(VLM_SetMeshVertexNormal(h, 0, 0, -inf, 0), 0);
  EXPECT_EQ(VLM_SetMeshVertexTexCoord(h, 0, 0, nan), 0);
  EXPECT_EQ(VLM_ScaleMesh(h, 1, nan, 1), 0);
  EXPECT_EQ(VLM_ScaleMesh(h, 1, 1, 2e38f), 0);  // 3 * 2e38 overflows
  EXPECT_EQ(std::memcmp(&mesh->aVertices[0], &before, sizeof(before)), 0);

  VLM_MESH* target = VLM_CreateMesh(-1, "");
  const int32_t vertices = target->iVertexCount;
  EXPECT_EQ(VLM_AddMeshToMesh(H(target), h, 0, 0, 0, 0, 0, 0, 1, inf, 1, -1), 0);
  EXPECT_EQ(VLM_AddMeshToMesh(H(target), h, 0, 0, 0, 0, 0, 0, 1, 1, 2e38f, -1), 0);
  EXPECT_EQ(target->iVertexCount, vertices);
  EXPECT_EQ(VLM_CreatePlaneMesh(-1, nan, 1, ""), nullptr);
  EXPECT_EQ(VLM_CreateTriangleMesh(-1, 1, inf, ""), nullptr);
  EXPECT_EQ(VLM_CreateRectangleMesh(-1, 1, nan, 1, 1, 0, ""), nullptr);
  EXPECT_EQ(VLM_CreateCubeMesh(-1, inf, 1, -1, ""), nullptr);
  // Group indices run from 0 up to 2^24, the last the shader gets exactly.
  EXPECT_EQ(VLM_SetMeshVertexGroup(h, 0, -1), 0);
  EXPECT_EQ(VLM_SetMeshVertexGroup(h, 0, (1 << 24) + 1), 0);
  EXPECT_EQ(VLM_AddMeshToMesh(H(target), h, 0, 0, 0, 0, 0, 0, 1, 1, 1, INT32_MIN), 0);
  const size_t meshes = vlm::MeshRegistry().Count();
  EXPECT_EQ(VLM_CreateCubeMesh(-1, 1, 1, INT32_MAX, ""), nullptr);
  EXPECT_EQ(vlm::MeshRegistry().Count(), meshes);
  EXPECT_EQ(std::memcmp(&mesh->aVertices[0], &before, sizeof(before)), 0);
  EXPECT_EQ(target->iVertexCount, vertices);
  std::vector<std::string> expected(12, "#FF0000 Fail: Numbers must be finite!");
  expected.resize(16, "#FF0000 Fail: Group index out of range!");
  EXPECT_EQ(LogRows(), expected);
  EXPECT_EQ(VLM_SetMeshVertexGroup(h, 0, 1 << 24), 1);
  // Finite sizes near the float limit overflow the tangent sums: the
  // tangents are zero, not NaN.
  VLM_MESH* huge = VLM_CreatePlaneMesh(-1, 1e30f, 1e30f, "");
  ASSERT_NE(huge, nullptr);
  for (const VLM_MESH_VERTEX& v : huge->aVertices)
    for (float t : v.v3fTangent) EXPECT_TRUE(std::isfinite(t));
  EXPECT_EQ(VLM_ScaleMesh(h, -1, 1, 1), 1);  // mirroring is a real scale
  EXPECT_EQ(mesh->aVertices[0].v4fPosition.x, -1.0f);
}

TEST_F(MeshTest, GroupsAreNumberedInOrderAndFoundByName) {
  VLM_MESH* mesh = NewMesh(0, 0);
  const VLM_HANDLE h = H(mesh);
  EXPECT_EQ(VLM_GetMeshGroupIndex(h, "wheel"), -1);
  EXPECT_EQ(VLM_AddMeshGroup(h, "body"), 0);
  EXPECT_EQ(VLM_AddMeshGroup(h, "wheel"), 1);
  EXPECT_EQ(VLM_AddMeshGroup(h, "body"), 0);
  EXPECT_EQ(VLM_GetMeshGroupCount(h), 2);
  EXPECT_EQ(VLM_GetMeshGroupIndex(h, "wheel"), 1);
  EXPECT_EQ(VLM_GetMeshGroupIndex(h, "Wheel"), -1);
  EXPECT_STREQ(VLM_GetMeshGroupName(h, 1), "wheel");
  EXPECT_EQ(VLM_GetMeshGroupName(h, 2), nullptr);
  VLM_FinishMesh(h);
  ASSERT_EQ(mesh->apGroupTable.size(), 2u);
  EXPECT_EQ(mesh->apGroupTable[1]->sName, "wheel");
}

// One triangle worked out by hand: corners p = 0, r = 1, q = 2;
// E1 = P1 - P2 = (2, 0, -2), E2 = P0 - P2 = (0, 0, -2), D1 = (1, -1),
// D2 = (0, -1), det = -1, tangent = -(-E1 + E2) = (2, 0, 0).
void FillRightTriangle(VLM_HANDLE h, float nx, float ny, float nz) {
  VLM_SetMeshVertexPosition(h, 0, 0, 0, 0, 1);
  VLM_SetMeshVertexPosition(h, 1, 2, 0, 0, 1);
  VLM_SetMeshVertexPosition(h, 2, 0, 0, 2, 1);
  VLM_SetMeshVertexTexCoord(h, 0, 0, 0);
  VLM_SetMeshVertexTexCoord(h, 1, 1, 0);
  VLM_SetMeshVertexTexCoord(h, 2, 0, 1);
  for (int32_t i = 0; i < 3; ++i) VLM_SetMeshVertexNormal(h, i, nx, ny, nz);
  VLM_SetMeshTriangle(h, 0, 0, 1, 2);
}

TEST_F(MeshTest, TangentFollowsTheTextureUDirection) {
  VLM_MESH* mesh = NewMesh(3, 1);
  FillRightTriangle(H(mesh), 0, 1, 0);
  VLM_FinishMesh(H(mesh));
  for (int32_t i = 0; i < 3; ++i) ExpectTangent(mesh, i, 1, 0, 0);
}

TEST_F(MeshTest, TangentIsMadeOrthogonalToTheNormalAsStored) {
  // Unit normal (0.6, 0.8, 0): (2,0,0) - N * 1.2 = (1.28, -0.96, 0), length 1.6.
  VLM_MESH* a = NewMesh(3, 1);
  FillRightTriangle(H(a), 0.6f, 0.8f, 0);
  VLM_FinishMesh(H(a));
  ExpectTangent(a, 0, 0.8f, -0.6f, 0);
  // The normal is not normalised first: N = (1, 1, 0) gives (2,0,0) - N * 2.
  VLM_MESH* b = NewMesh(3, 1);
  FillRightTriangle(H(b), 1, 1, 0);
  VLM_FinishMesh(H(b));
  ExpectTangent(b, 2, 0, -1, 0);
}

TEST_F(MeshTest, SharedVertexSumsTheTangentsOfItsTriangles) {
  VLM_MESH* mesh = NewMesh(5, 2);
  const VLM_HANDLE h = H(mesh);
  FillRightTriangle(h, 0, 1, 0);
  // Second triangle (0, 3, 4): E1 = P3 - P4 = (-1, 0, 3), E2 = P0 - P4 =
  // (-1, 0, 0), D1 = (1, -1), D2 = (0, -1), det = -1: tangent E1 - E2 = (0, 0, 3).
  VLM_SetMeshVertexPosition(h, 3, 0, 0, 3, 1);
  VLM_SetMeshVertexPosition(h, 4, 1, 0, 0, 1);
  VLM_SetMeshVertexTexCoord(h, 3, 1, 0);
  VLM_SetMeshVertexTexCoord(h, 4, 0, 1);
  VLM_SetMeshVertexNormal(h, 3, 0, 1, 0);
  VLM_SetMeshVertexNormal(h, 4, 0, 1, 0);
  VLM_SetMeshTriangle(h, 1, 0, 3, 4);
  VLM_FinishMesh(h);
  const float s = std::sqrt(13.0f);
  ExpectTangent(mesh, 0, 2 / s, 0, 3 / s);
  ExpectTangent(mesh, 1, 1, 0, 0);
  ExpectTangent(mesh, 3, 0, 0, 1);
  ExpectTangent(mesh, 4, 0, 0, 1);
}

TEST_F(MeshTest, TriangleWithoutTextureSpreadLeavesZeroTangents) {
  VLM_MESH* mesh = NewMesh(6, 2);
  const VLM_HANDLE h = H(mesh);
  FillRightTriangle(h, 0, 1, 0);
  // Vertices 3..5 share one texture coordinate: det = 0.
  VLM_SetMeshVertexPosition(h, 3, 5, 0, 0, 1);
  VLM_SetMeshVertexPosition(h, 4, 6, 0, 0, 1);
  VLM_SetMeshVertexPosition(h, 5, 5, 0, 1, 1);
  for (int32_t i = 3; i < 6; ++i) VLM_SetMeshVertexTexCoord(h, i, 0.5f, 0.5f);
  // Vertex 0 is in both triangles and keeps the first one's tangent.
  VLM_SetMeshTriangle(h, 1, 3, 4, 0);
  VLM_FinishMesh(h);
  ExpectTangent(mesh, 0, 1, 0, 0);
  ExpectTangent(mesh, 3, 0, 0, 0);
  ExpectTangent(mesh, 4, 0, 0, 0);
  ExpectTangent(mesh, 5, 0, 0, 0);  // in no triangle at all
}

TEST_F(MeshTest, BoxAlwaysHoldsTheOrigin) {
  VLM_MESH* mesh = NewMesh(3, 1);
  const VLM_HANDLE h = H(mesh);
  VLM_SetMeshVertexPosition(h, 0, 5, 1, -2, 1);
  VLM_SetMeshVertexPosition(h, 1, 7, 3, -4, 1);
  VLM_SetMeshVertexPosition(h, 2, 6, 2, -3, 1);
  VLM_SetMeshTriangle(h, 0, 0, 1, 2);
  VLM_FinishMesh(h);
  v4f centre, half;
  ASSERT_EQ(VLM_GetMeshBox(h, &centre, &half), 1);
  EXPECT_EQ(centre.x, 3.5f);
  EXPECT_EQ(centre.y, 1.5f);
  EXPECT_EQ(centre.z, -2.0f);
  EXPECT_EQ(centre.w, 1.0f);
  EXPECT_EQ(half.x, 3.5f);
  EXPECT_EQ(half.y, 1.5f);
  EXPECT_EQ(half.z, 2.0f);
  EXPECT_EQ(half.w, 0.0f);
}

TEST_F(MeshTest, FinishingLogsTheCountRows) {
  VLM_MESH* mesh = NewMesh(3, 1);
  FillRightTriangle(H(mesh), 0, 1, 0);
  VLM_FinishMesh(H(mesh));
  VLM_MESH* empty = NewMesh(0, 0);
  VLM_FinishMesh(H(empty));
  const std::vector<std::string> expected = {"#545454 Vertices: 3", "#545454 Triangles: 1",
                                             "#545454 Vertices: 0", "#545454 Triangles: 0"};
  EXPECT_EQ(LogRows(), expected);
  // Without a GL context nothing is uploaded.
  if (!vlm::Engine().hasGL) {
    EXPECT_EQ(mesh->iVertexArray, -1);
  }
  // The rows carry the procedure and no module or line.
  ReopenLog(VLM_LOG_MODULE | VLM_LOG_PROCEDURE | VLM_LOG_LINE);
  VLM_FinishMesh(H(empty));
  const auto cells = meshtest::RowCells(vlmtest::LogBody(LogPath()));
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0][1], "");
  EXPECT_EQ(cells[0][2], "VLM_FinishMesh");
  EXPECT_EQ(cells[0][3], "");
}

TEST_F(MeshTest, IndicesPastTheVerticesAreMendedBeforeUse) {
  VLM_MESH* mesh = NewMesh(3, 2);
  const VLM_HANDLE h = H(mesh);
  FillRightTriangle(h, 0, 1, 0);
  VLM_SetMeshTriangle(h, 1, 2, 3, -7);
  VLM_FinishMesh(h);
  const int32_t* index = VLM_GetMeshIndices(h);
  EXPECT_EQ(index[3], 2);
  EXPECT_EQ(index[4], 0);
  EXPECT_EQ(index[5], 0);
  // Without vertices no triangle can stay.
  VLM_MESH* bare = NewMesh(0, 4);
  VLM_FinishMesh(H(bare));
  EXPECT_EQ(VLM_GetMeshIndexCount(H(bare)), 0);
  const std::vector<std::string> expected = {
      "#FF0000 Fail: 2 indices out of range were set to 0!", "#545454 Vertices: 3",
      "#545454 Triangles: 2", "#FF0000 Fail: 12 indices without vertices were removed!",
      "#545454 Vertices: 0", "#545454 Triangles: 0"};
  EXPECT_EQ(LogRows(), expected);
}

TEST_F(MeshTest, ScaleMovesPositionsOnlyAndRecomputesBoxAndTangents) {
  VLM_MESH* mesh = NewMesh(3, 1);
  const VLM_HANDLE h = H(mesh);
  FillRightTriangle(h, 0, 1, 0);
  VLM_FinishMesh(h);
  const size_t rows = LogRows().size();
  EXPECT_EQ(VLM_ScaleMesh(h, 2, 1, -1), 1);
  EXPECT_EQ(VLM_GetMeshVertex(h, 1)->v4fPosition.x, 4.0f);
  EXPECT_EQ(VLM_GetMeshVertex(h, 2)->v4fPosition.z, -2.0f);
  EXPECT_EQ(VLM_GetMeshVertex(h, 2)->v4fPosition.w, 1.0f);
  EXPECT_EQ(VLM_GetMeshVertexNormal(h, 0)[1], 1.0f);
  v4f centre, half;
  VLM_GetMeshBox(h, &centre, &half);
  EXPECT_EQ(centre.x, 2.0f);
  EXPECT_EQ(centre.z, -1.0f);
  EXPECT_EQ(half.z, 1.0f);
  ExpectTangent(mesh, 0, 1, 0, 0);
  EXPECT_EQ(LogRows().size(), rows);  // updating logs nothing
}

TEST_F(MeshTest, UpdateAcceptsChangedCounts) {
  VLM_MESH* mesh = NewMesh(3, 1);
  const VLM_HANDLE h = H(mesh);
  FillRightTriangle(h, 0, 1, 0);
  VLM_FinishMesh(h);
  VLM_SetMeshVertexCount(h, 1);  // the triangle now names missing vertices
  VLM_SetMeshVertexPosition(h, 0, -3, 0, 0, 1);
  EXPECT_EQ(VLM_UpdateMesh(h), 1);
  EXPECT_EQ(VLM_GetMeshIndices(h)[1], 0);
  v4f centre;
  VLM_GetMeshBox(h, &centre, nullptr);
  EXPECT_EQ(centre.x, -1.5f);
}

}  // namespace
