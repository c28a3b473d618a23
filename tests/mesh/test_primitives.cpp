// Primitives: triangle, plane, rectangle, their groups, appending a
// transformed mesh, and the cube with outward normals.
#include <cmath>

#include "mesh/mesh_record.h"
#include "mesh/mesh_test_util.h"

namespace {

using meshtest::H;
using meshtest::MeshTest;

struct Expected {
  float x, z, u, v;
  int32_t group;
};

void ExpectFlat(const VLM_MESH* mesh, const Expected* expected, int32_t count) {
  ASSERT_EQ(mesh->iVertexCount, count);
  for (int32_t i = 0; i < count; ++i) {
    const VLM_MESH_VERTEX& v = mesh->aVertices[i];
    EXPECT_EQ(v.v4fPosition.x, expected[i].x) << i;
    EXPECT_EQ(v.v4fPosition.y, 0.0f) << i;
    EXPECT_EQ(v.v4fPosition.z, expected[i].z) << i;
    EXPECT_EQ(v.v4fPosition.w, 1.0f) << i;
    EXPECT_EQ(v.v3fNormal[1], 1.0f) << i;
    EXPECT_EQ(v.v2fTexCoord[0], expected[i].u) << i;
    EXPECT_EQ(v.v2fTexCoord[1], expected[i].v) << i;
    EXPECT_EQ(v.iGroup, expected[i].group) << i;
  }
  for (int32_t k = 0; k < count; ++k) EXPECT_EQ(mesh->aiIndices[k], k);
}

TEST_F(MeshTest, TriangleCorners) {
  VLM_MESH* mesh = VLM_CreateTriangleMesh(-1, 4, 2, "Tri");
  ASSERT_NE(mesh, nullptr);
  const Expected e[3] = {{0, 2, 1, 0, 1}, {2, -2, 0, 2, 0}, {-2, -2, 2, 2, 0}};
  ExpectFlat(mesh, e, 3);
  EXPECT_EQ(mesh->iIndexCount, 3);
}

TEST_F(MeshTest, PlaneCornersGroupsAndRows) {
  VLM_MESH* mesh = VLM_CreatePlaneMesh(-1, 2, 4, "");
  ASSERT_NE(mesh, nullptr);
  const Expected e[6] = {{-1, -1, 4, 4, 0}, {-1, 1, 4, 0, 1}, {1, 1, 0, 0, 1},
                         {1, 1, 0, 0, 1},   {1, -1, 0, 4, 0}, {-1, -1, 4, 4, 0}};
  ExpectFlat(mesh, e, 6);
  EXPECT_EQ(VLM_GetMeshGroupCount(H(mesh)), 2);
  EXPECT_EQ(VLM_GetMeshGroupIndex(H(mesh), "Static"), 0);
  EXPECT_EQ(VLM_GetMeshGroupIndex(H(mesh), "Dynamic"), 1);
  EXPECT_EQ(VLM_AddMeshGroup(H(mesh), "Dynamic"), 1);
  EXPECT_EQ(VLM_GetMeshGroupCount(H(mesh)), 2);
  const std::vector<std::string> rows = {"#545454 Vertices: 6", "#545454 Triangles: 2"};
  EXPECT_EQ(LogRows(), rows);
  // Both triangles face +Y (counter-clockwise seen from above).
  for (int t = 0; t < 2; ++t) {
    const v4f& a = mesh->aVertices[3 * t].v4fPosition;
    const v4f& b = mesh->aVertices[3 * t + 1].v4fPosition;
    const v4f& c = mesh->aVertices[3 * t + 2].v4fPosition;
    const float ny = (b.z - a.z) * (c.x - a.x) - (b.x - a.x) * (c.z - a.z);
    EXPECT_GT(ny, 0.0f) << t;
  }
}

TEST_F(MeshTest, RectangleCentredAndFromTheCorner) {
  VLM_MESH* centred = VLM_CreateRectangleMesh(-1, 3, 2, 5, 7, 0, "");
  const Expected c[6] = {{-1.5f, -1, 5, 7, 0}, {-1.5f, 1, 5, 0, 1}, {1.5f, 1, 0, 0, 1},
                         {1.5f, 1, 0, 0, 1},   {1.5f, -1, 0, 7, 0}, {-1.5f, -1, 5, 7, 0}};
  ExpectFlat(centred, c, 6);
  VLM_MESH* corner = VLM_CreateRectangleMesh(-1, 3, 2, 5, 7, 1, "");
  const Expected k[6] = {{0, 0, 5, 7, 0}, {0, 2, 5, 0, 1}, {3, 2, 0, 0, 1},
                         {3, 2, 0, 0, 1}, {3, 0, 0, 7, 0}, {0, 0, 5, 7, 0}};
  ExpectFlat(corner, k, 6);
  v4f centre, half;
  VLM_GetMeshBox(H(corner), &centre, &half);
  EXPECT_EQ(centre.x, 1.5f);
  EXPECT_EQ(centre.y, 0.0f);
  EXPECT_EQ(centre.z, 1.0f);
  EXPECT_EQ(half.x, 1.5f);
  EXPECT_EQ(half.z, 1.0f);
}

TEST_F(MeshTest, EmptyMeshAndRefusedIds) {
  VLM_MESH* mesh = VLM_CreateMesh(4, "Empty");
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(VLM_ResolveMesh(4), mesh);
  EXPECT_EQ(mesh->iVertexCount, 0);
  EXPECT_EQ(VLM_GetMeshGroupCount(4), 0);
  EXPECT_TRUE(LogRows().empty());  // no finishing, no rows
  EXPECT_EQ(VLM_CreatePlaneMesh(65536, 1, 1, ""), nullptr);
  EXPECT_EQ(VLM_CreateCubeMesh(-2, 1, 1, 0, ""), nullptr);
  EXPECT_EQ(vlm::MeshRegistry().Count(), 1u);
}

TEST_F(MeshTest, AddMeshToMeshTransformsAndOffsets) {
  VLM_MESH* target = VLM_CreateTriangleMesh(-1, 2, 1, "");
  VLM_MESH* source = VLM_CreateTriangleMesh(-1, 2, 1, "");
  // Rotation by 90 degrees about z maps x to y; then scale 2 and move.
  EXPECT_EQ(VLM_AddMeshToMesh(H(target), H(source), 10, 20, 30, 0, 0, 90, 2, 2, 2, 5), 6);
  ASSERT_EQ(target->iIndexCount, 6);
  for (int32_t k = 3; k < 6; ++k) EXPECT_EQ(target->aiIndices[k], k);  // offset by 3
  // Source vertex 1 (1, 0, -1): (x, y, z) -> (-y, x, z) * 2 + (10, 20, 30).
  const VLM_MESH_VERTEX& v = target->aVertices[4];
  EXPECT_NEAR(v.v4fPosition.x, 10.0f, 1e-5f);
  EXPECT_NEAR(v.v4fPosition.y, 22.0f, 1e-5f);
  EXPECT_NEAR(v.v4fPosition.z, 28.0f, 1e-5f);
  EXPECT_EQ(v.v4fPosition.w, 1.0f);
  // Normal (0, 1, 0) turns to (-1, 0, 0), still unit length after the scale.
  EXPECT_NEAR(v.v3fNormal[0], -1.0f, 1e-6f);
  EXPECT_NEAR(v.v3fNormal[1], 0.0f, 1e-6f);
  EXPECT_EQ(v.v2fTexCoord[1], 1.0f);
  for (int32_t i = 3; i < 6; ++i) {
    EXPECT_EQ(target->aVertices[i].iGroup, 5);
    EXPECT_EQ(target->aVertices[i].v3fTangent[0], 0.0f);  // left for finishing
  }
  // Group -1 keeps the source's groups; a mesh may be added to itself.
  EXPECT_EQ(VLM_AddMeshToMesh(H(source), H(source), 0, 0, 0, 0, 0, 0, 1, 1, 1, -1), 6);
  EXPECT_EQ(source->aVertices[3].iGroup, 1);
  EXPECT_EQ(source->aVertices[4].iGroup, 0);
  EXPECT_EQ(source->aiIndices[5], 5);
  EXPECT_EQ(VLM_AddMeshToMesh(H(source), 60000, 0, 0, 0, 0, 0, 0, 1, 1, 1, -1), 0);
}

TEST_F(MeshTest, CubeFacesPointOutwards) {
  VLM_MESH* cube = VLM_CreateCubeMesh(9, 2, 50, 0, "Cube");
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(VLM_ResolveMesh(9), cube);
  EXPECT_EQ(vlm::MeshRegistry().Count(), 1u);  // the plane is gone
  ASSERT_EQ(cube->iVertexCount, 36);
  ASSERT_EQ(cube->iIndexCount, 36);
  EXPECT_EQ(VLM_GetMeshGroupCount(9), 0);
  v4f centre, half;
  VLM_GetMeshBox(9, &centre, &half);
  EXPECT_NEAR(centre.x, 0, 1e-6f);
  EXPECT_NEAR(centre.y, 0, 1e-6f);
  EXPECT_NEAR(centre.z, 0, 1e-6f);
  EXPECT_NEAR(half.x, 1, 1e-6f);
  EXPECT_NEAR(half.y, 1, 1e-6f);
  EXPECT_NEAR(half.z, 1, 1e-6f);
  int axisSeen[3][2] = {};
  for (int t = 0; t < 12; ++t) {
    const VLM_MESH_VERTEX* v = &cube->aVertices[3 * t];
    const v4f &a = v[0].v4fPosition, &b = v[1].v4fPosition, &c = v[2].v4fPosition;
    const float centroid[3] = {(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
    // Right-hand normal of the corners in order.
    const float e1[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
    const float e2[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
    const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                        e1[0] * e2[1] - e1[1] * e2[0]};
    for (int k = 0; k < 3; ++k) {
      const float* normal = v[k].v3fNormal;
      const float length = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
      EXPECT_NEAR(length, 1.0f, 1e-6f);
      EXPECT_GT(normal[0] * centroid[0] + normal[1] * centroid[1] + normal[2] * centroid[2], 0.5f) << t;
      EXPECT_GT(normal[0] * n[0] + normal[1] * n[1] + normal[2] * n[2], 0.0f) << t;
      EXPECT_EQ(v[k].iGroup, 0);
    }
    // Every vertex of a face lies on the face's plane at distance 1.
    int axis = 0;
    for (int k = 1; k < 3; ++k) {
      if (std::fabs(v[0].v3fNormal[k]) > std::fabs(v[0].v3fNormal[axis])) axis = k;
    }
    ++axisSeen[axis][v[0].v3fNormal[axis] > 0];
  }
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_EQ(axisSeen[axis][0], 2) << axis;
    EXPECT_EQ(axisSeen[axis][1], 2) << axis;
  }
  // The plane's rows come first, then the cube's.
  const std::vector<std::string> rows = {"#545454 Vertices: 6", "#545454 Triangles: 2",
                                         "#545454 Vertices: 36", "#545454 Triangles: 12"};
  EXPECT_EQ(LogRows(), rows);
}

TEST_F(MeshTest, CubeWithoutGroupKeepsThePlaneGroups) {
  VLM_MESH* cube = VLM_CreateCubeMesh(-1, 1, 1, -1, "");
  int dynamic = 0;
  for (const VLM_MESH_VERTEX& v : cube->aVertices) dynamic += v.iGroup == 1;
  EXPECT_EQ(dynamic, 18);
}

}  // namespace
