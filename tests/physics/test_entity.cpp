// The entity header: world matrices through the link types, attaching and
// detaching, and objects letting go of released parents.
#include "physics_fixture.h"
#include "scene/entity.h"
#include "support/test_support.h"

namespace {

using namespace phystest;

VLM_OBJECT* Placed(VLM_HANDLE id, v4f at, float rz, float scale) {
  VLM_OBJECT* body = VLM_CreateBody(id, -1, -1, "");
  VLM_BodyPosition(id, &at, 0);
  VLM_BodyRotation(id, 0.0f, 0.0f, rz, 0);
  VLM_BodyScale(id, scale, scale, scale, 0);
  return body;
}

v4f Apply(const m4f& m, v4f v) {
  VLM_v4fTransform(&v, &m);
  return v;
}

TEST_F(PhysicsTest, WorldMatrixComposesByLinkType) {
  VLM_OBJECT* parent = Placed(1, P(10, 0, 0), 90.0f, 2.0f);
  VLM_OBJECT* child = Placed(2, P(1, 0, 0), 0.0f, 1.0f);
  m4f m;
  // No parent: own matrix, or the identity.
  VLM_EntityWorldMatrix(&m, child, 1);
  EXPECT_FLOAT_EQ(Apply(m, P(0, 0, 0)).x, 1.0f);
  VLM_EntityWorldMatrix(&m, child, 0);
  EXPECT_FLOAT_EQ(Apply(m, P(3, 0, 0)).x, 3.0f);

  // Full transform: scaled by 2, turned a quarter, moved by 10.
  VLM_AttachEntity(parent, child, VLM_LINK_FULL);
  VLM_EntityWorldMatrix(&m, child, 1);
  v4f p = Apply(m, P(0, 0, 0));
  EXPECT_NEAR(p.x, 10.0f, 1e-5);
  EXPECT_NEAR(p.y, 2.0f, 1e-5);
  // Position only: neither the turn nor the scale.
  VLM_AttachEntity(parent, child, VLM_LINK_POSITION);
  VLM_EntityWorldMatrix(&m, child, 1);
  p = Apply(m, P(0, 0, 0));
  EXPECT_NEAR(p.x, 11.0f, 1e-5);
  EXPECT_NEAR(p.y, 0.0f, 1e-5);
  EXPECT_NEAR(Apply(m, v4f{1, 0, 0, 0}).x, 1.0f, 1e-6);  // directions stay
  // The second matrix: the turn without the scale.
  VLM_AttachEntity(parent, child, VLM_LINK_SECOND);
  VLM_EntityWorldMatrix(&m, child, 1);
  p = Apply(m, P(0, 0, 0));
  EXPECT_NEAR(p.x, 10.0f, 1e-5);
  EXPECT_NEAR(p.y, 1.0f, 1e-5);
  // Any other link type adds nothing.
  VLM_AttachEntity(parent, child, 5);
  VLM_EntityWorldMatrix(&m, child, 1);
  EXPECT_NEAR(Apply(m, P(0, 0, 0)).x, 1.0f, 1e-6);

  // Two levels: the grandparent's transform follows the parent's.
  VLM_OBJECT* grand = Placed(3, P(0, 0, 5), 0.0f, 1.0f);
  VLM_AttachEntity(grand, parent, VLM_LINK_FULL);
  VLM_AttachEntity(parent, child, VLM_LINK_FULL);
  VLM_EntityWorldMatrix(&m, child, 1);
  p = Apply(m, P(0, 0, 0));
  EXPECT_NEAR(p.z, 5.0f, 1e-5);
  EXPECT_NEAR(p.y, 2.0f, 1e-5);
  EXPECT_EQ(VLM_EntityWorldMatrix(nullptr, child, 1), nullptr);
  EXPECT_EQ(VLM_EntityWorldMatrix(&m, nullptr, 1), nullptr);
}

TEST_F(PhysicsTest, AttachingRefusesLoopsAndNullDetaches) {
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  VLM_OBJECT* a = Placed(1, P(0, 0, 0), 0.0f, 1.0f);
  VLM_OBJECT* b = Placed(2, P(0, 0, 0), 0.0f, 1.0f);
  VLM_AttachEntity(a, b, VLM_LINK_FULL);
  VLM_AttachEntity(b, a, VLM_LINK_FULL);  // would loop
  VLM_AttachEntity(a, a, VLM_LINK_FULL);
  EXPECT_EQ(a->header.pParent, nullptr);
  EXPECT_EQ(b->header.pParent, &a->header);
  VLM_AttachEntity(nullptr, b, VLM_LINK_FULL);
  EXPECT_EQ(b->header.pParent, nullptr);
  EXPECT_EQ(VLM_AttachEntity(a, nullptr, 7), 0);
  VLM_OpenLogFile("", 1, 1);
  const std::string text = vlmtest::LogBody(log);
  size_t rows = 0;
  for (size_t at = 0; (at = text.find("Fail: An entity cannot hang on itself", at)) != std::string::npos; ++at) ++rows;
  EXPECT_EQ(rows, 2u);
}

TEST_F(PhysicsTest, ObjectOnABodyFollowsItAndLetsGoOfAReleasedParent) {
  VLM_SetGravity(0.0f, -10.0f, 0.0f);
  VLM_OBJECT* body = phystest::Body(48, -1, 1.0f, P(0, 10, 0));
  VLM_HANDLE id = 7;
  VLM_OBJECT* object = VLM_CreateObjectListEntry(&id, "");
  VLM_AttachEntity(body, object, VLM_LINK_FULL);
  phystest::Step(0.1f);
  m4f m;
  VLM_EntityWorldMatrix(&m, object, 1);
  EXPECT_NEAR(m.e[13], 9.9f, 1e-5);
  VLM_OBJECT* child = VLM_CreateBody(3, -1, -1, "");
  VLM_AttachEntity(object, child, VLM_LINK_FULL);
  EXPECT_EQ(VLM_FreeObject(7), 1);
  EXPECT_EQ(child->header.pParent, nullptr);
  (void)body;
}

}  // namespace
