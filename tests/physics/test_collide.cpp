// Shape tests with numbers worked out by hand: what they report outside the
// step, and how they push bodies apart inside it.
#include <cmath>

#include "physics_fixture.h"

namespace {

using namespace phystest;

const v4f& Contact() { return World().lastImpact.v4fPoint; }
const v4f& Normal() { return World().lastImpact.v4fNormal; }

TEST_F(PhysicsTest, SphereSphereSplitsTheOverlapByMass) {
  VLM_CreateSphereCage(3, 2.0f, "");
  VLM_OBJECT* a = Body(1, 3, 1.0f, P(0, 0, 0));
  VLM_OBJECT* b = Body(2, 3, 1.0f, P(1.5f, 0, 0));
  // Outside the step: reported, nothing moves, the point halfway into the gap.
  EXPECT_EQ(VLM_CollideBodies(1, 2), 1);
  EXPECT_EQ(b->v4fPosition.x, 1.5f);
  EXPECT_FLOAT_EQ(Contact().x, 0.75f);
  EXPECT_FLOAT_EQ(Normal().x, 1.0f);
  // In the step (no time passes): g = -0.5, each moves 0.25.
  Step(0.0f);
  EXPECT_FLOAT_EQ(a->v4fPosition.x, -0.25f);
  EXPECT_FLOAT_EQ(b->v4fPosition.x, 1.75f);
  EXPECT_FLOAT_EQ(b->mWorld.e[12], 1.75f);
  EXPECT_EQ(a->Body.v4fVelocity.x, 0.0f);  // at rest: no impulse

  // Masses 1 and 3 share g = -0.5 as 0.375 and 0.125.
  const v4f at0 = P(0, 10, 0), at1 = P(1.5f, 10, 0);
  VLM_BodyPosition(1, &at0, 0);
  VLM_BodyPosition(2, &at1, 0);
  VLM_SetBodyMass(2, 3.0f);
  Step(0.0f);
  EXPECT_FLOAT_EQ(a->v4fPosition.x, -0.375f);
  EXPECT_FLOAT_EQ(b->v4fPosition.x, 1.625f);
}

TEST_F(PhysicsTest, SpheresOnOneCentreOrApartDoNotTouch) {
  VLM_CreateSphereCage(3, 2.0f, "");
  Body(1, 3, 1.0f, P(0, 0, 0));
  Body(2, 3, 1.0f, P(0, 0, 0));
  EXPECT_EQ(VLM_CollideBodies(1, 2), 0);
  const v4f apart = P(2.0f, 0, 0);
  VLM_BodyPosition(2, &apart, 0);
  EXPECT_EQ(VLM_CollideBodies(1, 2), 0);  // touching exactly is no overlap
  Step(0.0f);
  EXPECT_EQ(VLM_ResolveBody(1)->v4fPosition.x, 0.0f);
}

TEST_F(PhysicsTest, FixedSphereLeavesTheWholeCorrectionToTheOther) {
  VLM_CreateSphereCage(3, 2.0f, "");
  VLM_OBJECT* fixed = Body(1, 3, 0.0f, P(0, 0, 0));
  VLM_OBJECT* free = Body(2, 3, 1.0f, P(0, 1.5f, 0));
  Step(0.0f);
  EXPECT_EQ(fixed->v4fPosition.y, 0.0f);
  EXPECT_FLOAT_EQ(free->v4fPosition.y, 2.0f);
}

TEST_F(PhysicsTest, SweptPointIsMovedBackOntoTheSphere) {
  VLM_CreateSphereCage(3, 2.0f, "");
  Body(1, 3, 0.0f, P(0, 0, 0));
  VLM_OBJECT* point = Body(2, -2, 1.0f, P(0, 1.05f, 0));
  VLM_SetBodyVelocity(2, nullptr, 0.0f, -1.0f, 0.0f, 0);
  // Moves 0.1 and ends 0.05 inside: t = -0.5, back onto the surface.
  Step(0.1f);
  EXPECT_NEAR(point->v4fPosition.y, 1.0f, 1e-5);
  EXPECT_NEAR(Normal().y, 1.0f, 1e-6);
  // Default materials: e = 0.36, the point has no lever: 1 -> 0.36 upwards.
  EXPECT_NEAR(point->Body.v4fVelocity.y, 0.36f, 1e-5);
  EXPECT_NEAR(World().lastImpact.fSpeed, 1.0f, 1e-5);

  // A point that does not move never touches.
  VLM_OBJECT* still = Body(3, -2, 1.0f, P(0, 0.5f, 0));
  (void)still;
  EXPECT_EQ(VLM_CollideBodies(1, 3), 0);
}

TEST_F(PhysicsTest, SphereIsPushedOutOfABox) {
  VLM_CreateBoxCage(5, 2.0f, VLM_DEFAULTF, VLM_DEFAULTF, "");
  VLM_CreateSphereCage(3, 1.0f, "");  // radius 0.5
  Body(1, 5, 0.0f, P(0, 0, 0));
  VLM_OBJECT* ball = Body(2, 3, 1.0f, P(0, 1.3f, 0));
  EXPECT_EQ(VLM_CollideBodies(1, 2), 1);
  EXPECT_NEAR(Contact().y, 0.9f, 1e-6);  // centre - (r + pen / 2) = 1.3 - 0.4
  Step(0.0f);
  EXPECT_NEAR(ball->v4fPosition.y, 1.5f, 1e-6);

  // Centre inside the box: out through the nearest face (here the top one,
  // 0.5 away), to rest on it.
  const v4f inside = P(0.2f, 0.5f, 0);
  VLM_BodyPosition(2, &inside, 0);
  Step(0.0f);
  EXPECT_NEAR(ball->v4fPosition.x, 0.2f, 1e-6);
  EXPECT_NEAR(ball->v4fPosition.y, 1.5f, 1e-6);

  // Near a corner the push runs diagonally.
  const v4f corner = P(1.2f, 1.2f, 0);
  VLM_BodyPosition(2, &corner, 0);
  Step(0.0f);
  EXPECT_NEAR(ball->v4fPosition.x, 1.0f + 0.5f / std::sqrt(2.0f), 1e-5);
  EXPECT_NEAR(ball->v4fPosition.y, ball->v4fPosition.x, 1e-6);
}

TEST_F(PhysicsTest, SphereSunkIntoAWideGroundGoesBackUp) {
  VLM_CreateBoxCage(4, 200.0f, 2.0f, 200.0f, "");
  VLM_CreateSphereCage(3, 2.0f, "");
  Body(1, 4, 0.0f, P(0, -1, 0));
  VLM_BodyRotation(1, 0.0f, 30.0f, 0.0f, 0);  // turning about y changes no face
  VLM_OBJECT* ball = Body(2, 3, 1.0f, P(50.0f, -0.2f, 30.0f));
  Step(0.0f);
  EXPECT_NEAR(ball->v4fPosition.y, 1.0f, 1e-5);
  EXPECT_NEAR(ball->v4fPosition.x, 50.0f, 1e-4);
  EXPECT_NEAR(ball->v4fPosition.z, 30.0f, 1e-4);
}

// Pushes from other bodies or one fast movement can carry a centre past the
// middle of a thin plate or wall; the body still leaves on the side it came
// from instead of passing through.
TEST_F(PhysicsTest, BodiesLeaveAThinPlateOnTheSideTheyCameFrom) {
  VLM_CreateBoxCage(7, 20.0f, 1.0f, 20.0f, "");  // top face at y = 0.5
  VLM_CreateSphereCage(3, 2.0f, "");
  Body(1, 7, 0.0f, P(0, 0, 0));
  VLM_OBJECT* resting = Body(2, 3, 1.0f, P(0, 1.5f, 0));
  VLM_OBJECT* heavy = Body(3, 3, 1000.0f, P(0, 1.8f, 0));
  Step(0.0f);
  // The heavy ball takes 1/1001 of the 1.7 overlap: the resting one is
  // pushed down to y = -0.198, past the plate's middle, and back on top.
  EXPECT_NEAR(heavy->v4fPosition.y, 1.8f + 1.7f / 1001.0f, 1e-5);
  EXPECT_NEAR(resting->v4fPosition.y, 1.5f, 1e-5);
}

TEST_F(PhysicsTest, FastBodiesDoNotPassThroughAThinWall) {
  VLM_CreateBoxCage(7, 1.0f, 20.0f, 20.0f, "");  // faces at x = -0.5 and 0.5
  VLM_CreateBoxCage(8, 20.0f, 1.0f, 20.0f, "");
  VLM_CreateSphereCage(3, 1.0f, "");
  VLM_CreateBoxCage(5, 1.0f, VLM_DEFAULTF, VLM_DEFAULTF, "");
  Body(1, 7, 0.0f, P(0, 0, 0));
  VLM_OBJECT* ball = Body(2, 3, 1.0f, P(-1.2f, 0, 0));
  VLM_SetBodyVelocity(2, nullptr, 15.0f, 0.0f, 0.0f, 0);
  Step(0.1f);
  // At x = 0.3 after the movement; out through the -x face (0.8 away) to
  // touch it, and bounced with e = 0.6 * 0.6: 15 - 1.36 * 15.
  EXPECT_NEAR(ball->v4fPosition.x, -1.0f, 1e-5);
  EXPECT_NEAR(ball->Body.v4fVelocity.x, -5.4f, 1e-4);

  // A box falling onto a plate: centre at y = -0.3 after the movement, sent
  // back up by twice the 1.3 it takes to clear the top face. The contact is
  // at a bottom corner, (0.5, -0.15, 0.5), 2.45 below the moved centre:
  // k = (-0.5, 0, 0.5), k.J.k = 6 * 0.5 = 3, j = 1.36 * 15 / (1 + 3) = 5.1.
  phystest::ResetWorld();
  VLM_CreateBoxCage(8, 20.0f, 1.0f, 20.0f, "");
  VLM_CreateBoxCage(5, 1.0f, VLM_DEFAULTF, VLM_DEFAULTF, "");
  Body(1, 8, 0.0f, P(0, 0, 0));
  VLM_OBJECT* box = Body(2, 5, 1.0f, P(0, 1.2f, 0));
  VLM_SetBodyVelocity(2, nullptr, 0.0f, -15.0f, 0.0f, 0);
  Step(0.1f);
  // The box-box normal comes from the reciprocal square root estimate, |n| = 1 + d,
  // d <= 1.5 * 2^-12: the push is 2.6 |n|^2, so y is off by up to 5.2 d = 1.9e-3.
  EXPECT_NEAR(box->v4fPosition.y, 2.3f, 2e-3);
  // j = 20.4 |n| / (1 + 3 |n|^2) along n: 5.1 (1 + d / 2), off by up to 2.55 d = 9.4e-4.
  EXPECT_NEAR(box->Body.v4fVelocity.y, -15.0f + 5.1f, 1e-3);
}

TEST_F(PhysicsTest, BoxOnFixedBoxFaceAxis) {
  VLM_CreateBoxCage(5, 2.0f, VLM_DEFAULTF, VLM_DEFAULTF, "");
  Body(1, 5, 0.0f, P(0, 0, 0));
  VLM_OBJECT* top = Body(2, 5, 1.0f, P(0, 1.8f, 0));
  EXPECT_EQ(VLM_CollideBodies(1, 2), 1);
  // The normal comes from the reciprocal square root estimate: |n| = 1 + d, d <= 1.5 * 2^-12.
  EXPECT_NEAR(Normal().y, 1.0f, 4e-4);
  // The lowest corner of the upper box, moved up by half the overlap (0.1 |n|: 0.1 d = 3.7e-5).
  EXPECT_NEAR(Contact().y, 0.9f, 1e-4);
  EXPECT_NEAR(std::fabs(Contact().x), 1.0f, 1e-4);
  Step(0.0f);
  // On a fixed box the other box moves by twice the overlap (0.4 |n|: off by 0.4 d = 1.5e-4).
  EXPECT_NEAR(top->v4fPosition.y, 2.2f, 2e-4);
  EXPECT_NEAR(top->v4fPosition.x, 0.0f, 1e-6);
}

TEST_F(PhysicsTest, BoxesMeetingEdgeOnUseTheEdgeAxis) {
  VLM_CreateBoxCage(5, 2.0f, VLM_DEFAULTF, VLM_DEFAULTF, "");
  VLM_OBJECT* low = Body(1, 5, 0.0f, P(0, 0, 0));
  VLM_BodyRotation(1, 0.0f, 0.0f, 45.0f, 0);  // an edge along z on top
  const float r2 = std::sqrt(2.0f);
  VLM_OBJECT* high = Body(2, 5, 1.0f, P(0, 2.0f * r2 - 0.1f, 0));
  VLM_BodyRotation(2, 45.0f, 0.0f, 0.0f, 0);  // an edge along x below
  EXPECT_EQ(VLM_CollideBodies(1, 2), 1);
  // The normal comes from the reciprocal square root estimate: |n| = 1 + d, d <= 1.5 * 2^-12.
  EXPECT_NEAR(Normal().y, 1.0f, 4e-4);
  EXPECT_NEAR(Contact().x, 0.0f, 1e-4);
  EXPECT_NEAR(Contact().y, r2 - 0.05f, 1e-4);
  EXPECT_NEAR(Contact().z, 0.0f, 1e-4);
  EXPECT_EQ(Contact().w, 1.0f);
  Step(0.0f);
  // Moved by 0.2 |n|, |n| = 1 + d from the estimate: off by up to 0.2 d = 7.3e-5.
  EXPECT_NEAR(high->v4fPosition.y, 2.0f * r2 + 0.1f, 1e-4);
  EXPECT_EQ(low->v4fPosition.y, 0.0f);
}

TEST_F(PhysicsTest, PointMovingIntoAnOutlineIsStoppedOnTheFace) {
  phystest::OutlinedBoxCage(6, 1.0f, 1.0f, 1.0f);
  VLM_CreateBoxCage(5, 2.0f, VLM_DEFAULTF, VLM_DEFAULTF, "");
  Body(1, 6, 0.0f, P(0, 0, 0));
  VLM_OBJECT* point = Body(2, -2, 1.0f, P(0.3f, 1.1f, 0.2f));
  VLM_SetBodyVelocity(2, nullptr, 0.0f, -2.0f, 0.0f, 0);
  Step(0.1f);  // moves 0.2 and ends at 0.9
  EXPECT_NEAR(point->v4fPosition.y, 1.0f, 1e-5);
  EXPECT_NEAR(point->v4fPosition.x, 0.3f, 1e-6);
  EXPECT_NEAR(Normal().y, 1.0f, 1e-6);
  EXPECT_GT(point->Body.v4fVelocity.y, 0.0f);

  // A box made from sizes has the outline of its box: the point stops on
  // its face just the same.
  VLM_FreeBody(1);
  Body(3, 5, 0.0f, P(0, 0, 0));
  const v4f again = P(0.3f, 1.1f, 0.2f);
  VLM_BodyPosition(2, &again, 0);
  VLM_SetBodyVelocity(2, nullptr, 0.0f, -2.0f, 0.0f, 0);
  Step(0.1f);
  EXPECT_NEAR(point->v4fPosition.y, 1.0f, 1e-5);
}

TEST_F(PhysicsTest, SphereAgainstAnOutlineFaceAndEdge) {
  phystest::PolyhedronCage(6, {P(-1, -1, -1), P(1, -1, -1), P(-1, 1, -1), P(1, 1, -1), P(-1, -1, 1), P(1, -1, 1),
                               P(-1, 1, 1), P(1, 1, 1)},
                           {{{1, 2, 3}}, {{1, 0, 2}}, {{4, 7, 6}}, {{4, 5, 7}}, {{0, 6, 2}}, {{0, 4, 6}},
                            {{5, 3, 7}}, {{5, 1, 3}}, {{0, 5, 4}}, {{0, 1, 5}}, {{6, 3, 2}}, {{6, 7, 3}}});
  VLM_CreateSphereCage(3, 1.0f, "");  // radius 0.5
  Body(1, 6, 0.0f, P(0, 0, 0));
  VLM_OBJECT* ball = Body(2, 3, 1.0f, P(0.2f, 1.3f, 0.1f));
  EXPECT_EQ(VLM_CollideBodies(1, 2), 1);
  EXPECT_NEAR(Contact().y, 1.0f, 1e-6);
  Step(0.0f);
  EXPECT_NEAR(ball->v4fPosition.y, 1.5f, 1e-5);  // overlap 0.2 out along the face normal

  // Beside an edge: out from the edge's nearest point.
  const v4f nearEdge = P(1.2f, 1.2f, 0.0f);
  VLM_BodyPosition(2, &nearEdge, 0);
  Step(0.0f);
  EXPECT_NEAR(ball->v4fPosition.x, 1.0f + 0.5f / std::sqrt(2.0f), 1e-5);
  EXPECT_NEAR(ball->v4fPosition.y, 1.0f + 0.5f / std::sqrt(2.0f), 1e-5);
  EXPECT_NEAR(ball->v4fPosition.z, 0.0f, 1e-6);

  // Far away: the node box already says no.
  const v4f far = P(5.0f, 0, 0);
  VLM_BodyPosition(2, &far, 0);
  EXPECT_EQ(VLM_CollideBodies(1, 2), 0);
}

TEST_F(PhysicsTest, OutlinesAreSeparatedPassByPass) {
  const std::vector<v4f> corners = {P(-1, -1, -1), P(1, -1, -1), P(-1, 1, -1), P(1, 1, -1),
                                    P(-1, -1, 1),  P(1, -1, 1),  P(-1, 1, 1),  P(1, 1, 1)};
  const std::vector<std::array<int, 3>> faces = {{{1, 2, 3}}, {{1, 0, 2}}, {{4, 7, 6}}, {{4, 5, 7}},
                                                 {{0, 6, 2}}, {{0, 4, 6}}, {{5, 3, 7}}, {{5, 1, 3}},
                                                 {{0, 5, 4}}, {{0, 1, 5}}, {{6, 3, 2}}, {{6, 7, 3}}};
  phystest::PolyhedronCage(6, corners, faces);
  VLM_OBJECT* base = Body(1, 6, 0.0f, P(0, 0, 0));
  VLM_OBJECT* top = Body(2, 6, 1.0f, P(0, 1.9f, 0));
  EXPECT_EQ(VLM_CollideBodies(1, 2), 1);
  EXPECT_NEAR(std::fabs(Normal().y), 1.0f, 1e-6);
  EXPECT_EQ(top->v4fPosition.y, 1.9f);
  Step(0.0f);
  // Depth 0.1 on the first pass; only the top body moves, by twice the depth.
  EXPECT_NEAR(top->v4fPosition.y, 2.1f, 1e-5);
  EXPECT_EQ(base->v4fPosition.y, 0.0f);
  EXPECT_EQ(VLM_CollideBodies(1, 2), 0);
}

TEST_F(PhysicsTest, NoneAndStickCagesNeverCollide) {
  VLM_CreateSphereCage(3, 2.0f, "");
  VLM_HANDLE stickId = 4;
  VLM_CAGE* stick = VLM_CreateCageListEntry(&stickId, "");
  stick->iKind = VLM_CAGE_STICK;
  stick->fSize = 5.0f;
  Body(1, 3, 1.0f, P(0, 0, 0));
  Body(2, 4, 1.0f, P(0.5f, 0, 0));
  Body(3, -1, 1.0f, P(0.5f, 0, 0));
  EXPECT_EQ(VLM_CollideBodies(1, 2), 0);
  EXPECT_EQ(VLM_CollideBodies(2, 1), 0);
  EXPECT_EQ(VLM_CollideBodies(1, 3), 0);
  Body(4, -2, 1.0f, P(0.5f, 0, 0));
  Body(5, -2, 1.0f, P(0.5f, 0, 0));
  EXPECT_EQ(VLM_CollideBodies(4, 5), 0);
  Step(0.0f);
  EXPECT_EQ(VLM_ResolveBody(2)->v4fPosition.x, 0.5f);
}

int g_calls = 0;
VLM_HANDLE g_self = 0, g_other = 0;
int Remember(VLM_HANDLE self, VLM_HANDLE other) {
  ++g_calls;
  g_self = self;
  g_other = other;
  return 42;
}
int FreeTheOther(VLM_HANDLE, VLM_HANDLE other) {
  VLM_FreeBody(other);
  return 7;
}

TEST_F(PhysicsTest, CollisionProceduresGetTheirOwnIdFirst) {
  g_calls = 0;
  VLM_CreateSphereCage(3, 2.0f, "");
  VLM_OBJECT* a = Body(1, 3, 0.0f, P(0, 0, 0));
  Body(2, 3, 1.0f, P(0, 1.5f, 0));
  VLM_SetBodyCollisionProcedure(1, Remember);
  Step(0.0f);
  EXPECT_EQ(g_calls, 1);
  EXPECT_EQ(g_self, 1);
  EXPECT_EQ(g_other, 2);
  EXPECT_EQ(a->Body.iCollisionResult, 42);

  // A procedure that frees the other body ends that pair's calls safely.
  VLM_SetBodyCollisionProcedure(1, nullptr);
  Body(3, 3, 1.0f, P(5, 0, 0));
  Body(4, 3, 1.0f, P(5, 1.5f, 0));
  Body(5, 3, 1.0f, P(5, 3.0f, 0));
  VLM_SetBodyCollisionProcedure(4, FreeTheOther);
  VLM_SetBodyCollisionProcedure(3, Remember);
  Step(0.0f);
  EXPECT_LT(VLM_CountBodies(1), 4);
  Step(0.0f);
}

TEST_F(PhysicsTest, CollisionFlagZeroTakesNoPart) {
  VLM_CreateSphereCage(3, 2.0f, "");
  Body(1, 3, 1.0f, P(0, 0, 0));
  VLM_OBJECT* ghost = Body(2, 3, 1.0f, P(0, 1.5f, 0));
  VLM_SetBodyCollision(2, 0);
  Step(0.0f);
  EXPECT_EQ(ghost->v4fPosition.y, 1.5f);
  // A later body still collides after a body that takes no part.
  VLM_OBJECT* third = Body(3, 3, 1.0f, P(0, -1.5f, 0));
  Step(0.0f);
  EXPECT_LT(third->v4fPosition.y, -1.5f);
}

struct Played {
  VLM_SOUND* sound;
  float factor;
  v4f at;
};
std::vector<Played> g_played;
void Play(VLM_SOUND* sound, float factor, const v4f* at) { g_played.push_back({sound, factor, *at}); }

TEST_F(PhysicsTest, CollisionSoundsPlayAboveTheSpeedThreshold) {
  g_played.clear();
  VLM_SURFACE* ground = VLM_CreatePhysicalMaterial(1, 0.0f, 0.0f, "");
  VLM_SURFACE* rubber = VLM_CreatePhysicalMaterial(2, 0.0f, 0.0f, "");
  auto* pairSound = reinterpret_cast<VLM_SOUND*>(0x1000);
  auto* singleSound = reinterpret_cast<VLM_SOUND*>(0x2000);
  World().collisionSoundPairs.push_back({pairSound, 4.0f, rubber, ground});
  World().collisionSoundSingles.push_back({singleSound, 1.0f, ground, nullptr});
  World().playCollisionSound = Play;
  VLM_CreateSphereCage(3, 2.0f, "");
  Body(1, 3, 0.0f, P(0, 0, 0), 1);
  Body(2, 3, 1.0f, P(0, 1.9f, 0), 2);
  VLM_SetBodyVelocity(2, nullptr, 0.0f, -0.05f, 0.0f, 0);
  Step(0.0f);
  EXPECT_TRUE(g_played.empty());  // 0.05 is below 0.1

  const v4f up = P(0, 1.9f, 0);
  VLM_BodyPosition(2, &up, 0);
  VLM_SetBodyVelocity(2, nullptr, 0.0f, -2.0f, 0.0f, 0);
  Step(0.0f);
  ASSERT_EQ(g_played.size(), 2u);
  EXPECT_EQ(g_played[0].sound, pairSound);
  EXPECT_FLOAT_EQ(g_played[0].factor, 0.5f);  // 2 / 4
  EXPECT_EQ(g_played[1].sound, singleSound);
  EXPECT_FLOAT_EQ(g_played[1].factor, 1.0f);
  EXPECT_NEAR(g_played[0].at.y, 1.0f, 1e-5);
  // A released material takes its entries with it.
  VLM_FreeSurface(1);
  EXPECT_TRUE(World().collisionSoundPairs.empty());
  EXPECT_TRUE(World().collisionSoundSingles.empty());
}

}  // namespace
