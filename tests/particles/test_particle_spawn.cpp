// Spawning: the box and ring stay inside their shapes and fill them, the
// cone opens to the arc cosine of its angle, equal seeds repeat a run; and the
// refusals of the procedures.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "particle_fixture.h"

namespace {

using ptest::H;
using ptest::ParticleTest;

constexpr int kSpawns = 10000;

TEST_F(ParticleTest, BoxAndRingPositionsStayInsideAndFillTheirShapes) {
  VLM_PARTICLE_EMITTER* box = Quiet();
  VLM_SetParticleEmissionShape(H(box), VLM_EMISSION_BOX);
  VLM_SetParticleEmissionSize(H(box), 2.0f, 4.0f, 6.0f);
  VLM_SetParticleEmitterPosition(H(box), 100.0f, 0.0f, 0.0f);  // the world mode moves the shape
  ASSERT_EQ(vlm::particles::Spawn(*box, kSpawns, 1.0f, 2.0f, 3.0f, 1000), kSpawns);
  float reach[3] = {};
  for (const vlm::Particle& p : box->aParticles) {
    const float d[3] = {p.v4fPosition.x - 101.0f, p.v4fPosition.y - 2.0f, p.v4fPosition.z - 3.0f};
    const float half[3] = {1.0f, 2.0f, 3.0f};
    for (int a = 0; a < 3; ++a) {
      ASSERT_LE(std::fabs(d[a]), half[a] * 1.000001f) << "axis " << a;
      reach[a] = std::max(reach[a], std::fabs(d[a]) / half[a]);
    }
  }
  for (float r : reach) EXPECT_GT(r, 0.999f);

  // Radii 1 to 2 on an ellipse scaled (1.5, 0.5), 2 high.
  VLM_PARTICLE_EMITTER* ring = Quiet();
  VLM_SetParticleEmissionShape(H(ring), VLM_EMISSION_RING);
  VLM_SetParticleEmissionSize(H(ring), 1.5f, 0.5f, 2.0f);
  VLM_SetParticleRange(H(ring), VLM_PARTICLE_RING_RADIUS, 1.0f, 2.0f);
  vlm::particles::Spawn(*ring, kSpawns, 0.0f, 0.0f, -5.0f, 1000);
  float lowest = 10.0f, highest = 0.0f;
  int innerHalf = 0;
  for (const vlm::Particle& p : ring->aParticles) {
    const float u = p.v4fPosition.x / 1.5f, v = p.v4fPosition.y / 0.5f;
    const float r = std::sqrt(u * u + v * v);
    ASSERT_GE(r, 1.0f - 1e-5f);
    ASSERT_LE(r, 2.0f + 1e-5f);
    ASSERT_LE(std::fabs(p.v4fPosition.z + 5.0f), 1.0f);
    lowest = std::min(lowest, r);
    highest = std::max(highest, r);
    innerHalf += r < 1.5f;
  }
  // The whole ring is used, evenly by area: radii below 1.5 cover
  // (1.5^2 - 1) / (2^2 - 1) = 5/12 of it.
  EXPECT_LT(lowest, 1.01f);
  EXPECT_GT(highest, 1.99f);
  EXPECT_NEAR(innerHalf / static_cast<double>(kSpawns), 5.0 / 12.0, 0.02);
}

// t is drawn up to the angle and the polar angle is acos((90 - t) / 90), so
// cos(theta) is uniform between 1 and 1 - angle / 90: 30 degrees opens to
// acos(2/3) = 48.19 degrees with a mean cosine of 5/6, 90 to the hemisphere
// (mean 1/2), 180 to the sphere (mean 0), and 360 is held at 180.
TEST_F(ParticleTest, TheConeOpensToTheArcCosineOfItsAngle) {
  constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;
  const struct {
    float angle, widest, meanCosine;
  } cases[] = {{0.0f, 0.0f, 1.0f},
               {30.0f, 48.1897f * kDegree, 5.0f / 6.0f},
               {90.0f, 90.0f * kDegree, 0.5f},
               {180.0f, 180.0f * kDegree, 0.0f},
               {360.0f, 180.0f * kDegree, 0.0f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.angle);
    vlm::ResetParticles();
    VLM_PARTICLE_EMITTER* e = Quiet();
    VLM_SetParticleEmissionDirection(H(e), 0.0f, 0.6f, -0.8f);
    VLM_SetParticleEmissionAngle(H(e), c.angle);
    VLM_SetParticleRange(H(e), VLM_PARTICLE_FORCE, 2.0f, 5.0f);
    vlm::particles::Spawn(*e, kSpawns, 0, 0, 0, 1000);
    float widest = 0.0f;
    double cosines = 0.0;
    for (const vlm::Particle& p : e->aParticles) {
      const v4f& v = p.v4fVelocity;
      const float speed = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
      ASSERT_GE(speed, 2.0f - 1e-4f);
      ASSERT_LE(speed, 5.0f + 1e-4f);
      const float cosine = std::clamp((v.y * 0.6f - v.z * 0.8f) / speed, -1.0f, 1.0f);
      widest = std::max(widest, std::acos(cosine));
      cosines += cosine;
    }
    EXPECT_LE(widest, c.widest + 2e-3f);
    EXPECT_GT(widest, c.widest - 3.0f * kDegree);
    EXPECT_NEAR(cosines / kSpawns, c.meanCosine, 0.02);
  }
}

TEST_F(ParticleTest, EqualSeedsRepeatARunAndOtherSeedsDoNot) {
  VLM_PARTICLE_EMITTER* a = Quiet();
  VLM_PARTICLE_EMITTER* b = Quiet();
  for (VLM_PARTICLE_EMITTER* e : {a, b}) {
    VLM_SetParticleEmissionShape(H(e), VLM_EMISSION_RING);
    VLM_SetParticleEmissionSize(H(e), 1.0f, 1.0f, 1.0f);
    VLM_SetParticleEmissionAngle(H(e), 45.0f);
    VLM_SetParticleRange(H(e), VLM_PARTICLE_FORCE, 1.0f, 3.0f);
    VLM_SetParticleRange(H(e), VLM_PARTICLE_SIZE, 0.5f, 2.0f);
    VLM_SetParticleTurbulence(H(e), 1.0f);
    VLM_SetParticleSeed(H(e), 7);
    vlm::particles::Spawn(*e, 50, 0, 0, 0, 1000);
  }
  Update(1010, 0.01f);
  ASSERT_EQ(a->aParticles.size(), 50u);
  EXPECT_EQ(std::memcmp(a->aParticles.data(), b->aParticles.data(), 50 * sizeof(vlm::Particle)), 0);
  VLM_SetParticleSeed(H(b), 8);
  vlm::particles::Spawn(*a, 1, 0, 0, 0, 1000);
  vlm::particles::Spawn(*b, 1, 0, 0, 0, 1000);
  EXPECT_NE(a->aParticles.back().v4fPosition.x, b->aParticles.back().v4fPosition.x);
}

TEST_F(ParticleTest, HandlesReplacementAndRefusedValues) {
  VLM_PARTICLE_EMITTER* first = VLM_CreateParticleEmitter(7, -1, "Smoke");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(VLM_ResolveParticleEmitter(7), first);
  EXPECT_EQ(first->iEmitting, 1);
  EXPECT_EQ(first->iMaxDrawn, 256);
  vlm::particles::Spawn(*first, 3, 0, 0, 0, 1000);
  Update(1000, 0.0f);
  ASSERT_EQ(vlm::Particles().drawOrder.size(), 1u);
  // A name in use replaces the emitter, and the draw order forgets it.
  VLM_PARTICLE_EMITTER* second = VLM_CreateParticleEmitter(-1, -1, "Smoke");
  EXPECT_EQ(VLM_ResolveParticleEmitter(7), nullptr);
  EXPECT_TRUE(vlm::Particles().drawOrder.empty());
  EXPECT_EQ(VLM_CountParticles(-1), 0);
  EXPECT_EQ(VLM_CountParticles(7), 0);

  const float nan = std::nanf("");
  const VLM_HANDLE h = H(second);
  EXPECT_EQ(VLM_CreateParticleEmitter(70000, -1, ""), nullptr);
  EXPECT_EQ(VLM_SetParticleEmissionRate(7, 5.0f), 0);
  EXPECT_EQ(VLM_SetParticleEmissionRate(h, nan), 0);
  EXPECT_EQ(VLM_SetParticleEmissionDirection(h, 0.0f, 0.0f, 0.0f), 0);
  EXPECT_EQ(VLM_SetParticleMaxDrawn(h, -1), 0);
  EXPECT_EQ(VLM_SetParticleRange(h, VLM_PARTICLE_RANGE_COUNT, 1.0f, 1.0f), 0);
  EXPECT_EQ(VLM_SetParticleMaterial(h, 12345), 0);
  EXPECT_EQ(VLM_EmitParticles(h, -5, 0, 0, 0), 0);
  EXPECT_EQ(second->fRate, 1.0f);
  EXPECT_EQ(second->iMaxDrawn, 256);
  EXPECT_EQ(second->hMaterial, -1);
  const auto row = [](const char* proc, const char* text) { return vlmtest::FailRow(proc, text); };
  EXPECT_EQ(vlmtest::LogBody(log),
            "<tr><td>\xC2\x95</td><td>VLM_CreateParticleEmitterListEntry</td><td colspan=2>"
            "<i style='color:#0000FF;'>Info: The already existing ParticleEmitter has been replaced!</i></td></tr>" +
                row("VLM_CreateParticleEmitterListEntry", "Fail: This ID is not available!") +
                row("VLM_SetParticleEmissionRate", "Fail: Particle emitter not found!") +
                row("VLM_SetParticleEmissionRate", "Fail: Numbers must be finite!") +
                row("VLM_SetParticleEmissionDirection", "Fail: The direction has no length!") +
                row("VLM_SetParticleMaxDrawn", "Fail: Particle count out of range!") +
                row("VLM_SetParticleRange", "Fail: Unknown particle range!") +
                row("VLM_SetParticleMaterial", "Fail: Material not found!"));

  // Directions far from 1 in size still give a unit emission axis.
  ASSERT_EQ(VLM_SetParticleEmissionDirection(h, 0.0f, 3e38f, 0.0f), 1);
  EXPECT_EQ(second->mRotation.e[9], 1.0f);
  ASSERT_EQ(VLM_SetParticleEmissionDirection(h, 0.0f, 0.0f, -1e-40f), 1);
  EXPECT_EQ(second->mRotation.e[10], -1.0f);

  // A bare registry entry has no instance array until its first update.
  VLM_HANDLE bare = -1;
  VLM_PARTICLE_EMITTER* entry = VLM_CreateParticleEmitterListEntry(&bare, "");
  ASSERT_NE(entry, nullptr);
  vlm::particles::Spawn(*entry, 2, 0, 0, 0, 1000);
  Update(1000, 0.0f);
  EXPECT_EQ(entry->iDrawn, 2);

  // A material that does not exist leaves the emitter on the default.
  EXPECT_NE(VLM_CreateParticleEmitter(3, 999, ""), nullptr);
  EXPECT_EQ(VLM_ResolveParticleEmitter(3)->hMaterial, -1);
}

}  // namespace
