// Cage files: kinds, outlines, boxes, log rows on success and failure.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>

#include "core/registries.h"
#include "mesh/cage.h"
#include "mesh/cage_record.h"
#include "support/test_support.h"
#include "velmora/cage.h"
#include "velmora/core.h"
#include "velmora/registry.h"

namespace {

using vlmtest::LogBody;

// Rows as written with the module and procedure cells on.
std::string Row(const std::string& module, const std::string& proc, const std::string& colour,
                const std::string& text) {
  return "<tr><td>\xC2\x95</td><td>" + module + "</td><td>" + proc + "</td><td colspan=2><i style='color:" +
         colour + ";'>" + text + "</i></td></tr>";
}
std::string Headline(const std::string& file) {
  return Row("VLM Cages", "VLM_LoadCageFile", "#404040", "Load Cage: " + file);
}
std::string Count(const std::string& text) { return Row("", "VLM_LoadCageFile", "#545454", text); }
const std::string kOk = Row("", "VLM_LoadCageFile", "#11FF00", "OK");
const std::string kNotFound = Row("", "VLM_LoadCageFile", "#FF0000", "Fail: File not found!");

const char* kTetrahedron =
    "Cage: Tetrahedron {\r\n"
    "\tPrimitive: Polyhedron\r\n"
    "\tVertices: 4 {\r\n\t\t1, 0, 0\r\n\t\t0, 1, 0\r\n\t\t0, 0, 1\r\n\t\t0, 0, 0\r\n\t}\r\n"
    "\tEdges: 6 {\r\n\t\t0, 1\r\n\t\t1, 2\r\n\t\t2, 0\r\n\t\t0, 3\r\n\t\t1, 3\r\n\t\t2, 3\r\n\t}\r\n"
    "\tFaces: 4 {\r\n\t\t0, 1, 2\r\n\t\t0, 3, 1\r\n\t\t1, 3, 2\r\n\t\t2, 3, 0\r\n\t}\r\n"
    "}\r\n";

class CageFileTest : public ::testing::Test {
 protected:
  CageFileTest() { log = vlmtest::OpenTestLog(dir, VLM_LOG_MODULE | VLM_LOG_PROCEDURE); }
  ~CageFileTest() override { vlm::ResetCages(); }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = dir.File(name);
    vlmtest::WriteFile(path, bytes);
    return path;
  }
  vlmtest::TempDir dir;
  std::string log;
};

void ExpectVector(const v4f& v, float x, float y, float z, float w) {
  EXPECT_FLOAT_EQ(v.x, x);
  EXPECT_FLOAT_EQ(v.y, y);
  EXPECT_FLOAT_EQ(v.z, z);
  EXPECT_FLOAT_EQ(v.w, w);
}

TEST_F(CageFileTest, PolyhedronOutlineCountsNormalsAndRows) {
  const std::string path = Write("tetra.vlb", kTetrahedron);
  VLM_CAGE* cage = VLM_LoadCageFile(2, path.c_str(), "");
  ASSERT_NE(cage, nullptr);
  EXPECT_EQ(VLM_ResolveCage(2), cage);
  EXPECT_EQ(cage->sName, "tetra.vlb");
  EXPECT_EQ(cage->iKind, VLM_CAGE_POLYHEDRON);
  ASSERT_NE(cage->pRoot, nullptr);
  ASSERT_NE(cage->pRoot->pOutline, nullptr);
  const VLM_CAGE_OUTLINE& outline = *cage->pRoot->pOutline;
  EXPECT_EQ(outline.iLastVertex, 3);
  EXPECT_EQ(outline.iLastEdge, 5);
  EXPECT_EQ(outline.iLastFace, 3);
  ASSERT_EQ(outline.aVertices.size(), 4u);
  ExpectVector(outline.aVertices[0], 1, 0, 0, 1);
  ExpectVector(outline.aVertices[3], 0, 0, 0, 1);
  ASSERT_EQ(outline.aEdges.size(), 6u);
  EXPECT_EQ(outline.aEdges[4].iVertex[0], 1);
  EXPECT_EQ(outline.aEdges[4].iVertex[1], 3);
  ASSERT_EQ(outline.aFaces.size(), 4u);
  EXPECT_EQ(outline.aFaces[1].iVertex[0], 0);
  EXPECT_EQ(outline.aFaces[1].iVertex[1], 3);
  EXPECT_EQ(outline.aFaces[1].iVertex[2], 1);

  // (0,1,2): (1,-1,0) x (1,0,-1) = (1,1,1), |N|^2 = 3. The others lie in the
  // coordinate planes with |N|^2 = 1 and point away from the solid.
  const float r = 1.0f / std::sqrt(3.0f);
  ExpectVector(outline.aFaces[0].v4fNormal, r, r, r, 0);
  EXPECT_FLOAT_EQ(outline.aFaces[0].fInvNormalSq, 1.0f / 3.0f);
  ExpectVector(outline.aFaces[1].v4fNormal, 0, 0, -1, 0);
  ExpectVector(outline.aFaces[2].v4fNormal, -1, 0, 0, 0);
  ExpectVector(outline.aFaces[3].v4fNormal, 0, -1, 0, 0);
  for (int f = 1; f < 4; ++f) EXPECT_FLOAT_EQ(outline.aFaces[f].fInvNormalSq, 1.0f);

  ExpectVector(cage->pRoot->v4fCentre, 0.5f, 0.5f, 0.5f, 1);
  ExpectVector(cage->pRoot->v4fHalfExtents, 0.5f, 0.5f, 0.5f, 0);

  EXPECT_EQ(LogBody(log), Headline(path) + Count("Vertices: 4") + Count("Edges: 6") + Count("Faces: 4") + kOk);
}

TEST_F(CageFileTest, HeadlineCarriesTheSourceLine) {
  vlmtest::OpenTestLog(dir, VLM_LOG_LINE);
  const std::string path = Write("p.vlb", "Cage: { Primitive: Point }");
  ASSERT_NE(VLM_LoadCageFile(-1, path.c_str(), "P"), nullptr);
  const std::string body = LogBody(log);
  // The headline has a line number; the "OK" row an empty line cell.
  const std::regex expected(
      "<tr><td>\xC2\x95</td><td>[1-9][0-9]*</td><td colspan=2><i style='color:#404040;'>Load Cage: [^<]*p\\.vlb</i></td></tr>"
      "<tr><td>\xC2\x95</td><td></td><td colspan=2><i style='color:#11FF00;'>OK</i></td></tr>");
  EXPECT_TRUE(std::regex_match(body, expected)) << body;
}

TEST_F(CageFileTest, RootBoxAlwaysReachesTheOrigin) {
  const std::string path = Write("far.vlb",
                                 "Cage: {\n Vertices: {\n  1, -1, 2\n  3, 1, 4\n  2, 0, 6\n }\n"
                                 " Faces: { 0, 1, 2 }\n}\n");
  VLM_CAGE* cage = VLM_LoadCageFile(-1, path.c_str(), "Far");
  ASSERT_NE(cage, nullptr);
  EXPECT_EQ(cage->sName, "Far");
  // No "Primitive": a polyhedron. Box from (0,-1,0) to (3,1,6).
  EXPECT_EQ(cage->iKind, VLM_CAGE_POLYHEDRON);
  ExpectVector(cage->pRoot->v4fCentre, 1.5f, 0.0f, 3.0f, 1);
  ExpectVector(cage->pRoot->v4fHalfExtents, 1.5f, 1.0f, 3.0f, 0);
  EXPECT_EQ(cage->pRoot->pOutline->iLastEdge, -1);
  EXPECT_EQ(LogBody(log), Headline(path) + Count("Vertices: 3") + Count("Edges: 0") + Count("Faces: 1") + kOk);
}

TEST_F(CageFileTest, BoxKindWithHashAndLowerCaseAndThreeSizes) {
  const std::string path = Write("crate.vlb", "Cage: Crate {\n  Primitive: #box {\n    Size: 2, 1, 3\n  }\n}\n");
  VLM_CAGE* cage = VLM_LoadCageFile(4, path.c_str(), "");
  ASSERT_NE(cage, nullptr);
  EXPECT_EQ(cage->iKind, VLM_CAGE_BOX);
  EXPECT_FLOAT_EQ(cage->fSize, 1.5f);
  ASSERT_NE(cage->pRoot, nullptr);
  ExpectVector(cage->pRoot->v4fCentre, 0, 0, 0, 1);
  ExpectVector(cage->pRoot->v4fHalfExtents, 1.0f, 0.5f, 1.5f, 0);
  // The box's own outline: its last corner is (+1, +0.5, +1.5). The file
  // lists no outline, so there is nothing to count: headline and "OK" only.
  ASSERT_NE(cage->pRoot->pOutline, nullptr);
  ExpectVector(cage->pRoot->pOutline->aVertices[7], 1.0f, 0.5f, 1.5f, 1);
  EXPECT_EQ(cage->pRoot->pOutline->aFaces.size(), 12u);
  EXPECT_EQ(LogBody(log), Headline(path) + kOk);
}

TEST_F(CageFileTest, BoxWithOneSizeIsACube) {
  const std::string one = Write("one.vlb", "Cage: { Primitive: BOX { Size: 4 } }");
  VLM_CAGE* cube = VLM_LoadCageFile(-1, one.c_str(), "");
  ASSERT_NE(cube, nullptr);
  EXPECT_FLOAT_EQ(cube->fSize, 4.0f);
  ExpectVector(cube->pRoot->v4fHalfExtents, 2, 2, 2, 0);

  const std::string none = Write("none.vlb", "Cage: { Primitive: Box }");
  VLM_CAGE* unit = VLM_LoadCageFile(-1, none.c_str(), "");
  ASSERT_NE(unit, nullptr);
  EXPECT_FLOAT_EQ(unit->fSize, 1.0f);
  ExpectVector(unit->pRoot->v4fHalfExtents, 0.5f, 0.5f, 0.5f, 0);
}

TEST_F(CageFileTest, SphereStickPointAndNone) {
  struct Case {
    const char* text;
    int kind;
    float size;
  } cases[] = {
      {"Cage: { Primitive: Sphere { Size: 0.5 } }", VLM_CAGE_SPHERE, 0.5f},
      {"Cage: { Primitive: sphere }", VLM_CAGE_SPHERE, 1.0f},
      {"Cage: { Primitive: STICK { Size: 3 } }", VLM_CAGE_STICK, 3.0f},
      {"Cage: { Primitive: Point { Size: 3 } }", VLM_CAGE_POINT, 0.0f},
      {"Cage: { Primitive: ##none }", VLM_CAGE_NONE, 0.0f},
  };
  for (const Case& c : cases) {
    const std::string path = Write("kind.vlb", c.text);
    VLM_CAGE* cage = VLM_LoadCageFile(1, path.c_str(), "");
    ASSERT_NE(cage, nullptr) << c.text;
    EXPECT_EQ(cage->iKind, c.kind) << c.text;
    EXPECT_FLOAT_EQ(cage->fSize, c.size) << c.text;
    EXPECT_EQ(cage->pRoot, nullptr) << c.text;
  }
  EXPECT_EQ(vlm::CageRegistry().Count(), 1u);
}

TEST_F(CageFileTest, UnknownPrimitiveIsAPolyhedron) {
  const std::string path = Write("odd.vlb", "Cage: { Primitive: Cylinder { Size: 2 } }");
  VLM_CAGE* cage = VLM_LoadCageFile(-1, path.c_str(), "");
  ASSERT_NE(cage, nullptr);
  EXPECT_EQ(cage->iKind, VLM_CAGE_POLYHEDRON);
  ASSERT_NE(cage->pRoot, nullptr);
  ASSERT_NE(cage->pRoot->pOutline, nullptr);
  EXPECT_EQ(cage->pRoot->pOutline->iLastVertex, -1);
  ExpectVector(cage->pRoot->v4fHalfExtents, 0, 0, 0, 0);
  EXPECT_EQ(LogBody(log), Headline(path) + Count("Vertices: 0") + Count("Edges: 0") + Count("Faces: 0") + kOk);
}

TEST_F(CageFileTest, MissingFileOrCageNodeFails) {
  const std::string missing = dir.File("nothing.vlb");
  EXPECT_EQ(VLM_LoadCageFile(1, missing.c_str(), ""), nullptr);
  const std::string other = Write("mesh.vlb", "Mesh: { Vertices: { 0, 0, 0 } }");
  EXPECT_EQ(VLM_LoadCageFile(1, other.c_str(), ""), nullptr);
  // A "Cage {" without colon is a value, not a node named Cage.
  const std::string valueOnly = Write("value.vlb", "Cage { Primitive: Box }");
  EXPECT_EQ(VLM_LoadCageFile(1, valueOnly.c_str(), ""), nullptr);
  EXPECT_EQ(VLM_LoadCageFile(1, nullptr, ""), nullptr);
  EXPECT_EQ(LogBody(log), Headline(missing) + kNotFound + Headline(other) + kNotFound + Headline(valueOnly) +
                              kNotFound + Headline("") + kNotFound);
  EXPECT_EQ(vlm::CageRegistry().Count(), 0u);
}

TEST_F(CageFileTest, IdOutOfRangeFailsThroughTheRegistry) {
  const std::string path = Write("tetra.vlb", kTetrahedron);
  EXPECT_EQ(VLM_LoadCageFile(0x10000, path.c_str(), ""), nullptr);
  EXPECT_EQ(LogBody(log), Headline(path) + Row("", "VLM_CreateCageListEntry", "#FF0000",
                                               "Fail: This ID is not available!"));
  EXPECT_EQ(vlm::CageRegistry().Count(), 0u);
}

TEST_F(CageFileTest, SameNameReleasesTheFirstCage) {
  const std::string path = Write("s.vlb", "Cage: { Primitive: Sphere }");
  VLM_CAGE* first = VLM_LoadCageFile(-1, path.c_str(), "Ball");
  ASSERT_NE(first, nullptr);
  VLM_CAGE* second = VLM_LoadCageFile(-1, path.c_str(), "Ball");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(VLM_ResolveCage(reinterpret_cast<VLM_HANDLE>(first)), nullptr);
  EXPECT_EQ(vlm::CageRegistry().Count(), 1u);
  EXPECT_EQ(LogBody(log), Headline(path) + kOk + Headline(path) +
                              Row("", "VLM_CreateCageListEntry", "#0000FF",
                                  "Loaded double: First Cage has been released!") +
                              kOk);
}

TEST_F(CageFileTest, IndicesOutsideTheVerticesAreDroppedAndReported) {
  const std::string path = Write("bad.vlb",
                                 "Cage: {\n  Vertices: { 1, 1, 1; 2, 1, 1; 1, 2, 1 }\n"
                                 "  Edges: { 0, 1; 1, 2; 2, 0; 0, 7; -1, 2; 1 }\n"
                                 "  Faces: { 0, 1, 2; 0, 1, 3; 2, 1, $FFFFFFFF; 2, 1 }\n}\n");
  VLM_CAGE* cage = VLM_LoadCageFile(-1, path.c_str(), "");
  ASSERT_NE(cage, nullptr);
  const VLM_CAGE_OUTLINE& outline = *cage->pRoot->pOutline;
  // "1" alone reads its second index as 0 (a missing number); "2, 1" reads
  // corner 3 as 0: both stay, being inside the vertex array.
  ASSERT_EQ(outline.aEdges.size(), 4u);
  EXPECT_EQ(outline.aEdges[3].iVertex[0], 0);
  EXPECT_EQ(outline.aEdges[3].iVertex[1], 0);
  ASSERT_EQ(outline.aFaces.size(), 2u);
  EXPECT_EQ(outline.iLastEdge, 3);
  EXPECT_EQ(outline.iLastFace, 1);
  EXPECT_EQ(outline.aFaces[1].iVertex[2], 0);
  EXPECT_EQ(LogBody(log),
            Headline(path) +
                Row("", "VLM_LoadCageFile", "#FF0000", "Fail: 2 edges with a vertex index out of range were dropped!") +
                Row("", "VLM_LoadCageFile", "#FF0000", "Fail: 2 faces with a vertex index out of range were dropped!") +
                Count("Vertices: 3") + Count("Edges: 4") + Count("Faces: 2") + kOk);
}

TEST_F(CageFileTest, Utf16FileReadsLikeItsUtf8Form) {
  const std::string text = "Cage: { Primitive: Box { Size: 1, 2, 3 } /* c */ }\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : text) {
    utf16 += c;
    utf16 += '\0';
  }
  const std::string path = Write("wide.vlb", utf16);
  VLM_CAGE* cage = VLM_LoadCageFile(-1, path.c_str(), "");
  ASSERT_NE(cage, nullptr);
  EXPECT_EQ(cage->iKind, VLM_CAGE_BOX);
  ExpectVector(cage->pRoot->v4fHalfExtents, 0.5f, 1.0f, 1.5f, 0);
}

TEST_F(CageFileTest, NonFiniteAndShortVerticesStayHarmless) {
  const std::string path = Write("nan.vlb",
                                 "Cage: {\n Vertices: {\n  NaN, 0, 0\n  +Infinity, 1, 0\n  0, 1, 1\n  1, 1\n  5\n }\n"
                                 " Faces: { 0, 1, 2; 2, 3, 4; 1, 2, 3; 4, 4, 4 }\n}\n");
  VLM_CAGE* cage = VLM_LoadCageFile(-1, path.c_str(), "");
  ASSERT_NE(cage, nullptr);
  const VLM_CAGE_OUTLINE& outline = *cage->pRoot->pOutline;
  ASSERT_EQ(outline.aVertices.size(), 5u);
  // Two numbers keep z = 0; one number v reads as (0, 0, -v).
  ExpectVector(outline.aVertices[3], 1, 1, 0, 1);
  ExpectVector(outline.aVertices[4], 0, 0, -5, 1);
  for (const VLM_CAGE_FACE& face : outline.aFaces) {
    EXPECT_TRUE(std::isfinite(face.fInvNormalSq));
    EXPECT_TRUE(std::isfinite(face.v4fNormal.x) && std::isfinite(face.v4fNormal.y) &&
                std::isfinite(face.v4fNormal.z));
  }
  EXPECT_EQ(outline.aFaces[0].fInvNormalSq, 0.0f);  // NaN corner
  EXPECT_EQ(outline.aFaces[2].fInvNormalSq, 0.0f);  // infinite corner
  EXPECT_EQ(outline.aFaces[3].fInvNormalSq, 0.0f);  // one point
  EXPECT_GT(outline.aFaces[1].fInvNormalSq, 0.0f);
}

}  // namespace
