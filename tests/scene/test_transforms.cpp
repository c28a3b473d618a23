// Placing objects and nodes: every position mode and rotation variant on a
// child of a turned, moved and scaled parent, the three link types, and the
// refusal of numbers that cannot be meant. All expected numbers are worked
// out by hand in the comments.
#include <limits>

#include "scene_fixture.h"
#include "support/test_support.h"

namespace {

using namespace scenetest;

// Euler angles and quaternions go through sin and cos only; 1e-5 covers
// their float rounding at the magnitudes used here (up to 10).
constexpr float kTol = 1e-5f;

// The parent used throughout: node 1 turned 90 degrees about z (x -> y,
// y -> -x), scaled by 2 and moved to (10, 0, 0). Its matrix, rows:
//   (0, 2, 0, 0), (-2, 0, 0, 0), (0, 0, 2, 0), (10, 0, 0, 1).
VLM_NODE* Parent() {
  VLM_NODE* parent = VLM_CreateNode(1, "Parent");
  const v4f at = P(10, 0, 0);
  VLM_NodePosition(1, &at, 0);
  VLM_NodeRotation(1, 0, 0, 90, 0);
  VLM_NodeScale(1, 2, 2, 2, 0);
  return parent;
}

// Row r of an entity's own matrix (the unscaled one for objects).
v4f Row(const m4f& m, int r) { return v4f{m.e[4 * r], m.e[4 * r + 1], m.e[4 * r + 2], m.e[4 * r + 3]}; }

TEST_F(SceneTest, EveryPositionModeOfAChildOfATurnedMovedParent) {
  VLM_NODE* parent = Parent();
  // The child object's own frame is turned 90 degrees about x: x -> x,
  // y -> z, z -> -y; it starts at (1, 2, 3).
  VLM_OBJECT* child = VLM_CreateObject(2, -1, -1, 1, "");
  ASSERT_NE(child, nullptr);
  VLM_AttachEntity(parent, child, VLM_LINK_FULL);
  VLM_ObjectRotation(2, 90, 0, 0, 0);
  const v4f start = P(1, 2, 3);
  auto reset = [&] { ASSERT_EQ(VLM_ObjectPosition(2, &start, 0), 1); };

  // Absolute: (1, 0, 0); in the world (1, 0, 0) x parent = (0, 2, 0) + (10, 0, 0).
  const v4f x{1, 0, 0, 0};
  ASSERT_EQ(VLM_ObjectPosition(2, &x, 0), 1);
  EXPECT_XYZ_NEAR(child->v4fPosition, 1, 0, 0, kTol);
  EXPECT_EQ(child->v4fPosition.w, 1.0f);
  EXPECT_XYZ_NEAR(WorldPoint(child, P(0, 0, 0)), 10, 2, 0, kTol);

  // Relative: (1, 2, 3) + (1, 0, 0).
  reset();
  VLM_ObjectPosition(2, &x, VLM_TRANSFORM_RELATIVE);
  EXPECT_XYZ_NEAR(child->v4fPosition, 2, 2, 3, kTol);
  EXPECT_EQ(child->v4fPosition.w, 1.0f);

  // Relative and local: the own y axis is the parent's z: (1, 2, 3) + (0, 0, 1).
  reset();
  const v4f y{0, 1, 0, 0};
  VLM_ObjectPosition(2, &y, VLM_TRANSFORM_RELATIVE | VLM_TRANSFORM_LOCAL);
  EXPECT_XYZ_NEAR(child->v4fPosition, 1, 2, 4, kTol);

  // Absolute and local: (0, 1, 0) x own matrix with w 0 gives (0, 0, 1); the
  // own translation (1, 2, 3) is dropped and w set back to 1.
  reset();
  VLM_ObjectPosition(2, &y, VLM_TRANSFORM_LOCAL);
  EXPECT_XYZ_NEAR(child->v4fPosition, 0, 0, 1, kTol);
  EXPECT_EQ(child->v4fPosition.w, 1.0f);

  // Relative and parent space: world (0, 1, 0) is half the parent's x axis,
  // so (1, 2, 3) + (0.5, 0, 0).
  reset();
  VLM_ObjectPosition(2, &y, VLM_TRANSFORM_RELATIVE | VLM_TRANSFORM_PARENT);
  EXPECT_XYZ_NEAR(child->v4fPosition, 1.5f, 2, 3, kTol);
  EXPECT_EQ(child->v4fPosition.w, 1.0f);

  // Absolute and parent space: world point (10, 4, 0) less the parent's
  // (10, 0, 0) is (0, 4, 0) = 2 x the parent's x axis (0, 2, 0), so (2, 0, 0),
  // and the child really lands on (10, 4, 0).
  reset();
  const v4f world = P(10, 4, 0);
  VLM_ObjectPosition(2, &world, VLM_TRANSFORM_PARENT);
  EXPECT_XYZ_NEAR(child->v4fPosition, 2, 0, 0, kTol);
  EXPECT_NEAR(child->v4fPosition.w, 1.0f, kTol);
  EXPECT_XYZ_NEAR(WorldPoint(child, P(0, 0, 0)), 10, 4, 0, kTol);

}

TEST_F(SceneTest, LinkTypesFullSecondAndPositionOnly) {
  VLM_NODE* parent = Parent();
  VLM_NODE* child = VLM_CreateNode(2, "");
  ASSERT_EQ(static_cast<void*>(child), static_cast<void*>(&child->header));  // the header comes first
  EXPECT_EQ(child->header.iKind, VLM_ENTITY_NODE);
  EXPECT_EQ(child->header.pSecondMatrix, &child->mMatrixUnscaled);
  const v4f at = P(1, 2, 3);
  VLM_NodePosition(2, &at, 0);

  // 7: (1, 2, 3) x parent = 1 (0, 2, 0) + 2 (-2, 0, 0) + 3 (0, 0, 2) + (10, 0, 0).
  VLM_AttachEntity(parent, child, VLM_LINK_FULL);
  EXPECT_XYZ_NEAR(WorldPoint(child, P(0, 0, 0)), 6, 2, 6, kTol);
  // 3: the parent's matrix without scale: (0, 1, 0) - 2 (1, 0, 0) + 3 (0, 0, 1) + (10, 0, 0).
  VLM_AttachEntity(parent, child, VLM_LINK_SECOND);
  EXPECT_XYZ_NEAR(WorldPoint(child, P(0, 0, 0)), 8, 1, 3, kTol);
  // 1: the parent's position only; a direction is neither turned nor scaled.
  VLM_AttachEntity(parent, child, VLM_LINK_POSITION);
  EXPECT_XYZ_NEAR(WorldPoint(child, P(0, 0, 0)), 11, 2, 3, kTol);
  EXPECT_XYZ_NEAR(WorldPoint(child, v4f{1, 0, 0, 0}), 1, 0, 0, kTol);

  // A grandparent moved by (0, 0, 5) under a position-only link carries
  // everything below along.
  VLM_NODE* grand = VLM_CreateNode(4, "");
  const v4f up = P(0, 0, 5);
  VLM_NodePosition(4, &up, 0);
  VLM_AttachEntity(grand, parent, VLM_LINK_POSITION);
  VLM_AttachEntity(parent, child, VLM_LINK_FULL);
  EXPECT_XYZ_NEAR(WorldPoint(child, P(0, 0, 0)), 6, 2, 11, kTol);
}

TEST_F(SceneTest, RotationVariants) {
  VLM_NODE* parent = Parent();
  VLM_OBJECT* child = VLM_CreateObject(2, -1, -1, 1, "");
  VLM_AttachEntity(parent, child, VLM_LINK_FULL);
  const m4f& own = child->mWorldUnscaled;

  // Absolute: 90 about z: rows (0, 1, 0), (-1, 0, 0), (0, 0, 1).
  VLM_ObjectRotation(2, 0, 0, 90, 0);
  EXPECT_XYZ_NEAR(Row(own, 0), 0, 1, 0, kTol);
  EXPECT_XYZ_NEAR(Row(own, 1), -1, 0, 0, kTol);

  // Relative: about the parent's axes, after the turn there. Start at 90
  // about x, add 90 about z: x -> x -> y; y -> z -> z; z -> -y -> x.
  VLM_ObjectRotation(2, 90, 0, 0, 0);
  VLM_ObjectRotation(2, 0, 0, 90, VLM_TRANSFORM_RELATIVE);
  EXPECT_XYZ_NEAR(Row(own, 0), 0, 1, 0, kTol);
  EXPECT_XYZ_NEAR(Row(own, 1), 0, 0, 1, kTol);
  EXPECT_XYZ_NEAR(Row(own, 2), 1, 0, 0, kTol);

  // Relative and local: about the own axes, before the old turn:
  // x -> y -> z; y -> -x -> -x; z -> z -> -y.
  VLM_ObjectRotation(2, 90, 0, 0, 0);
  VLM_ObjectRotation(2, 0, 0, 90, VLM_TRANSFORM_RELATIVE | VLM_TRANSFORM_LOCAL);
  EXPECT_XYZ_NEAR(Row(own, 0), 0, 0, 1, kTol);
  EXPECT_XYZ_NEAR(Row(own, 1), -1, 0, 0, kTol);
  EXPECT_XYZ_NEAR(Row(own, 2), 0, -1, 0, kTol);

  // Absolute in parent space: the world turn becomes 90 about x whatever
  // the parent's turn: world rows (1, 0, 0), (0, 1, 0) -> (0, 0, 1), ...
  // scaled by the parent's 2.
  VLM_ObjectRotation(2, 90, 0, 0, VLM_TRANSFORM_PARENT);
  m4f world;
  VLM_EntityWorldMatrix(&world, child, 1);
  EXPECT_XYZ_NEAR(Row(world, 0), 2, 0, 0, kTol);
  EXPECT_XYZ_NEAR(Row(world, 1), 0, 0, 2, kTol);
  EXPECT_XYZ_NEAR(Row(world, 2), 0, -2, 0, kTol);

  // Relative in parent space: a turn about the world x axis after the
  // current world turn. From no own turn the world turn is the parent's
  // (x -> y, y -> -x, z -> z); then 90 about world x: x -> y -> z,
  // y -> -x -> -x, z -> z -> -y.
  VLM_ObjectRotation(2, 0, 0, 0, 0);
  VLM_ObjectRotation(2, 90, 0, 0, VLM_TRANSFORM_RELATIVE | VLM_TRANSFORM_PARENT);
  VLM_EntityWorldMatrix(&world, child, 1);
  EXPECT_XYZ_NEAR(Row(world, 0), 0, 0, 2, kTol);
  EXPECT_XYZ_NEAR(Row(world, 1), -2, 0, 0, kTol);
  EXPECT_XYZ_NEAR(Row(world, 2), 0, -2, 0, kTol);

}

TEST_F(SceneTest, ScaleModesAndRefusedNumbers) {
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  VLM_OBJECT* object = VLM_CreateObject(5, -1, -1, 1, "");
  VLM_ObjectScale(5, 2, 3, 4, 0);
  VLM_ObjectScale(5, 0.5f, 2, 1, VLM_TRANSFORM_RELATIVE);
  EXPECT_XYZ_NEAR(object->v4fScale, 1, 6, 4, 0);
  EXPECT_EQ(object->mWorld.e[5], 6.0f);  // row 1 scaled by y, the unscaled matrix not
  EXPECT_EQ(object->mWorldUnscaled.e[5], 1.0f);

  // Refused, and nothing changed: not-a-number, a sum overflowing to
  // infinity, a zero scale, no vector.
  const v4f huge{3e38f, 0, 0, 0};
  const v4f bad{std::numeric_limits<float>::quiet_NaN(), 0, 0, 1};
  EXPECT_EQ(VLM_ObjectPosition(5, &huge, VLM_TRANSFORM_RELATIVE), 1);
  EXPECT_EQ(VLM_ObjectPosition(5, &huge, VLM_TRANSFORM_RELATIVE), 0);
  EXPECT_EQ(VLM_ObjectPosition(5, &bad, 0), 0);
  EXPECT_EQ(VLM_ObjectScale(5, 0, 1, 1, 0), 0);
  EXPECT_EQ(VLM_ObjectPosition(5, nullptr, 0), 0);
  ASSERT_NE(VLM_CreateNode(6, ""), nullptr);
  EXPECT_EQ(VLM_NodeScale(6, 1, 0, 1, VLM_TRANSFORM_RELATIVE), 0);
  EXPECT_XYZ_NEAR(object->v4fPosition, 3e38f, 0, 0, 0);
  EXPECT_EQ(object->mWorld.e[12], 3e38f);
  EXPECT_XYZ_NEAR(object->v4fScale, 1, 6, 4, 0);
  EXPECT_EQ(VLM_ObjectPosition(99, &huge, 0), 0);  // unknown handle

  VLM_OpenLogFile("", 1, 1);
  const std::string body = vlmtest::LogBody(log);
  const std::string refused = "Fail: Numbers must be finite, and a scale must not be 0!";
  EXPECT_NE(body.find(vlmtest::FailRow("VLM_ObjectPosition", refused)), std::string::npos);
  EXPECT_NE(body.find(vlmtest::FailRow("VLM_NodeScale", refused)), std::string::npos);
  EXPECT_NE(body.find(vlmtest::FailRow("VLM_ObjectPosition", "Fail: No position given!")), std::string::npos);
}

TEST_F(SceneTest, ReleasingAParentLetsItsChildrenGo) {
  VLM_NODE* node = VLM_CreateNode(1, "");
  VLM_OBJECT* object = VLM_CreateObject(2, -1, -1, 1, "");
  VLM_OBJECT* body = VLM_CreateBody(3, -1, -1, "");
  VLM_NODE* subNode = VLM_CreateNode(4, "");
  VLM_NODE* other = VLM_CreateNode(5, "");
  VLM_AttachEntity(node, object, VLM_LINK_FULL);
  VLM_AttachEntity(node, body, VLM_LINK_POSITION);
  VLM_AttachEntity(node, subNode, VLM_LINK_SECOND);
  VLM_AttachEntity(subNode, other, VLM_LINK_FULL);
  EXPECT_EQ(VLM_FreeNode(1), 1);
  EXPECT_EQ(object->header.pParent, nullptr);
  EXPECT_EQ(body->header.pParent, nullptr);
  EXPECT_EQ(subNode->header.pParent, nullptr);
  EXPECT_EQ(other->header.pParent, &subNode->header);  // grandchildren keep their own parent

  // An object as parent, released through re-use of its ID.
  VLM_AttachEntity(object, subNode, VLM_LINK_FULL);
  VLM_AttachEntity(object, body, VLM_LINK_FULL);
  ASSERT_NE(VLM_CreateObject(2, -1, -1, 1, ""), nullptr);
  EXPECT_EQ(subNode->header.pParent, nullptr);
  EXPECT_EQ(body->header.pParent, nullptr);
  EXPECT_EQ(VLM_FreeNode(1), 0);
}

}  // namespace
