// The debug view's line list: which lines each cage kind, leaf box and joint
// gives, their colours, and the buffer's capacity.
#include "physics/debug_view.h"
#include "physics_fixture.h"

namespace {

using namespace phystest;

size_t LinesOf(const v4f& colour) {
  size_t n = 0;
  const auto& lines = World().debugLines;
  for (size_t i = 0; i + 1 < lines.size(); i += 2) {
    const v4f& c = lines[i].v4fColour;
    if (std::fabs(c.x - colour.x) < 1e-6f && std::fabs(c.y - colour.y) < 1e-6f &&
        std::fabs(c.z - colour.z) < 1e-6f && std::fabs(c.w - colour.w) < 1e-6f) {
      ++n;
    }
  }
  return n;
}

v4f Colour(uint32_t c) {
  v4f v;
  VLM_v4fFromColor(&v, c);
  return v;
}

TEST_F(PhysicsTest, DebugViewDrawsCagesLeafBoxesAndJoints) {
  phystest::PlateCage(2, 1.0f);  // 2 faces, 5 edges, one leaf
  VLM_CreateSphereCage(3, 2.0f, "");
  VLM_OBJECT* plate = Body(1, 2, 0.0f, P(0, 0, 0));
  VLM_BodyScale(1, 3.0f, 3.0f, 3.0f, 0);
  Body(2, 3, 1.0f, P(5, 0, 0));
  Body(3, -2, 1.0f, P(0, 5, 0));
  VLM_UpdatePhysics(1);  // no time passes, the lines are built
  EXPECT_EQ(LinesOf(Colour(0x40FFC0)), 6u);   // three medians per face
  EXPECT_EQ(LinesOf(Colour(0xFFFFFF)), 2u);   // one normal per face
  EXPECT_EQ(LinesOf(Colour(0x40FF40)), 5u);   // edges
  EXPECT_EQ(LinesOf(Colour(0xFFFF00)), 12u);  // the plate's leaf box
  // Sphere rings and the point's cross share their colour.
  const size_t shapes = LinesOf(Colour(0xC000));
  EXPECT_EQ(shapes, 3u * 24u + 3u);
  // Lines are in world space: the plate's first median starts at a scaled corner.
  const auto& first = World().debugLines[0].v4fPosition;
  EXPECT_NEAR(std::fabs(first.x), 3.0f, 1e-5);
  (void)plate;
  // Without the flag the list is left alone.
  World().debugLines.clear();
  VLM_UpdatePhysics(0);
  EXPECT_TRUE(World().debugLines.empty());
}

TEST_F(PhysicsTest, JointLinesRunWhiteToRedWhenStretchedAndToBlueWhenPressed) {
  Body(1, -1, 0.0f, P(0, 0, 0));
  Body(2, -1, 0.0f, P(1, 0, 0));
  VLM_CreateJoint(1, VLM_JOINT_SPRING, 1, 2, 0, 0, 0, 0, 0, 0);  // rest 1
  VLM_SetJointLength(1, 0.9f);  // stretched by 0.1: t = 0.1 / 0.9 * 5
  vlm::BuildDebugView(World());
  ASSERT_EQ(World().debugLines.size(), 2u);
  const float t = 0.1f / 0.9f * 5.0f;
  v4f c = World().debugLines[0].v4fColour;
  EXPECT_FLOAT_EQ(c.x, 1.0f);
  EXPECT_NEAR(c.y, 1.0f - t, 1e-5);
  EXPECT_NEAR(c.z, 1.0f - t, 1e-5);
  EXPECT_EQ(World().debugLines[1].v4fPosition.x, 1.0f);
  VLM_SetJointLength(1, 1.5f);  // pressed by 0.5: t clamps at 1
  vlm::BuildDebugView(World());
  c = World().debugLines[0].v4fColour;
  EXPECT_FLOAT_EQ(c.x, 0.0f);
  EXPECT_FLOAT_EQ(c.z, 1.0f);
  VLM_SetJointLength(1, 0.0f);  // no rest length: full colour, no division
  vlm::BuildDebugView(World());
  c = World().debugLines[0].v4fColour;
  EXPECT_FLOAT_EQ(c.y, 0.0f);
}

TEST_F(PhysicsTest, DebugLinesStopAtTheBufferCapacity) {
  VLM_CreateSphereCage(3, 2.0f, "");
  for (int i = 0; i < 200; ++i) Body(-1, 3, 0.0f, P(3.0f * i, 0, 0));  // 72 lines each
  vlm::BuildDebugView(World());
  EXPECT_LE(World().debugLines.size(), vlm::kDebugLineCapacity);
  EXPECT_EQ(World().debugLines.size() % 2, 0u);
  EXPECT_GT(World().debugLines.size(), vlm::kDebugLineCapacity - 2 * 72);
}

}  // namespace
