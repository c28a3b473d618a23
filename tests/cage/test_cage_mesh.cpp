// Cages fitted to meshes: sphere radius, box corners/edges/faces, welding.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "core/registries.h"
#include "mesh/cage.h"
#include "mesh/cage_record.h"
#include "mesh/mesh_internal.h"
#include "mesh/mesh_record.h"
#include "support/test_support.h"
#include "velmora/cage.h"
#include "velmora/mesh.h"
#include "velmora/registry.h"

namespace {

using Tri = std::array<int32_t, 3>;

class CageMeshTest : public ::testing::Test {
 protected:
  CageMeshTest() { log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE); }
  ~CageMeshTest() override {
    vlm::ResetCages();
    vlm::mesh::ResetMeshes();
  }
  // A mesh with these positions (w = 1) and triangles, not finished.
  VLM_HANDLE Mesh(const std::vector<v4f>& positions, const std::vector<Tri>& triangles) {
    VLM_MESH* mesh = VLM_CreateMesh(-1, "");
    EXPECT_NE(mesh, nullptr);
    const auto h = reinterpret_cast<VLM_HANDLE>(mesh);
    VLM_SetMeshVertexCount(h, static_cast<int32_t>(positions.size()));
    VLM_SetMeshTriangleCount(h, static_cast<int32_t>(triangles.size()));
    for (size_t i = 0; i < positions.size(); ++i) {
      const v4f& p = positions[i];
      VLM_SetMeshVertexPosition(h, static_cast<int32_t>(i), p.x, p.y, p.z, 1.0f);
    }
    for (size_t t = 0; t < triangles.size(); ++t) {
      VLM_SetMeshTriangle(h, static_cast<int32_t>(t), triangles[t][0], triangles[t][1], triangles[t][2]);
    }
    return h;
  }
  vlmtest::TempDir dir;
  std::string log;
};

std::vector<std::pair<int32_t, int32_t>> Edges(const VLM_CAGE_OUTLINE& outline) {
  std::vector<std::pair<int32_t, int32_t>> out;
  for (const auto& e : outline.aEdges) out.emplace_back(e.iVertex[0], e.iVertex[1]);
  return out;
}

std::vector<Tri> Faces(const VLM_CAGE_OUTLINE& outline) {
  std::vector<Tri> out;
  for (const auto& f : outline.aFaces) out.push_back({f.iVertex[0], f.iVertex[1], f.iVertex[2]});
  return out;
}

TEST_F(CageMeshTest, SphereRadiusIsTheFarthestVertexTimesFactor) {
  const VLM_HANDLE mesh = Mesh({{3, 4, 0, 1}, {0, 0, -12, 1}, {1, 1, 1, 1}}, {{0, 1, 2}});
  VLM_CAGE* cage = VLM_CreateCageFromMesh(6, mesh, VLM_CAGE_SPHERE, 0.5f, "Wheel");
  ASSERT_NE(cage, nullptr);
  EXPECT_EQ(VLM_ResolveCage(6), cage);
  EXPECT_EQ(cage->iKind, VLM_CAGE_SPHERE);
  EXPECT_FLOAT_EQ(cage->fSize, 6.0f);
  EXPECT_EQ(cage->pRoot, nullptr);
  EXPECT_EQ(vlmtest::LogBody(log), "");
}

TEST_F(CageMeshTest, BoxHasEightCornersTwelveEdgesTwelveOutwardFaces) {
  // Box with the origin: (0,0,0)..(3,4,5), centre (1.5,2,2.5); factor 2
  // doubles the half-extents to (3,4,5) around the same centre.
  const VLM_HANDLE mesh = Mesh({{1, 2, 3, 1}, {3, 4, 5, 1}, {2, 2, 2, 1}}, {{0, 1, 2}});
  VLM_CAGE* cage = VLM_CreateCageFromMesh(-1, mesh, VLM_CAGE_BOX, 2.0f, "");
  ASSERT_NE(cage, nullptr);
  EXPECT_EQ(cage->iKind, VLM_CAGE_BOX);
  EXPECT_FLOAT_EQ(cage->fSize, 5.0f);
  const VLM_CAGE_NODE& root = *cage->pRoot;
  EXPECT_FLOAT_EQ(root.v4fCentre.x, 1.5f);
  EXPECT_FLOAT_EQ(root.v4fCentre.y, 2.0f);
  EXPECT_FLOAT_EQ(root.v4fCentre.z, 2.5f);
  EXPECT_FLOAT_EQ(root.v4fHalfExtents.x, 3.0f);
  EXPECT_FLOAT_EQ(root.v4fHalfExtents.y, 4.0f);
  EXPECT_FLOAT_EQ(root.v4fHalfExtents.z, 5.0f);
  ASSERT_NE(root.pOutline, nullptr);
  const VLM_CAGE_OUTLINE& outline = *root.pOutline;
  EXPECT_EQ(outline.iLastVertex, 7);
  EXPECT_EQ(outline.iLastEdge, 11);
  EXPECT_EQ(outline.iLastFace, 11);

  ASSERT_EQ(outline.aVertices.size(), 8u);
  const float xs[2] = {-1.5f, 4.5f}, ys[2] = {-2.0f, 6.0f}, zs[2] = {-2.5f, 7.5f};
  for (int i = 0; i < 8; ++i) {
    EXPECT_FLOAT_EQ(outline.aVertices[i].x, xs[i & 1]) << i;
    EXPECT_FLOAT_EQ(outline.aVertices[i].y, ys[(i >> 1) & 1]) << i;
    EXPECT_FLOAT_EQ(outline.aVertices[i].z, zs[(i >> 2) & 1]) << i;
    EXPECT_EQ(outline.aVertices[i].w, 1.0f);
  }
  const std::vector<std::pair<int32_t, int32_t>> edges = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {4, 6}, {5, 7},
                                                          {0, 2}, {1, 3}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
  EXPECT_EQ(Edges(outline), edges);
  const std::vector<Tri> faces = {{1, 2, 3}, {1, 0, 2}, {4, 7, 6}, {4, 5, 7}, {0, 6, 2}, {0, 4, 6},
                                  {5, 3, 7}, {5, 1, 3}, {0, 5, 4}, {0, 1, 5}, {6, 3, 2}, {6, 7, 3}};
  EXPECT_EQ(Faces(outline), faces);

  // Face pairs lie on -z, +z, -x, +x, -y, +y. |N| is twice the face's
  // triangle area: the -z face has sides 6 and 8, N = (0, 0, -48).
  const float normals[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}};
  const float sides[6] = {6 * 8, 6 * 8, 8 * 10, 8 * 10, 6 * 10, 6 * 10};
  for (int f = 0; f < 12; ++f) {
    const VLM_CAGE_FACE& face = outline.aFaces[f];
    EXPECT_EQ(face.v4fNormal.x, normals[f / 2][0]) << f;
    EXPECT_EQ(face.v4fNormal.y, normals[f / 2][1]) << f;
    EXPECT_EQ(face.v4fNormal.z, normals[f / 2][2]) << f;
    EXPECT_EQ(face.v4fNormal.w, 0.0f);
    EXPECT_FLOAT_EQ(face.fInvNormalSq, 1.0f / (sides[f / 2] * sides[f / 2])) << f;
  }
}

TEST_F(CageMeshTest, PolyhedronWeldsRemapsAndKeepsUniqueEdges) {
  // Positions P0 P1 P0 P2 P1 P3: the third and fifth weld onto the first
  // and second; P2 moves down to 2 and P3 to 3.
  const v4f p0{0, 0, 0, 1}, p1{1, 0, 0, 1}, p2{0, 1, 0, 1}, p3{0, 0, 1, 1};
  const VLM_HANDLE mesh = Mesh({p0, p1, p0, p2, p1, p3}, {{0, 1, 3}, {3, 4, 5}, {2, 3, 5}});
  VLM_CAGE* cage = VLM_CreateCageFromMesh(-1, mesh, VLM_CAGE_POLYHEDRON, 5.0f, "");
  ASSERT_NE(cage, nullptr);
  EXPECT_EQ(cage->iKind, VLM_CAGE_POLYHEDRON);
  const VLM_CAGE_OUTLINE& outline = *cage->pRoot->pOutline;
  ASSERT_EQ(outline.aVertices.size(), 4u);
  EXPECT_EQ(outline.aVertices[2].y, 1.0f);
  EXPECT_EQ(outline.aVertices[3].z, 1.0f);
  EXPECT_EQ(Faces(outline), (std::vector<Tri>{{0, 1, 2}, {2, 1, 3}, {0, 2, 3}}));
  // (0,1) (1,2) (2,0) | (2,1) again, (1,3), (3,2) | (0,2) again, (2,3) again, (3,0).
  EXPECT_EQ(Edges(outline), (std::vector<std::pair<int32_t, int32_t>>{{0, 1}, {1, 2}, {2, 0}, {1, 3}, {3, 2}, {3, 0}}));
  EXPECT_EQ(outline.iLastVertex, 3);
  EXPECT_EQ(outline.iLastEdge, 5);
  EXPECT_EQ(outline.iLastFace, 2);
  // The factor does not touch a polyhedron's box: (0,0,0)..(1,1,1).
  EXPECT_FLOAT_EQ(cage->pRoot->v4fCentre.x, 0.5f);
  EXPECT_FLOAT_EQ(cage->pRoot->v4fHalfExtents.z, 0.5f);
  EXPECT_EQ(cage->fSize, 0.0f);
}

TEST_F(CageMeshTest, WeldingComparesBytesNotValues) {
  // -0 and +0 are different bytes; equal positions always weld.
  const VLM_HANDLE mesh = Mesh({{0, 0, 0, 1}, {-0.0f, 0, 0, 1}, {1, 0, 0, 1}, {0, 0, 0, 1}}, {{0, 1, 2}, {3, 2, 1}});
  VLM_CAGE* cage = VLM_CreateCageFromMesh(-1, mesh, VLM_CAGE_POLYHEDRON, 1.0f, "");
  ASSERT_NE(cage, nullptr);
  const VLM_CAGE_OUTLINE& outline = *cage->pRoot->pOutline;
  EXPECT_EQ(outline.aVertices.size(), 3u);
  EXPECT_EQ(Faces(outline), (std::vector<Tri>{{0, 1, 2}, {0, 2, 1}}));
}

// A cube of side 2 as six separate quads (4 vertices each, 2 triangles),
// wound counter-clockwise seen from outside.
std::pair<std::vector<v4f>, std::vector<Tri>> CubeQuads() {
  const v4f axes[3] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
  std::vector<v4f> positions;
  std::vector<Tri> triangles;
  for (int axis = 0; axis < 3; ++axis) {
    for (float sign : {1.0f, -1.0f}) {
      // u x v = the outward normal.
      v4f u = axes[(axis + 1) % 3], v = axes[(axis + 2) % 3];
      if (sign < 0) std::swap(u, v);
      const v4f& n = axes[axis];
      const int32_t base = static_cast<int32_t>(positions.size());
      const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
      for (const auto& c : corners) {
        positions.push_back({sign * n.x + c[0] * u.x + c[1] * v.x, sign * n.y + c[0] * u.y + c[1] * v.y,
                             sign * n.z + c[0] * u.z + c[1] * v.z, 1});
      }
      triangles.push_back({base, base + 1, base + 2});
      triangles.push_back({base, base + 2, base + 3});
    }
  }
  return {positions, triangles};
}

TEST_F(CageMeshTest, CubeOfTwentyFourVerticesWeldsToEightWithEighteenEdges) {
  const auto [positions, triangles] = CubeQuads();
  ASSERT_EQ(positions.size(), 24u);
  const VLM_HANDLE mesh = Mesh(positions, triangles);
  VLM_CAGE* cage = VLM_CreateCageFromMesh(-1, mesh, VLM_CAGE_POLYHEDRON, 1.0f, "");
  ASSERT_NE(cage, nullptr);
  const VLM_CAGE_OUTLINE& outline = *cage->pRoot->pOutline;
  EXPECT_EQ(outline.aVertices.size(), 8u);
  EXPECT_EQ(outline.aFaces.size(), 12u);
  // 12 cube edges and one diagonal per square side.
  EXPECT_EQ(outline.aEdges.size(), 18u);
  for (const VLM_CAGE_FACE& face : outline.aFaces) {
    // Outwards: the normal points the way of the face's corners, and each
    // triangle is half a 2 x 2 square: |N| = 4.
    const v4f& a = outline.aVertices[face.iVertex[0]];
    const v4f& b = outline.aVertices[face.iVertex[1]];
    const v4f& c = outline.aVertices[face.iVertex[2]];
    const float dot = face.v4fNormal.x * (a.x + b.x + c.x) + face.v4fNormal.y * (a.y + b.y + c.y) +
                      face.v4fNormal.z * (a.z + b.z + c.z);
    EXPECT_GT(dot, 0.0f);
    EXPECT_FLOAT_EQ(face.fInvNormalSq, 1.0f / 16.0f);
  }
  EXPECT_FLOAT_EQ(cage->pRoot->v4fHalfExtents.x, 1.0f);
  EXPECT_FLOAT_EQ(cage->pRoot->v4fCentre.x, 0.0f);
}

TEST_F(CageMeshTest, TrianglesNamingMissingVerticesAreLeftOut) {
  const VLM_HANDLE mesh = Mesh({{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}, {{0, 1, 2}, {0, 1, 2}, {0, 1, 2}});
  VLM_MESH* record = VLM_ResolveMesh(mesh);
  record->aiIndices[4] = 3;
  record->aiIndices[8] = -1;
  VLM_CAGE* cage = VLM_CreateCageFromMesh(-1, mesh, VLM_CAGE_POLYHEDRON, 1.0f, "");
  ASSERT_NE(cage, nullptr);
  EXPECT_EQ(cage->pRoot->pOutline->aFaces.size(), 1u);
  EXPECT_EQ(cage->pRoot->pOutline->aEdges.size(), 3u);
  EXPECT_EQ(vlmtest::LogBody(log),
            "<tr><td>\xC2\x95</td><td>VLM_CreateCageFromMesh</td><td colspan=2><i style='color:#FF0000;'>"
            "Fail: 2 triangles with a vertex index out of range were left out!</i></td></tr>");
}

TEST_F(CageMeshTest, EmptyMeshGivesEmptyShapes) {
  VLM_MESH* empty = VLM_CreateMesh(-1, "");
  const auto h = reinterpret_cast<VLM_HANDLE>(empty);
  VLM_CAGE* sphere = VLM_CreateCageFromMesh(-1, h, VLM_CAGE_SPHERE, 1.0f, "");
  ASSERT_NE(sphere, nullptr);
  EXPECT_EQ(sphere->fSize, 0.0f);
  VLM_CAGE* poly = VLM_CreateCageFromMesh(-1, h, VLM_CAGE_POLYHEDRON, 1.0f, "");
  ASSERT_NE(poly, nullptr);
  EXPECT_EQ(poly->pRoot->pOutline->iLastVertex, -1);
  EXPECT_EQ(poly->pRoot->pOutline->iLastFace, -1);
  VLM_CAGE* box = VLM_CreateCageFromMesh(-1, h, VLM_CAGE_BOX, 1.0f, "");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->pRoot->pOutline->aVertices.size(), 8u);
  // A box of no size: all its faces are degenerate and carry zeros.
  for (const VLM_CAGE_FACE& face : box->pRoot->pOutline->aFaces) EXPECT_EQ(face.fInvNormalSq, 0.0f);
}

TEST_F(CageMeshTest, MissingMeshOrKindFails) {
  const VLM_HANDLE mesh = Mesh({{1, 0, 0, 1}}, {});
  EXPECT_EQ(VLM_CreateCageFromMesh(3, 4242, VLM_CAGE_SPHERE, 1.0f, ""), nullptr);
  EXPECT_EQ(VLM_CreateCageFromMesh(3, mesh, VLM_CAGE_STICK, 1.0f, ""), nullptr);
  EXPECT_EQ(VLM_CreateCageFromMesh(3, mesh, 0, 1.0f, ""), nullptr);
  EXPECT_EQ(VLM_CreateCageFromMesh(0x10000, mesh, VLM_CAGE_BOX, 1.0f, ""), nullptr);
  const std::string row = "<tr><td>\xC2\x95</td><td>VLM_CreateCageFromMesh</td><td colspan=2><i style='color:#FF0000;'>";
  EXPECT_EQ(vlmtest::LogBody(log),
            row + "Fail: Mesh not found!</i></td></tr>" + row +
                "Fail: A mesh gives only SPHERE, BOX or POLYHEDRON cages!</i></td></tr>" + row +
                "Fail: A mesh gives only SPHERE, BOX or POLYHEDRON cages!</i></td></tr>"
                "<tr><td>\xC2\x95</td><td>VLM_CreateCageListEntry</td><td colspan=2><i style='color:#FF0000;'>"
                "Fail: This ID is not available!</i></td></tr>");
  EXPECT_EQ(vlm::CageRegistry().Count(), 0u);
}

TEST_F(CageMeshTest, NonFiniteOrNegativeSizesAreRefusedAndTheEarlierCageStays) {
  VLM_CAGE* kept = VLM_CreateSphereCage(3, 2.0f, "Kept");
  ASSERT_NE(kept, nullptr);
  const float nan = std::nanf(""), inf = HUGE_VALF;
  // The largest coordinate times the factor would leave the float range in
  // the squared distances.
  const VLM_HANDLE huge = Mesh({{1e30f, 0, 0, 1}}, {});
  const VLM_HANDLE plain = Mesh({{1, 0, 0, 1}}, {});
  EXPECT_EQ(VLM_CreateSphereCage(3, nan, ""), nullptr);
  EXPECT_EQ(VLM_CreateSphereCage(3, -2.0f, ""), nullptr);
  EXPECT_EQ(VLM_CreateBoxCage(3, 1.0f, inf, 1.0f, ""), nullptr);
  EXPECT_EQ(VLM_CreateBoxCage(3, -1.0f, VLM_DEFAULTF, VLM_DEFAULTF, ""), nullptr);
  EXPECT_EQ(VLM_CreateCageFromMesh(3, huge, VLM_CAGE_SPHERE, 1.0f, ""), nullptr);
  EXPECT_EQ(VLM_CreateCageFromMesh(3, plain, VLM_CAGE_BOX, nan, ""), nullptr);
  EXPECT_EQ(VLM_CreateCageFromMesh(3, plain, VLM_CAGE_BOX, -1.0f, ""), nullptr);
  auto row = [](const char* proc, const char* text) { return vlmtest::FailRow(proc, text); };
  const char* size = "Fail: A size must be finite and not negative!";
  const char* mesh = "Fail: The mesh's positions and the factor must be finite, the factor not negative!";
  EXPECT_EQ(vlmtest::LogBody(log), row("VLM_CreateSphereCage", size) + row("VLM_CreateSphereCage", size) +
                                       row("VLM_CreateBoxCage", size) + row("VLM_CreateBoxCage", size) +
                                       row("VLM_CreateCageFromMesh", mesh) + row("VLM_CreateCageFromMesh", mesh) +
                                       row("VLM_CreateCageFromMesh", mesh));
  EXPECT_EQ(VLM_ResolveCage(3), kept);
  EXPECT_EQ(kept->fSize, 1.0f);
  // Zero sizes are meant: a point-like sphere, a flat box.
  EXPECT_NE(VLM_CreateBoxCage(4, 2.0f, 0.0f, 2.0f, ""), nullptr);
}

}  // namespace
