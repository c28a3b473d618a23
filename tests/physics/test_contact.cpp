// Contact resolution with numbers worked out by hand: bounces, head-on
// exchange, friction that never turns the sliding round, rolling resistance
// and rigid-rod compounds.
#include <cmath>

#include "physics_fixture.h"

namespace {

using namespace phystest;

void SetContact(const v4f& point, const v4f& normal) {
  World().lastImpact.v4fPoint = point;
  World().lastImpact.v4fNormal = normal;
}

class ContactTest : public PhysicsTest {
 protected:
  void SetUp() override {
    PhysicsTest::SetUp();
    VLM_CreateSphereCage(3, 2.0f, "");  // radius 1: inertia 0.4 m
    VLM_CreateBoxCage(5, 2.0f, VLM_DEFAULTF, VLM_DEFAULTF, "");
  }
  // Elasticities multiply, frictions add.
  void Materials(float elasticity, float friction) {
    VLM_CreatePhysicalMaterial(1, 1.0f, 0.0f, "");
    VLM_CreatePhysicalMaterial(2, elasticity, friction, "");
  }
};

TEST_F(ContactTest, BounceOnAFixedBodyWithFullAndNoElasticity) {
  for (float e : {1.0f, 0.0f}) {
    Materials(e, 0.0f);
    Body(1, 5, 0.0f, P(0, -1, 0), 1);
    VLM_OBJECT* ball = Body(2, 3, 1.0f, P(0, 1, 0), 2);
    VLM_SetBodyVelocity(2, nullptr, 0.0f, -2.0f, 0.0f, 0);
    SetContact(P(0, 0, 0), D(0, 1, 0));
    ASSERT_EQ(VLM_ResolveContact(1, 2), 1);
    EXPECT_FLOAT_EQ(World().lastImpact.fSpeed, 2.0f);
    EXPECT_FLOAT_EQ(ball->Body.v4fVelocity.y, 2.0f * e);  // j = (1 + e) * 2
    EXPECT_EQ(ball->Body.v4fVelocity.x, 0.0f);
    EXPECT_EQ(ball->Body.v4fAngularVelocity.z, 0.0f);
    // The order of the two bodies does not change the impulse.
    VLM_SetBodyVelocity(2, nullptr, 0.0f, -2.0f, 0.0f, 0);
    VLM_ResolveContact(2, 1);
    EXPECT_FLOAT_EQ(ball->Body.v4fVelocity.y, 2.0f * e);
  }
}

TEST_F(ContactTest, OffCentreContactOfTwoMovingBodiesSpinsBothTheSameWay) {
  // Boxes of half-extent 1 (inverse inertia 1.5), A at the origin moving +x
  // at 2, B at (2, 1, 0) moving -x at 1, touching at (1, 0.5, 0) with n = x.
  // rA = (1, 0.5, 0), kA = rA x n = (0, 0, -0.5); rB = (-1, -0.5, 0),
  // kB = (0, 0, 0.5). vn = 3, K = 1 + 1 + 1.5 * 0.25 * 2 = 2.75,
  // j = 2 * 3 / 2.75 = 24/11. A: v = 2 - j = -2/11, w = -(kA * 1.5) j = 18/11;
  // B: v = -1 + j = 13/11, w = (kB * 1.5) j = 18/11.
  Materials(1.0f, 0.0f);
  VLM_OBJECT* a = Body(1, 5, 1.0f, P(0, 0, 0), 2);
  VLM_OBJECT* b = Body(2, 5, 1.0f, P(2, 1, 0), 2);
  VLM_SetBodyVelocity(1, nullptr, 2.0f, 0.0f, 0.0f, 0);
  VLM_SetBodyVelocity(2, nullptr, -1.0f, 0.0f, 0.0f, 0);
  SetContact(P(1, 0.5f, 0), D(1, 0, 0));
  VLM_ResolveContact(1, 2);
  EXPECT_NEAR(a->Body.v4fVelocity.x, -2.0f / 11.0f, 1e-5f);
  EXPECT_NEAR(b->Body.v4fVelocity.x, 13.0f / 11.0f, 1e-5f);
  EXPECT_NEAR(a->Body.v4fAngularVelocity.z, 18.0f / 11.0f, 1e-5f);
  EXPECT_NEAR(b->Body.v4fAngularVelocity.z, 18.0f / 11.0f, 1e-5f);
  // Angular momentum about the contact (I w + (c - p) x m v), 1.5 before.
  const float inertia = 2.0f / 3.0f;
  const float lA = inertia * a->Body.v4fAngularVelocity.z + 0.5f * a->Body.v4fVelocity.x;
  const float lB = inertia * b->Body.v4fAngularVelocity.z - 0.5f * b->Body.v4fVelocity.x;
  EXPECT_NEAR(lA + lB, 1.5f, 1e-5f);
}

TEST_F(ContactTest, EqualMassesMeetingHeadOnSwapVelocities) {
  Materials(1.0f, 0.0f);
  VLM_OBJECT* a = Body(1, 3, 1.0f, P(-1, 0, 0), 2);
  VLM_OBJECT* b = Body(2, 3, 1.0f, P(1, 0, 0), 2);
  VLM_SetBodyVelocity(1, nullptr, 3.0f, 0.0f, 0.0f, 0);
  VLM_SetBodyVelocity(2, nullptr, -3.0f, 0.0f, 0.0f, 0);
  SetContact(P(0, 0, 0), D(1, 0, 0));
  VLM_ResolveContact(1, 2);
  EXPECT_FLOAT_EQ(a->Body.v4fVelocity.x, -3.0f);
  EXPECT_FLOAT_EQ(b->Body.v4fVelocity.x, 3.0f);
  EXPECT_EQ(a->Body.v4fAngularVelocity.y, 0.0f);
  // Two fixed bodies: nothing can act.
  VLM_OBJECT* c = Body(3, 3, 0.0f, P(5, 0, 0));
  Body(4, 3, 0.0f, P(7, 0, 0));
  VLM_SetBodyVelocity(3, nullptr, 1.0f, 0.0f, 0.0f, 0);
  VLM_ResolveContact(3, 4);
  EXPECT_EQ(c->Body.v4fVelocity.x, 1.0f);
}

TEST_F(ContactTest, FrictionStopsTheSlidingButNeverReversesIt) {
  // Ball of radius 1 sliding at 5 onto fixed ground with a huge friction:
  // vn = 1, f = 20, clamped to |u| = 5; jt = 5 / (1 + 2.5) = 10/7.
  Materials(0.0f, 20.0f);
  Body(1, 5, 0.0f, P(0, -1, 0), 1);
  VLM_OBJECT* ball = Body(2, 3, 1.0f, P(0, 1, 0), 2);
  VLM_SetBodyVelocity(2, nullptr, 5.0f, -1.0f, 0.0f, 0);
  SetContact(P(0, 0, 0), D(0, 1, 0));
  VLM_ResolveContact(1, 2);
  const auto& b = ball->Body;
  EXPECT_NEAR(b.v4fVelocity.y, 0.0f, 1e-6);
  // The friction direction t comes from the reciprocal square root estimate, |t| = 1 + d1,
  // d1 <= 1.5 * 2^-12: 5 |t| / (1 + 2.5 |t|^2) = 10/7 (1 - 0.43 d1), off by 0.62 d1 = 2.3e-4.
  EXPECT_NEAR(b.v4fVelocity.x, 5.0f - 10.0f / 7.0f, 2.5e-4);
  // Friction leaves the contact point at rest (rolling, not reversed);
  // rolling resistance then slows the spin, so the point slides forward again.
  const float rolling = b.v4fVelocity.x + b.v4fAngularVelocity.z * 1.0f;  // w x (0, -1, 0)
  // Rolling resistance then slows the spin: 0.1 f = 2 -> 2 / 2.5 * 2.5 = 2.
  // Its axis w is estimated too, |w| = 1 + d2: the spin is off by 25/7 * 0.43 d1 + 2 d2
  // <= 3.53 d = 1.3e-3, the rolling speed by 5 * 0.43 d1 + 2 d2 <= 4.14 d = 1.52e-3.
  EXPECT_NEAR(b.v4fAngularVelocity.z, -25.0f / 7.0f + 2.0f, 1.4e-3);
  EXPECT_NEAR(rolling, 2.0f, 1.6e-3);

  // Whatever the friction, the sliding speed changes by at most |u|.
  for (float mu : {0.5f, 5.0f, 500.0f}) {
    Materials(0.0f, mu);
    VLM_OBJECT* slider = Body(3, 5, 1.0f, P(10, 1, 0), 2);
    VLM_SetBodyVelocity(3, nullptr, 2.0f, -1.0f, 0.0f, 0);
    SetContact(P(10, 0, 0), D(0, 1, 0));
    VLM_ResolveContact(1, 3);
    const auto& s = slider->Body;
    const float slip = s.v4fVelocity.x + s.v4fAngularVelocity.z * 1.0f;
    EXPECT_GE(slip, -1e-3f) << mu;
    EXPECT_LE(s.v4fVelocity.x, 2.0f) << mu;
    VLM_FreeBody(3);
  }
}

TEST_F(ContactTest, TinySpinDifferenceHasNoRollingResistance) {
  Materials(0.0f, 1.0f);
  Body(1, 5, 0.0f, P(0, -1, 0), 1);
  VLM_OBJECT* ball = Body(2, 3, 1.0f, P(0, 1, 0), 2);
  VLM_SetBodyVelocity(2, nullptr, 0.0f, -1.0f, 0.0f, 0);
  VLM_SetBodyAngularVelocity(2, nullptr, 0.0f, 0.0009f, 0.0f, 0);  // about the normal: no friction lever
  SetContact(P(0, 0, 0), D(0, 1, 0));
  VLM_ResolveContact(1, 2);
  EXPECT_EQ(ball->Body.v4fAngularVelocity.y, 0.0009f);
  VLM_SetBodyVelocity(2, nullptr, 0.0f, -1.0f, 0.0f, 0);
  VLM_SetBodyAngularVelocity(2, nullptr, 0.0f, 0.01f, 0.0f, 0);
  VLM_ResolveContact(1, 2);
  // f = 1, so 0.1 would be allowed: clamped to the spin difference itself. The axis comes
  // from the reciprocal square root estimate, d <= 1.5 * 2^-12: 0.01 d = 3.7e-6 may stay.
  EXPECT_NEAR(ball->Body.v4fAngularVelocity.y, 0.0f, 1e-5);
}

TEST_F(ContactTest, RodCompoundTurnsAboutItsCentreOfMass) {
  // Two unit balls on a rod of length 2, falling flat at 2; the left one
  // lands. Compound: m = 2, centre (0, 1, 0), I = diag(0.8, 2.8, 2.8);
  // kB = (0, 0, -1), j = 4 / (0.5 + 1/2.8) = 14/3.
  Materials(1.0f, 0.0f);
  Body(1, 5, 0.0f, P(0, -1, 0), 1);
  VLM_OBJECT* left = Body(2, 3, 1.0f, P(-1, 1, 0), 2);
  VLM_OBJECT* right = Body(3, 3, 1.0f, P(1, 1, 0), 2);
  VLM_JOINT* rod = VLM_CreateJoint(1, VLM_JOINT_ROD, 2, 3, 0, 0, 0, 0, 0, 0);
  VLM_SetBodyVelocity(2, nullptr, 0.0f, -2.0f, 0.0f, 0);
  VLM_SetBodyVelocity(3, nullptr, 0.0f, -2.0f, 0.0f, 0);
  SetContact(P(-1, 0, 0), D(0, 1, 0));
  VLM_ResolveContact(1, 2);
  EXPECT_NEAR(rod->v4fSharedVelocity.y, -2.0f + 7.0f / 3.0f, 1e-4);
  EXPECT_NEAR(rod->v4fSharedAngularVelocity.z, -5.0f / 3.0f, 1e-4);
  EXPECT_NEAR(left->Body.v4fVelocity.y, 2.0f, 1e-4);
  EXPECT_NEAR(right->Body.v4fVelocity.y, -4.0f / 3.0f, 1e-4);
  EXPECT_NEAR(right->Body.v4fAngularVelocity.z, -5.0f / 3.0f, 1e-4);
  // With e = 1 the kinetic energy stays 4.
  EXPECT_NEAR(VLM_GetPhysicsEnergy(VLM_ENERGY_TRANSLATION | VLM_ENERGY_ROTATION), 4.0f, 1e-3);
}

}  // namespace
