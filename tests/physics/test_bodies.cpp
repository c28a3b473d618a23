// Bodies: creation defaults, filing by mass, inertia by cage kind and scale,
// velocities, transforms, release, materials and the record layout.
#include <algorithm>

#include "physics/body.h"
#include "physics/world.h"
#include "physics_fixture.h"
#include "support/test_support.h"

namespace {

using namespace phystest;

bool Listed(const std::vector<VLM_OBJECT*>& list, const VLM_OBJECT* body) {
  return std::count(list.begin(), list.end(), body) == 1;
}

TEST_F(PhysicsTest, NewBodyHasTheDefaultsAndIsFiledAsNonDynamic) {
  VLM_OBJECT* body = VLM_CreateBody(4, -2, -1, "Ball");
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(VLM_ResolveBody(4), body);
  EXPECT_EQ(body->header.iKind, VLM_ENTITY_BODY);
  EXPECT_EQ(body->header.pMatrix, &body->mWorld);
  EXPECT_EQ(body->header.pSecondMatrix, &body->mWorldUnscaled);
  EXPECT_EQ(body->Body.iFilter, 0xFFFF);
  EXPECT_EQ(body->Body.iCollision, 1);
  EXPECT_EQ(body->Body.fMass, 0.0f);
  EXPECT_EQ(body->v4fScale.x, 1.0f);
  EXPECT_EQ(body->v4fScale.w, 0.0f);
  EXPECT_EQ(body->q4fOrientation.w, 1.0f);
  EXPECT_EQ(body->v4fPosition.w, 1.0f);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(body->mWorld.e[i], (i % 5 == 0) ? 1.0f : 0.0f);
  ASSERT_NE(body->Body.pCage, nullptr);
  EXPECT_EQ(body->Body.pCage->iKind, VLM_CAGE_POINT);
  EXPECT_EQ(body->Body.pMaterial, &World().defaultMaterial);
  EXPECT_FLOAT_EQ(body->Body.pMaterial->fElasticity, 0.6f);
  EXPECT_FLOAT_EQ(body->Body.pMaterial->fFriction, 0.3f);
  EXPECT_TRUE(Listed(vlm::StaticBodies(), body));
  EXPECT_FALSE(Listed(vlm::DynamicBodies(), body));
  EXPECT_EQ(VLM_CountBodies(0), 1);

  VLM_OBJECT* none = VLM_CreateBody(-1, -1, -1, "");
  ASSERT_NE(none, nullptr);
  EXPECT_GT(H(none), 0xFFFF);
  EXPECT_EQ(none->Body.pCage, nullptr);
}

TEST_F(PhysicsTest, MassAcrossZeroMovesTheBodyBetweenTheLists) {
  VLM_OBJECT* body = VLM_CreateBody(1, -2, -1, "");
  ASSERT_TRUE(VLM_SetBodyMass(1, 2.0f));
  EXPECT_TRUE(Listed(vlm::DynamicBodies(), body));
  EXPECT_FALSE(Listed(vlm::StaticBodies(), body));
  ASSERT_TRUE(VLM_SetBodyMass(1, 3.0f));  // stays, filed once
  EXPECT_TRUE(Listed(vlm::DynamicBodies(), body));
  EXPECT_EQ(VLM_CountBodies(1), 1);
  ASSERT_TRUE(VLM_SetBodyMass(1, 0.0f));
  EXPECT_TRUE(Listed(vlm::StaticBodies(), body));
  EXPECT_FALSE(Listed(vlm::DynamicBodies(), body));
}

TEST_F(PhysicsTest, NegativeOrNonFiniteMassIsRefusedWithALogRow) {
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  VLM_CreateBody(1, -2, -1, "");
  EXPECT_EQ(VLM_SetBodyMass(1, -1.0f), 0);
  EXPECT_EQ(VLM_SetBodyMass(1, std::nanf("")), 0);
  EXPECT_EQ(VLM_ResolveBody(1)->Body.fMass, 0.0f);
  EXPECT_EQ(VLM_SetBodyMass(77, 1.0f), 0);  // no such body: no row
  VLM_OpenLogFile("", 1, 1);
  const std::string body = vlmtest::LogBody(log);
  size_t rows = 0;
  for (size_t at = 0; (at = body.find("Fail: A body's mass", at)) != std::string::npos; ++at) ++rows;
  EXPECT_EQ(rows, 2u);
}

TEST_F(PhysicsTest, InertiaFollowsCageKindMassAndScale) {
  VLM_CreateSphereCage(3, 2.0f, "");  // radius 1
  VLM_OBJECT* ball = VLM_CreateBody(1, 3, -1, "");
  VLM_BodyScale(1, 2.0f, 7.0f, 7.0f, 0);  // spheres use scale x only
  VLM_SetBodyMass(1, 5.0f);
  EXPECT_FLOAT_EQ(ball->Body.mInertia.e[0], 8.0f);  // 0.4 * 5 * (1 * 2)^2
  EXPECT_FLOAT_EQ(ball->Body.mInertia.e[5], 8.0f);
  EXPECT_FLOAT_EQ(ball->Body.mInertia.e[10], 8.0f);
  EXPECT_FLOAT_EQ(ball->Body.mInertia.e[15], 1.0f);

  VLM_CreateBoxCage(5, 2.0f, 4.0f, 6.0f, "");  // half extents 1, 2, 3
  VLM_OBJECT* box = VLM_CreateBody(2, 5, -1, "");
  VLM_BodyScale(2, 1.0f, 1.0f, 2.0f, 0);  // -> 1, 2, 6
  VLM_SetBodyMass(2, 3.0f);
  EXPECT_FLOAT_EQ(box->Body.mInertia.e[0], 40.0f);  // 3/3 * (4 + 36)
  EXPECT_FLOAT_EQ(box->Body.mInertia.e[5], 37.0f);  // 1 + 36
  EXPECT_FLOAT_EQ(box->Body.mInertia.e[10], 5.0f);  // 1 + 4
  EXPECT_FLOAT_EQ(box->Body.mInertia.e[1], 0.0f);

  VLM_OBJECT* point = VLM_CreateBody(3, -2, -1, "");
  VLM_SetBodyMass(3, 9.0f);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(point->Body.mInertia.e[i], (i % 5 == 0) ? 1.0f : 0.0f);

  // Without a formula (no cage, STICK) the inertia stays the unit matrix.
  VLM_OBJECT* bare = VLM_CreateBody(4, -1, -1, "");
  VLM_SetBodyMass(4, 9.0f);
  EXPECT_EQ(bare->Body.mInertia.e[0], 1.0f);
  EXPECT_EQ(bare->Body.mInertia.e[10], 1.0f);
}

TEST_F(PhysicsTest, VelocityFlagsAddAndTakeTheBodyFrame) {
  VLM_OBJECT* body = VLM_CreateBody(1, -2, -1, "");
  VLM_SetBodyVelocity(1, nullptr, 1.0f, 2.0f, 3.0f, 0);
  EXPECT_EQ(body->Body.v4fVelocity.x, 1.0f);
  EXPECT_EQ(body->Body.v4fVelocity.z, 3.0f);
  const v4f more = D(1.0f, 1.0f, 1.0f);
  VLM_SetBodyVelocity(1, &more, 0, 0, 0, VLM_VELOCITY_ADD);
  EXPECT_EQ(body->Body.v4fVelocity.y, 3.0f);
  // A point given by mistake still yields a direction.
  const v4f point = P(4.0f, 0.0f, 0.0f);
  VLM_SetBodyVelocity(1, &point, 0, 0, 0, 0);
  EXPECT_EQ(body->Body.v4fVelocity.w, 0.0f);

  // Turned by 90 degrees about y, the body's x axis is the world's -z.
  VLM_BodyRotation(1, 0.0f, 90.0f, 0.0f, 0);
  VLM_SetBodyVelocity(1, nullptr, 1.0f, 0.0f, 0.0f, VLM_VELOCITY_BODY_FRAME);
  EXPECT_NEAR(body->Body.v4fVelocity.x, 0.0f, 1e-6);
  EXPECT_NEAR(body->Body.v4fVelocity.z, -1.0f, 1e-6);
  VLM_SetBodyAngularVelocity(1, nullptr, 2.0f, 0.0f, 0.0f, VLM_VELOCITY_BODY_FRAME | VLM_VELOCITY_ADD);
  EXPECT_NEAR(body->Body.v4fAngularVelocity.z, -2.0f, 1e-6);
  EXPECT_EQ(VLM_SetBodyVelocity(99, nullptr, 1, 1, 1, 0), 0);
}

TEST_F(PhysicsTest, BodyPositionRotationAndScaleFollowTheTransformModes) {
  VLM_OBJECT* body = VLM_CreateBody(1, -2, -1, "");
  const v4f at = P(1.0f, 2.0f, 3.0f);
  VLM_BodyPosition(1, &at, 0);
  EXPECT_EQ(body->mWorld.e[12], 1.0f);
  EXPECT_EQ(body->mWorld.e[14], 3.0f);
  const v4f step = D(1.0f, 0.0f, 0.0f);
  VLM_BodyPosition(1, &step, VLM_TRANSFORM_RELATIVE);
  EXPECT_EQ(body->v4fPosition.x, 2.0f);
  EXPECT_EQ(body->v4fPosition.w, 1.0f);

  // Relative and local: along the body's own (rotated, scaled) x axis.
  VLM_BodyRotation(1, 0.0f, 90.0f, 0.0f, 0);
  VLM_BodyScale(1, 2.0f, 2.0f, 2.0f, 0);
  VLM_BodyPosition(1, &step, VLM_TRANSFORM_RELATIVE | VLM_TRANSFORM_LOCAL);
  EXPECT_NEAR(body->v4fPosition.x, 2.0f, 1e-6);
  EXPECT_NEAR(body->v4fPosition.z, 1.0f, 1e-6);  // 3 - 2
  // Absolute and local: the own matrix's translation is dropped.
  VLM_BodyPosition(1, &step, VLM_TRANSFORM_LOCAL);
  EXPECT_NEAR(body->v4fPosition.x, 0.0f, 1e-6);
  EXPECT_NEAR(body->v4fPosition.z, -2.0f, 1e-6);
  EXPECT_EQ(body->v4fPosition.w, 1.0f);
  EXPECT_NEAR(body->mWorld.e[2], -2.0f, 1e-6);  // scaled rows

  VLM_BodyScale(1, 0.5f, 1.0f, 2.0f, VLM_TRANSFORM_RELATIVE);
  EXPECT_EQ(body->v4fScale.x, 1.0f);
  EXPECT_EQ(body->v4fScale.z, 4.0f);

  // Rotation: relative about the parent's axes is q x orientation.
  VLM_BodyRotation(1, 0.0f, 0.0f, 0.0f, 0);
  VLM_BodyRotation(1, 90.0f, 0.0f, 0.0f, VLM_TRANSFORM_RELATIVE);
  VLM_BodyRotation(1, 0.0f, 90.0f, 0.0f, VLM_TRANSFORM_RELATIVE);
  v4f x{1, 0, 0, 0};
  VLM_v4fTransform(&x, &body->mWorldUnscaled);  // x -> (x about x) -> then about y: -z
  EXPECT_NEAR(x.z, -1.0f, 1e-6);
  // Relative and local: orientation x q, about the body's own axes.
  VLM_BodyRotation(1, 0.0f, 0.0f, 0.0f, 0);
  VLM_BodyRotation(1, 90.0f, 0.0f, 0.0f, VLM_TRANSFORM_RELATIVE);
  VLM_BodyRotation(1, 0.0f, 90.0f, 0.0f, VLM_TRANSFORM_RELATIVE | VLM_TRANSFORM_LOCAL);
  x = v4f{1, 0, 0, 0};
  VLM_v4fTransform(&x, &body->mWorldUnscaled);  // own y is world z after the x turn: x -> y
  EXPECT_NEAR(x.y, 1.0f, 1e-6);
  EXPECT_EQ(VLM_BodyPosition(1, nullptr, 0), 0);
}

TEST_F(PhysicsTest, ParentSpacePositionGoesThroughTheInverseParentChain) {
  VLM_OBJECT* parent = VLM_CreateBody(1, -2, -1, "");
  VLM_OBJECT* child = VLM_CreateBody(2, -2, -1, "");
  const v4f at = P(10.0f, 0.0f, 0.0f);
  VLM_BodyPosition(1, &at, 0);
  VLM_BodyRotation(1, 0.0f, 0.0f, 90.0f, 0);
  VLM_AttachEntity(parent, child, VLM_LINK_FULL);
  const v4f world = P(10.0f, 1.0f, 0.0f);
  VLM_BodyPosition(2, &world, VLM_TRANSFORM_PARENT);
  EXPECT_NEAR(child->v4fPosition.x, 1.0f, 1e-5);  // the parent's x axis is world y
  EXPECT_NEAR(child->v4fPosition.y, 0.0f, 1e-5);
  m4f composed;
  VLM_EntityWorldMatrix(&composed, child, 1);
  EXPECT_NEAR(composed.e[12], 10.0f, 1e-5);
  EXPECT_NEAR(composed.e[13], 1.0f, 1e-5);
  // Absolute rotation in parent space: the world orientation is the one asked.
  VLM_BodyRotation(2, 0.0f, 0.0f, 0.0f, VLM_TRANSFORM_PARENT);
  VLM_EntityWorldMatrix(&composed, child, 1);
  EXPECT_NEAR(composed.e[0], 1.0f, 1e-5);
  EXPECT_NEAR(composed.e[5], 1.0f, 1e-5);
}

TEST_F(PhysicsTest, ReleasedBodyLeavesListsJointsAndChildren) {
  VLM_OBJECT* a = phystest::Body(1, -2, 1.0f, P(0, 0, 0));
  phystest::Body(2, -2, 1.0f, P(2, 0, 0));
  VLM_OBJECT* object = VLM_CreateObjectListEntry(nullptr, "") ;
  ASSERT_NE(object, nullptr);
  VLM_AttachEntity(a, object, VLM_LINK_FULL);
  ASSERT_NE(VLM_CreateJoint(7, VLM_JOINT_ROD, 1, 2, 0, 0, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(VLM_FreeBody(1), 1);
  EXPECT_EQ(VLM_ResolveBody(1), nullptr);
  EXPECT_EQ(VLM_ResolveJoint(7), nullptr);
  EXPECT_TRUE(VLM_ResolveBody(2)->Body.joints.empty());
  EXPECT_EQ(VLM_CountJoints(), 0);
  EXPECT_EQ(VLM_CountBodies(1), 1);
  EXPECT_EQ(object->header.pParent, nullptr);
  // Re-using an ID releases the earlier body silently.
  VLM_OBJECT* second = VLM_CreateBody(2, -2, -1, "");
  EXPECT_EQ(VLM_CountBodies(1), 0);
  EXPECT_EQ(VLM_CountBodies(0), 1);
  EXPECT_EQ(VLM_ResolveBody(2), second);
  Step(0.1f);  // nothing dangles
}

TEST_F(PhysicsTest, MaterialsMissingCagesAndReleasedMaterials) {
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  VLM_SURFACE* rubber = VLM_CreatePhysicalMaterial(59, 0.5f, 0.3f, "Rubber");
  ASSERT_NE(rubber, nullptr);
  EXPECT_EQ(VLM_ResolveSurface(59), rubber);
  EXPECT_EQ(rubber->fElasticity, 0.5f);
  VLM_OBJECT* body = VLM_CreateBody(1, 2, 59, "");  // cage 2 does not exist
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(body->Body.pCage, nullptr);
  EXPECT_EQ(body->Body.pMaterial, rubber);
  VLM_OBJECT* other = VLM_CreateBody(2, -2, 12, "");  // material 12 does not exist
  EXPECT_EQ(other->Body.pMaterial, &World().defaultMaterial);
  EXPECT_EQ(VLM_FreeSurface(59), 1);
  EXPECT_EQ(body->Body.pMaterial, &World().defaultMaterial);
  EXPECT_EQ(VLM_CreatePhysicalMaterial(70000, 1, 1, ""), nullptr);
  VLM_OpenLogFile("", 1, 1);
  const std::string text = vlmtest::LogBody(log);
  EXPECT_NE(text.find("Cage not found"), std::string::npos);
  EXPECT_NE(text.find("Physical material not found"), std::string::npos);
  EXPECT_NE(text.find("Fail: This ID is not available!"), std::string::npos);
}

TEST(PhysicsLayout, ObjectFieldsSitWhereThisBuildExpectsThem) {
  const auto facts = vlm::ObjectLayoutFacts();
  ASSERT_EQ(facts.size(), 2u);
  for (const auto& fact : facts) EXPECT_EQ(fact.actual, fact.expected) << fact.message;
  EXPECT_EQ(facts[0].message, "Offset of VLM_OBJECT\\v4fPosition was changed! Update ASM code to " +
                                  std::to_string(vlm::kObjectPositionOffset));
  EXPECT_EQ(facts[1].message, "Offset of VLM_OBJECT\\Body\\v4fMovement was changed! Update ASM code " +
                                  std::to_string(vlm::kObjectMovementOffset));
  EXPECT_EQ(vlm::CheckRecordLayout(facts), 0);
}

}  // namespace
