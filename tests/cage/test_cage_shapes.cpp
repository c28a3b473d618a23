// Cage kinds by name, the point cage, sphere and box cages, face normals.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/registries.h"
#include "mesh/cage.h"
#include "mesh/cage_record.h"
#include "support/test_support.h"
#include "velmora/cage.h"
#include "velmora/registry.h"

namespace {

TEST(CageKinds, NamesMapToCodesWithHashesAndAnyCase) {
  EXPECT_EQ(VLM_GetCageKindByName("NONE"), -1);
  EXPECT_EQ(VLM_GetCageKindByName("POINT"), -2);
  EXPECT_EQ(VLM_GetCageKindByName("STICK"), -3);
  EXPECT_EQ(VLM_GetCageKindByName("BOX"), -4);
  EXPECT_EQ(VLM_GetCageKindByName("SPHERE"), -5);
  EXPECT_EQ(VLM_GetCageKindByName("POLYHEDRON"), -6);
  EXPECT_EQ(VLM_GetCageKindByName("#box"), VLM_CAGE_BOX);
  EXPECT_EQ(VLM_GetCageKindByName("##Sphere"), VLM_CAGE_SPHERE);
  EXPECT_EQ(VLM_GetCageKindByName("polyHedron"), VLM_CAGE_POLYHEDRON);
  // Only leading hashes go; nothing else is forgiven.
  EXPECT_EQ(VLM_GetCageKindByName("box#"), 0);
  EXPECT_EQ(VLM_GetCageKindByName(" BOX"), 0);
  EXPECT_EQ(VLM_GetCageKindByName("CUBE"), 0);
  EXPECT_EQ(VLM_GetCageKindByName(""), 0);
  EXPECT_EQ(VLM_GetCageKindByName("#"), 0);
  EXPECT_EQ(VLM_GetCageKindByName(nullptr), 0);
  EXPECT_STREQ(VLM_GetCageKindName(VLM_CAGE_STICK), "STICK");
  EXPECT_STREQ(VLM_GetCageKindName(0), "");
  EXPECT_STREQ(VLM_GetCageKindName(-7), "");
}

TEST(PointCage, BuiltInCageIsSharedAndCannotBeReleased) {
  VLM_CAGE* point = vlm::CreatePointCage();
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(vlm::CreatePointCage(), point);
  EXPECT_EQ(point->iHandle, -2);
  EXPECT_EQ(point->iKind, VLM_CAGE_POINT);
  EXPECT_EQ(point->pRoot, nullptr);
  EXPECT_EQ(VLM_ResolveCage(-2), point);
  EXPECT_EQ(VLM_ResolveCage(-1), nullptr);
  EXPECT_EQ(VLM_FreeCage(-2), 0);
  EXPECT_EQ(VLM_ResolveCage(-2), point);
  // Not a registry entry: ID -2 cannot be asked for either.
  vlmtest::TempDir dir;
  vlmtest::OpenTestLog(dir);
  EXPECT_EQ(VLM_CreateSphereCage(-2, 1.0f, ""), nullptr);
  EXPECT_EQ(VLM_ResolveCage(-2), point);
}

class CageTest : public ::testing::Test {
 protected:
  CageTest() { log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE); }
  ~CageTest() override { vlm::ResetCages(); }
  vlmtest::TempDir dir;
  std::string log;
};

TEST_F(CageTest, SphereCageHasHalfTheDiameter) {
  VLM_CAGE* cage = VLM_CreateSphereCage(3, 2.0f, "Ball");
  ASSERT_NE(cage, nullptr);
  EXPECT_EQ(VLM_ResolveCage(3), cage);
  EXPECT_EQ(cage->iKind, VLM_CAGE_SPHERE);
  EXPECT_FLOAT_EQ(cage->fSize, 1.0f);
  EXPECT_EQ(cage->pRoot, nullptr);
  EXPECT_EQ(cage->sName, "Ball");
  EXPECT_EQ(vlmtest::LogBody(log), "");
}

TEST_F(CageTest, BoxCageDefaultsTakeThePreviousSide) {
  VLM_CAGE* cube = VLM_CreateBoxCage(5, 2.0f, -65535.0f, -65535.0f, "");
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(cube->iKind, VLM_CAGE_BOX);
  EXPECT_FLOAT_EQ(cube->fSize, 1.0f);
  ASSERT_NE(cube->pRoot, nullptr);
  const VLM_CAGE_NODE& root = *cube->pRoot;
  EXPECT_EQ(root.v4fCentre.x, 0.0f);
  EXPECT_EQ(root.v4fCentre.y, 0.0f);
  EXPECT_EQ(root.v4fCentre.z, 0.0f);
  EXPECT_EQ(root.v4fCentre.w, 1.0f);
  EXPECT_EQ(root.v4fHalfExtents.x, 1.0f);
  EXPECT_EQ(root.v4fHalfExtents.y, 1.0f);
  EXPECT_EQ(root.v4fHalfExtents.z, 1.0f);
  EXPECT_EQ(root.v4fHalfExtents.w, 0.0f);
  // The outline of the box, as a box fitted to a mesh has: corner 6 is
  // (-1, +1, +1), and face 0 (corners 1, 2, 3) looks along -z.
  ASSERT_NE(root.pOutline, nullptr);
  const VLM_CAGE_OUTLINE& outline = *root.pOutline;
  EXPECT_EQ(outline.iLastVertex, 7);
  EXPECT_EQ(outline.iLastEdge, 11);
  EXPECT_EQ(outline.iLastFace, 11);
  EXPECT_EQ(outline.aVertices[6].x, -1.0f);
  EXPECT_EQ(outline.aVertices[6].y, 1.0f);
  EXPECT_EQ(outline.aVertices[6].z, 1.0f);
  EXPECT_EQ(outline.aFaces[0].v4fNormal.z, -1.0f);
  EXPECT_EQ(outline.aFaces[0].fInvNormalSq, 0.0625f);
  EXPECT_EQ(root.pFirstChild, nullptr);
  EXPECT_EQ(root.pSecondChild, nullptr);

  // sz takes sy, which was given.
  VLM_CAGE* slab = VLM_CreateBoxCage(-1, 2.0f, 6.0f, -65535.0f, "");
  ASSERT_NE(slab, nullptr);
  EXPECT_EQ(slab->pRoot->v4fHalfExtents.x, 1.0f);
  EXPECT_EQ(slab->pRoot->v4fHalfExtents.y, 3.0f);
  EXPECT_EQ(slab->pRoot->v4fHalfExtents.z, 3.0f);
  EXPECT_FLOAT_EQ(slab->fSize, 3.0f);
  EXPECT_EQ(VLM_ResolveCage(reinterpret_cast<VLM_HANDLE>(slab)), slab);

  // All three given: the largest half side is the size.
  VLM_CAGE* brick = VLM_CreateBoxCage(-1, 1.0f, 0.5f, 4.0f, "");
  ASSERT_NE(brick, nullptr);
  EXPECT_EQ(brick->pRoot->v4fHalfExtents.x, 0.5f);
  EXPECT_EQ(brick->pRoot->v4fHalfExtents.y, 0.25f);
  EXPECT_EQ(brick->pRoot->v4fHalfExtents.z, 2.0f);
  EXPECT_FLOAT_EQ(brick->fSize, 2.0f);
}

TEST_F(CageTest, TakenIdReleasesAndBadIdFails) {
  VLM_CAGE* first = VLM_CreateBoxCage(7, 1.0f, -65535.0f, -65535.0f, "Crate");
  ASSERT_NE(first, nullptr);
  VLM_CAGE* second = VLM_CreateSphereCage(7, 4.0f, "");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(VLM_ResolveCage(7), second);
  EXPECT_EQ(vlm::CageRegistry().FindByName("Crate"), nullptr);
  EXPECT_EQ(vlm::CageRegistry().Count(), 1u);

  EXPECT_EQ(VLM_CreateSphereCage(0x10000, 1.0f, ""), nullptr);
  EXPECT_EQ(vlmtest::LogBody(log),
            "<tr><td>\xC2\x95</td><td>VLM_CreateCageListEntry</td><td colspan=2><i "
            "style='color:#FF0000;'>Fail: This ID is not available!</i></td></tr>");
  EXPECT_EQ(VLM_FreeCage(7), 1);
  EXPECT_EQ(VLM_ResolveCage(7), nullptr);
  EXPECT_EQ(VLM_FreeCage(7), 0);
}

// One face with the given corners; returns it after the normal pass.
VLM_CAGE_FACE FaceOf(v4f a, v4f b, v4f c) {
  VLM_CAGE_OUTLINE outline;
  outline.aVertices = {a, b, c};
  VLM_CAGE_FACE face{};
  face.iVertex[0] = 0;
  face.iVertex[1] = 1;
  face.iVertex[2] = 2;
  outline.aFaces = {face};
  vlm::ComputeCageFaceNormals(outline);
  return outline.aFaces[0];
}

TEST(CageFaceNormals, RightHandNormalAndInverseSquaredLength) {
  // (v0 - v1) x (v0 - v2) = (-2, 0, 0) x (0, -3, 0) = (0, 0, 6): |N|^2 = 36.
  VLM_CAGE_FACE up = FaceOf({0, 0, 0, 1}, {2, 0, 0, 1}, {0, 3, 0, 1});
  EXPECT_EQ(up.v4fNormal.x, 0.0f);
  EXPECT_EQ(up.v4fNormal.y, 0.0f);
  EXPECT_EQ(up.v4fNormal.z, 1.0f);
  EXPECT_EQ(up.v4fNormal.w, 0.0f);
  EXPECT_FLOAT_EQ(up.fInvNormalSq, 1.0f / 36.0f);

  // Swapping two corners turns the normal around.
  VLM_CAGE_FACE down = FaceOf({0, 0, 0, 1}, {0, 3, 0, 1}, {2, 0, 0, 1});
  EXPECT_EQ(down.v4fNormal.z, -1.0f);

  // (1,0,0),(0,1,0),(0,0,1): v0 - v1 = (1,-1,0), v0 - v2 = (1,0,-1),
  // N = (1, 1, 1), |N|^2 = 3.
  VLM_CAGE_FACE slanted = FaceOf({1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1});
  const float third = 1.0f / std::sqrt(3.0f);
  EXPECT_FLOAT_EQ(slanted.v4fNormal.x, third);
  EXPECT_FLOAT_EQ(slanted.v4fNormal.y, third);
  EXPECT_FLOAT_EQ(slanted.v4fNormal.z, third);
  EXPECT_FLOAT_EQ(slanted.fInvNormalSq, 1.0f / 3.0f);
}

TEST(CageFaceNormals, DegenerateFacesGetZerosNotInfinities) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const VLM_CAGE_FACE faces[] = {
      FaceOf({0, 0, 0, 1}, {1, 1, 1, 1}, {2, 2, 2, 1}),        // collinear
      FaceOf({1, 2, 3, 1}, {1, 2, 3, 1}, {1, 2, 3, 1}),        // one point
      FaceOf({0, 0, 0, 1}, {inf, 0, 0, 1}, {0, 1, 0, 1}),      // infinite corner
      FaceOf({0, 0, 0, 1}, {nan, 0, 0, 1}, {0, 1, 0, 1}),      // NaN corner
      FaceOf({0, 0, 0, 1}, {1e-30f, 0, 0, 1}, {0, 1e-30f, 0, 1}),  // 1/|N|^2 beyond float
      FaceOf({0, 0, 0, 1}, {3e38f, 0, 0, 1}, {0, 3e38f, 0, 1}),    // |N|^2 beyond float
  };
  for (const VLM_CAGE_FACE& face : faces) {
    EXPECT_EQ(face.fInvNormalSq, 0.0f);
    EXPECT_EQ(face.v4fNormal.x, 0.0f);
    EXPECT_EQ(face.v4fNormal.y, 0.0f);
    EXPECT_EQ(face.v4fNormal.z, 0.0f);
    EXPECT_EQ(face.v4fNormal.w, 0.0f);
  }
}

}  // namespace
