// The pair table of the shape tests. Tree tests (a node tree ending in
// outlines) serve BOX and POLYHEDRON alike, but two boxes meet box to box
// and a box meets a sphere through its root box: those keep the exact box
// answers that the outline tests would only approach.
#include "physics/pair_tests.h"

#include "physics/collide.h"
#include "velmora/cage.h"

namespace vlm {

namespace {

constexpr PairTest kNoShape{nullptr, false, "a NONE or STICK cage has no shape test"};
constexpr PairTest kTwoPoints{nullptr, false, "two points have no extent to meet in"};

constexpr PairTest Test(int (*test)(VLM_OBJECT*, VLM_OBJECT*), bool swapped) { return {test, swapped, nullptr}; }

// Rows P and columns Q in code order: NONE, POINT, STICK, BOX, SPHERE,
// POLYHEDRON.
constexpr PairTest kTable[6][6] = {
    // NONE
    {kNoShape, kNoShape, kNoShape, kNoShape, kNoShape, kNoShape},
    // POINT
    {kNoShape, kTwoPoints, kNoShape, Test(TreePoint, true), Test(SpherePoint, true), Test(TreePoint, true)},
    // STICK
    {kNoShape, kNoShape, kNoShape, kNoShape, kNoShape, kNoShape},
    // BOX
    {kNoShape, Test(TreePoint, false), kNoShape, Test(BoxBox, false), Test(BoxSphere, false),
     Test(TreeTree, false)},
    // SPHERE
    {kNoShape, Test(SpherePoint, false), kNoShape, Test(BoxSphere, true), Test(SphereSphere, false),
     Test(TreeSphere, true)},
    // POLYHEDRON
    {kNoShape, Test(TreePoint, false), kNoShape, Test(TreeTree, false), Test(TreeSphere, false),
     Test(TreeTree, false)},
};

int Cell(int32_t kind) {
  const int32_t cell = -kind - 1;
  return cell >= 0 && cell < 6 ? cell : 0;
}

}  // namespace

const PairTest& PairTestFor(int32_t kindP, int32_t kindQ) { return kTable[Cell(kindP)][Cell(kindQ)]; }

}  // namespace vlm
