// The per-frame update: emission by rate with the carried remainder, the
// fades, motion, the maximum drawn count and the back-to-front sort.
#include <vector>

#include "particle_fixture.h"

namespace {

using ptest::H;
using ptest::ParticleTest;

TEST_F(ParticleTest, RateTenAtSixtyFramesEmitsEverySixthFrameAndRateZeroNever) {
  VLM_PARTICLE_EMITTER* ten = Quiet();
  VLM_PARTICLE_EMITTER* zero = Quiet();
  VLM_SetParticleEmissionRate(H(ten), 10.0f);
  std::vector<int> frames;
  for (int frame = 0; frame <= 120; ++frame) {
    // 60 frames per second on a millisecond clock: 16 or 17 ms apart.
    const int64_t now = 5000 + std::llround(frame * 1000.0 / 60.0);
    const int64_t before = VLM_CountParticles(H(ten));
    Update(now, 1.0f / 60.0f);
    const int64_t spawned = VLM_CountParticles(H(ten)) - before;
    ASSERT_LE(spawned, 1) << "frame " << frame;
    if (spawned) frames.push_back(frame);
  }
  // Half a period after the start rounds up to the first particle; from
  // then on the emission time advances by exactly 100 ms.
  ASSERT_EQ(frames.size(), 20u);
  EXPECT_EQ(frames.front(), 3);
  for (size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i] - frames[i - 1], 6) << "emission " << i;
  EXPECT_EQ(VLM_CountParticles(H(zero)), 0);
  EXPECT_EQ(VLM_CountParticles(-1), 20);

  // Switched off, the emitter keeps time but spawns nothing.
  VLM_SetParticleEmitting(H(ten), 0);
  Update(5000 + 3000, 1.0f / 60.0f);
  EXPECT_EQ(VLM_CountParticles(H(ten)), 20);
}

TEST_F(ParticleTest, FadeOutZeroDiesAtDeathTimeFadeOutFadesFirstFadeInRisesToTarget) {
  VLM_PARTICLE_EMITTER* sharp = Quiet();
  VLM_PARTICLE_EMITTER* soft = Quiet();
  VLM_PARTICLE_EMITTER* rising = Quiet();
  for (VLM_PARTICLE_EMITTER* e : {sharp, soft, rising}) VLM_SetParticleRange(H(e), VLM_PARTICLE_LIFETIME, 100, 100);
  VLM_SetParticleRange(H(soft), VLM_PARTICLE_FADE_OUT, 2.0f, 2.0f);
  VLM_SetParticleRange(H(rising), VLM_PARTICLE_FADE_IN, 4.0f, 4.0f);
  VLM_SetParticleRange(H(rising), VLM_PARTICLE_INTENSITY, 0.8f, 0.8f);
  VLM_SetParticleColor(H(soft), 1.0f, 0.5f, 0.25f, 0.5f);
  // The material's alpha scales the intensity from the first update on.
  VLM_HANDLE glass = 40;
  VLM_CreateMaterialListEntry(&glass, "")->v4fColor.w = 0.5f;
  ASSERT_EQ(VLM_SetParticleMaterial(H(soft), glass), 1);
  for (VLM_PARTICLE_EMITTER* e : {sharp, soft, rising}) vlm::particles::Spawn(*e, 1, 0, 0, 0, 1000);
  // At spawn: the colour's alpha times the intensity; a fade-in starts dark.
  EXPECT_FLOAT_EQ(soft->aParticles[0].v4fColor.w, 0.5f);
  EXPECT_EQ(rising->aParticles[0].fIntensity, 0.0f);

  Update(1000, 0.125f);
  EXPECT_FLOAT_EQ(rising->aParticles[0].fIntensity, 0.5f);
  Update(1100, 0.125f);  // the death time itself is still alive
  EXPECT_FLOAT_EQ(rising->aParticles[0].fIntensity, 0.8f);  // held at the target
  EXPECT_EQ(VLM_CountParticles(H(sharp)), 1);
  EXPECT_EQ(soft->aInstances[0].v4fColor.w, 0.5f);

  Update(1101, 0.125f);
  EXPECT_EQ(VLM_CountParticles(H(sharp)), 0);
  EXPECT_EQ(VLM_CountParticles(H(rising)), 0);
  // 2 per second over eighths of a second: 0.75, 0.5, 0.25, then gone.
  for (float expected : {0.75f, 0.5f, 0.25f}) {
    ASSERT_EQ(VLM_CountParticles(H(soft)), 1);
    EXPECT_EQ(soft->aParticles[0].fIntensity, expected);
    EXPECT_EQ(soft->aInstances[0].v4fColor.w, 0.5f * expected);
    EXPECT_EQ(soft->aInstances[0].v4fColor.x, 1.0f);
    Update(1102, 0.125f);
  }
  EXPECT_EQ(VLM_CountParticles(H(soft)), 0);
  EXPECT_EQ(soft->iDrawn, 0);
  VLM_FreeMaterial(glass);
}

TEST_F(ParticleTest, MotionGrowthRotationAndTurbulenceFollowTheFrameTime) {
  VLM_PARTICLE_EMITTER* e = Quiet();
  VLM_SetParticleVelocity(H(e), 1.0f, 2.0f, -4.0f);
  VLM_SetParticleRange(H(e), VLM_PARTICLE_SIZE, 2.0f, 2.0f);
  VLM_SetParticleRange(H(e), VLM_PARTICLE_GROWTH, 0.5f, 0.5f);
  VLM_SetParticleRange(H(e), VLM_PARTICLE_ROTATION, 0.25f, 0.25f);
  VLM_SetParticleRange(H(e), VLM_PARTICLE_ROTATION_SPEED, -1.0f, -1.0f);
  VLM_SetParticleEmitterPosition(H(e), 10.0f, 0.0f, 0.0f);  // the world mode starts there
  EXPECT_EQ(VLM_EmitParticles(H(e), 1, 0.0f, 1.0f, 0.0f), 1);
  Update(vlm::particles::NowMilliseconds(), 0.5f);
  const vlm::ParticleInstance& i = e->aInstances[0];
  EXPECT_EQ(i.v4fPosition.x, 10.5f);
  EXPECT_EQ(i.v4fPosition.y, 2.0f);
  EXPECT_EQ(i.v4fPosition.z, -2.0f);
  EXPECT_EQ(i.v4fPosition.w, 1.0f);
  EXPECT_EQ(i.fSize, 2.25f);
  EXPECT_EQ(i.fRotation, -0.25f);

  // Turbulence 2 over half a second: each velocity component moves by at
  // most 1 either way.
  VLM_SetParticleTurbulence(H(e), 2.0f);
  const v4f before = e->aParticles[0].v4fVelocity;
  Update(vlm::particles::NowMilliseconds(), 0.5f);
  const v4f after = e->aParticles[0].v4fVelocity;
  const float d[3] = {after.x - before.x, after.y - before.y, after.z - before.z};
  for (float c : d) EXPECT_LE(std::fabs(c), 1.0f);
  EXPECT_NE(d[0] * d[0] + d[1] * d[1] + d[2] * d[2], 0.0f);
}

TEST_F(ParticleTest, SurplusOverTheMaximumIsSimulatedButNotDrawn) {
  VLM_PARTICLE_EMITTER* e = Quiet();
  ASSERT_EQ(VLM_SetParticleMaxDrawn(H(e), 4), 1);
  VLM_SetParticleVelocity(H(e), 0.0f, 0.0f, -1.0f);
  for (int k = 0; k < 6; ++k) vlm::particles::Spawn(*e, 1, 0, 0, static_cast<float>(-k), 1000);
  Update(1000, 1.0f);
  EXPECT_EQ(VLM_CountParticles(H(e)), 6);
  EXPECT_EQ(e->iDrawn, 4);
  ASSERT_EQ(e->aInstances.size(), 4u);
  // All six moved; the first four in list order (the four oldest, now at
  // -1 to -4) are the records, back to front, not the two farthest.
  for (int k = 0; k < 6; ++k) EXPECT_EQ(e->aParticles[k].v4fPosition.z, -1.0f - k);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(e->aInstances[k].v4fPosition.z, -4.0f + k);
  // Fewer particles than the maximum: all drawn; 0 drawn at most: none.
  VLM_SetParticleMaxDrawn(H(e), 10);
  Update(1001, 0.0f);
  EXPECT_EQ(e->iDrawn, 6);
  VLM_SetParticleMaxDrawn(H(e), 0);
  Update(1002, 0.0f);
  EXPECT_EQ(e->iDrawn, 0);
  EXPECT_EQ(VLM_CountParticles(H(e)), 6);
}

TEST_F(ParticleTest, ParticlesAndEmittersAreSortedBackToFrontInViewSpace) {
  // A view turned 90 degrees about y and moved: view depth z = world x,
  // view x = 10 - world z (row vectors).
  m4f view = ptest::Identity();
  view.e[0] = 0.0f;
  view.e[2] = 1.0f;
  view.e[8] = -1.0f;
  view.e[10] = 0.0f;
  view.e[12] = 10.0f;  // the camera's position moved into view space
  VLM_PARTICLE_EMITTER* world = Quiet();
  const float xs[] = {-3.0f, 2.0f, -7.0f, 0.5f, -1.0f};
  for (float x : xs) vlm::particles::Spawn(*world, 1, x, 0.0f, -x, 1000);
  // Radix-sorted list: enough particles for the long path, with negative,
  // positive and equal depths.
  VLM_PARTICLE_EMITTER* many = Quiet();
  for (int k = 0; k < 600; ++k) vlm::particles::Spawn(*many, 1, static_cast<float>((k * 37) % 101 - 50), 0, 0, 1000);
  VLM_SetParticleMaxDrawn(H(many), 600);
  // The local mode reaches view space through the emitter's matrix.
  VLM_PARTICLE_EMITTER* local = Quiet();
  VLM_SetParticleCoordinateMode(H(local), VLM_PARTICLES_LOCAL);
  VLM_SetParticleEmitterPosition(H(local), -20.0f, 0.0f, 0.0f);
  vlm::particles::Spawn(*local, 1, 1.0f, 0, 0, 1000);
  vlm::particles::Spawn(*local, 1, -1.0f, 0, 0, 1000);
  VLM_SetParticleEmitterPosition(H(world), 5.0f, 0.0f, 0.0f);

  Update(1000, 0.0f, view);
  // The records back to front; each particle keeps its view-space position.
  const float expected[] = {-7.0f, -3.0f, -1.0f, 0.5f, 2.0f};
  ASSERT_EQ(world->iDrawn, 5);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(world->aInstances[k].v4fPosition.x, expected[k]);
  for (const vlm::Particle& p : world->aParticles) {
    EXPECT_EQ(p.v4fViewPosition.z, p.v4fPosition.x);
    EXPECT_EQ(p.v4fViewPosition.x, p.v4fPosition.x + 10.0f);  // world z = -x, turned and moved
  }
  ASSERT_EQ(many->iDrawn, 600);
  for (int k = 1; k < 600; ++k)
    ASSERT_LE(many->aInstances[k - 1].v4fPosition.x, many->aInstances[k].v4fPosition.x) << k;
  EXPECT_EQ(many->aInstances[0].v4fPosition.x, -50.0f);
  EXPECT_EQ(many->aInstances[599].v4fPosition.x, 50.0f);
  EXPECT_EQ(local->aInstances[0].v4fPosition.x, -1.0f);  // emitter space kept
  EXPECT_EQ(local->aInstances[1].v4fPosition.x, 1.0f);
  EXPECT_EQ(local->aParticles[1].v4fViewPosition.z, -21.0f);
  // Emitters by the depth of their origins: local (-20), many (0), world (5).
  const std::vector<VLM_PARTICLE_EMITTER*> order = {local, many, world};
  EXPECT_EQ(vlm::Particles().drawOrder, order);
}

}  // namespace
