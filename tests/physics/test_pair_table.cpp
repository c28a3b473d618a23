// The kind table and the pair table agree: every pair of kinds has a shape
// test or a reason why it never touches, the same test serves a pair in
// either order, and a kind with a test has a reach for the broad phase.
#include "mesh/cage_kinds.h"
#include "physics/pair_tests.h"
#include "physics_fixture.h"

namespace {

TEST(PairTable, EveryPairOfKindsIsFilledOrMarkedOnPurpose) {
  const auto kinds = vlm::CageKinds();
  ASSERT_EQ(kinds.size(), 6u);
  for (const vlm::CageKindOps* p : kinds) {
    EXPECT_EQ(&vlm::CageKindOf(p->kind), p) << p->name;
    EXPECT_STREQ(VLM_GetCageKindName(p->kind), p->name);
    for (const vlm::CageKindOps* q : kinds) {
      const vlm::PairTest& cell = vlm::PairTestFor(p->kind, q->kind);
      const vlm::PairTest& mirror = vlm::PairTestFor(q->kind, p->kind);
      const std::string pair = std::string(p->name) + " with " + q->name;
      EXPECT_NE(cell.test == nullptr, cell.why == nullptr) << pair;
      EXPECT_EQ(cell.test, mirror.test) << pair;
      EXPECT_TRUE(!cell.test || (p->reach && q->reach)) << pair;
    }
  }
}

}  // namespace
