// Releasing a cage that bodies still use leaves them without a shape, not
// with a pointer to freed memory.
#include "physics_fixture.h"

namespace {

using namespace phystest;

class CageRelease : public phystest::PhysicsTest {};

TEST_F(CageRelease, BodiesForgetAReleasedCageAndTheStepStillRuns) {
  ASSERT_NE(VLM_CreateSphereCage(3, 2.0f, "Ball"), nullptr);
  VLM_OBJECT* a = Body(1, 3, 1.0f, P(0, 0, 0));
  VLM_OBJECT* b = Body(2, 3, 1.0f, P(0.5f, 0, 0));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(VLM_FreeCage(3), 1);
  EXPECT_EQ(a->Body.pCage, nullptr);
  EXPECT_EQ(b->Body.pCage, nullptr);
  // Replacing a cage by name forgets it as well.
  ASSERT_NE(VLM_CreateSphereCage(4, 2.0f, "Rock"), nullptr);
  VLM_OBJECT* c = Body(5, 4, 1.0f, P(5, 0, 0));
  ASSERT_NE(VLM_CreateSphereCage(6, 2.0f, "Rock"), nullptr);
  EXPECT_EQ(c->Body.pCage, nullptr);
  phystest::Step(0.1f);
  EXPECT_EQ(a->v4fPosition.x, 0.0f);
  EXPECT_EQ(b->v4fPosition.x, 0.5f);
}

}  // namespace
