// Spawning, the per-frame update (emission by rate, fades, motion, the
// back-to-front sort, instance records) and the draw loop of the emitters.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <mutex>
#include <numbers>

#include <xmmintrin.h>

#include "core/engine_state.h"
#include "core/registries.h"
#include "core/registry.h"
#include "core/trig.h"
#include "definition/texture_material_records.h"
#include "gpu/gl_objects.h"
#include "particles/particle_internal.h"
#include "particles/particle_state.h"
#include "platform/screen.h"
#include "render/render_state.h"
#include "velmora/camera.h"
#include "velmora/math.h"
#include "velmora/particles.h"

namespace vlm::particles {
namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
// Longest lifetime kept exact in 32-bit wrap-safe death times (11.5 days).
constexpr float kMaxLifetimeMs = 1.0e9f;

float Draw(VLM_PARTICLE_EMITTER& e, int which) {
  const ParticleRange& r = e.aRanges[which];
  return e.random.Between(r.fMax, r.fMin);
}

// The alive test on 32-bit engine milliseconds that stays right across the
// counter's wrap: the signed distance, not the values, decides.
bool Alive(int32_t deathTime, int64_t nowMs) {
  const uint32_t d = static_cast<uint32_t>(deathTime) - static_cast<uint32_t>(nowMs);
  return static_cast<int32_t>(d) >= 0;
}

// Unsigned key ordered like the float (negative below positive, NaN at
// the ends), so that sorting never compares floats.
uint32_t OrderedKey(float value) {
  const uint32_t bits = std::bit_cast<uint32_t>(value);
  return (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
}

// The alpha of the emitter's material colour, which scales every
// particle's intensity; 1 when the material is gone.
float MaterialBaseAlpha(const VLM_PARTICLE_EMITTER& e) {
  const intptr_t handle = e.hMaterial == -1 ? Render().defaults.particleMaterial : e.hMaterial;
  const VLM_MATERIAL* material = MaterialRegistry().Resolve(handle);
  return material ? material->v4fColor.w : 1.0f;
}

// A direction inside the emission cone around +z: t is drawn between 0 and
// the angle (degrees) and the polar angle is acos((90 - t) / 90), so
// cos(theta) is uniform between 1 and 1 - angle / 90 (90 opens a
// hemisphere, 180 the whole sphere). Past 180 the arc cosine would leave
// its domain, so the angle stops there: 360 still means the whole sphere.
v4f ConeDirection(VLM_PARTICLE_EMITTER& e, float force) {
  const float degrees = std::clamp(e.fAngle, 0.0f, 180.0f);
  const float t = e.random.Between(degrees, 0.0f);
  const float theta = vlm::Acos(std::clamp((90.0f - t) / 90.0f, -1.0f, 1.0f));
  const float phi = e.random.Between(kTwoPi, 0.0f);
  const float sinTheta = vlm::Sin(theta);
  return v4f{sinTheta * vlm::Cos(phi) * force, sinTheta * vlm::Sin(phi) * force, vlm::Cos(theta) * force, 0.0f};
}

v4f ShapePosition(VLM_PARTICLE_EMITTER& e, float x, float y, float z) {
  const v4f& s = e.v4fShapeSize;
  switch (e.iShape) {
    case VLM_EMISSION_BOX: {
      const float dx = e.random.Between(1.0f, -1.0f) * s.x * 0.5f;
      const float dy = e.random.Between(1.0f, -1.0f) * s.y * 0.5f;
      const float dz = e.random.Between(1.0f, -1.0f) * s.z * 0.5f;
      return v4f{x + dx, y + dy, z + dz, 1.0f};
    }
    case VLM_EMISSION_RING: {
      const float a = e.random.Between(kTwoPi, 0.0f);
      float inner = std::fabs(e.aRanges[VLM_PARTICLE_RING_RADIUS].fMin);
      float outer = std::fabs(e.aRanges[VLM_PARTICLE_RING_RADIUS].fMax);
      if (inner > outer) std::swap(inner, outer);
      // Uniform over the ring's area: the squared radius is uniform
      // between inner^2 and outer^2.
      const float ratio = outer > 0.0f ? inner / outer : 0.0f;
      const float r = outer * std::sqrt(e.random.Between(1.0f, ratio * ratio));
      const float dz = e.random.Between(1.0f, -1.0f) * s.z * 0.5f;
      return v4f{x + vlm::Cos(a) * r * s.x, y + vlm::Sin(a) * r * s.y, z + dz, 1.0f};
    }
    default:
      return v4f{x, y, z, 1.0f};
  }
}

// The depth span of an emitter's particles this frame.
struct DepthSpan {
  float nearest = -HUGE_VALF;  // largest view-space z
  float farthest = HUGE_VALF;  // smallest view-space z
};

// Sorts keys[i] = (depth key << 32 | i) ascending. On entry keys hold each
// particle's view-space z as float bits in the low half. Few particles sort
// by the exact depth; many by a radix sort of the depth quantised to 2^22
// steps between the farthest and the nearest (two passes of 11 bits, whose
// counters and write streams stay near the core), so only particles closer
// than a 4-millionth of the emitter's depth span may keep their list order.
// Equal keys keep list order; NaN sorts farthest.
void SortByDepth(std::vector<uint64_t>& keys, std::vector<uint64_t>& swap, const DepthSpan& depths) {
  const size_t n = keys.size();
  auto depthOf = [&](size_t i) { return std::bit_cast<float>(static_cast<uint32_t>(keys[i])); };
  if (n < 2) {
    if (n == 1) keys[0] = 0;
    return;
  }
  if (n < 512) {
    for (size_t i = 0; i < n; ++i) {
      const float z = depthOf(i);
      keys[i] = (static_cast<uint64_t>(std::isnan(z) ? 0u : OrderedKey(z)) << 32) | i;
    }
    std::sort(keys.begin(), keys.end());
    return;
  }
  constexpr float kSteps = 4194303.0f;  // 2^22 - 1
  const float span = depths.nearest - depths.farthest;
  const float scale = span > 0.0f ? kSteps / span : 0.0f;  // 0 also for an infinite span
  if (!(scale > 0.0f) || !std::isfinite(scale)) {
    for (size_t i = 0; i < n; ++i) keys[i] = i;  // all equal: list order
    return;
  }
  uint32_t low[2048] = {}, high[2048] = {};
  for (size_t i = 0; i < n; ++i) {
    const float f = (depthOf(i) - depths.farthest) * scale;
    const uint32_t k = f >= 0.0f ? static_cast<uint32_t>(std::min(f, kSteps)) : 0u;  // NaN: 0
    keys[i] = (static_cast<uint64_t>(k) << 32) | i;
    ++low[k & 0x7FF];
    ++high[k >> 11];
  }
  swap.resize(n);
  for (int pass = 0; pass < 2; ++pass) {
    uint32_t* counts = pass == 0 ? low : high;
    const int shift = pass == 0 ? 32 : 43;
    if (counts[(keys[0] >> shift) & 0x7FF] == n) continue;  // one digit for all
    uint32_t sum = 0;
    for (uint32_t d = 0; d < 2048; ++d) {
      const uint32_t here = counts[d];
      counts[d] = sum;
      sum += here;
    }
    for (uint64_t k : keys) swap[counts[(k >> shift) & 0x7FF]++] = k;
    keys.swap(swap);
  }
}

void UpdateEmitter(VLM_PARTICLE_EMITTER& e, int64_t nowMs, float dt, const m4f& view) {
  // Emission by rate; the remainder carries over because the last emission
  // time advances by whole particles only.
  if (e.iLastEmission == 0) e.iLastEmission = nowMs;
  if (e.fRate > 0.0f && std::isfinite(e.fRate)) {
    const double due = std::clamp(static_cast<double>(e.fRate) * static_cast<double>(nowMs - e.iLastEmission) * 0.001,
                                  -1.0e9, 1.0e9);
    const int64_t n = std::llround(due);
    if (n >= 1) {
      e.iLastEmission = std::llround(static_cast<double>(n) * 1000.0 / e.fRate + static_cast<double>(e.iLastEmission));
      if (e.iEmitting) {
        const bool worldPoint = e.iCoordinateMode != VLM_PARTICLES_LOCAL && e.iCoordinateMode != VLM_PARTICLES_WORLD;
        const float x = worldPoint ? e.mWorld.e[12] : 0.0f;
        const float y = worldPoint ? e.mWorld.e[13] : 0.0f;
        const float z = worldPoint ? e.mWorld.e[14] : 0.0f;
        Spawn(e, static_cast<int32_t>(std::min<int64_t>(n, kMaxParticlesPerEmitter)), x, y, z, nowMs);
      }
    }
  }

  // A record entered through the bare registry entry has no instance array yet.
  const auto maxDrawn = static_cast<size_t>(std::max(e.iMaxDrawn, 0));
  if (e.aInstances.size() != maxDrawn) e.aInstances.resize(maxDrawn);

  // Particles of the local mode are drawn with the world matrix: their view
  // space is reached through it.
  m4f toView = view;
  if (e.iCoordinateMode == VLM_PARTICLES_LOCAL) VLM_m4fMultiply(&toView, &view, &e.mWorld);
  // Whole vectors in and out: scalar stores read back as one vector would
  // stall on store forwarding in this loop.
  const __m128 row0 = _mm_loadu_ps(&toView.e[0]);
  const __m128 row1 = _mm_loadu_ps(&toView.e[4]);
  const __m128 row2 = _mm_loadu_ps(&toView.e[8]);
  const __m128 row3 = _mm_loadu_ps(&toView.e[12]);
  const __m128 step = _mm_set1_ps(dt);
  const float alpha = MaterialBaseAlpha(e);
  const float turbulence = e.fTurbulence * dt;
  const __m128 jitterScale = _mm_set1_ps(turbulence);

  std::vector<Particle>& list = e.aParticles;
  std::vector<uint64_t>& keys = e.aSortKeys;
  keys.resize(list.size());
  DepthSpan depths;
  size_t kept = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    Particle& p = list[i];
    if (Alive(p.iDeathTime, nowMs)) {
      if (p.fFadeIn != 0.0f && p.fIntensity < p.fTargetIntensity)
        p.fIntensity = std::min(p.fIntensity + p.fFadeIn * dt, p.fTargetIntensity);
    } else {
      if (p.fFadeOut == 0.0f) continue;
      p.fIntensity -= p.fFadeOut * dt;
      if (p.fIntensity <= 0.0f) continue;
    }
    // Colour with alpha = material alpha x intensity: (r, g, b) kept, lane 3 replaced.
    __m128 colour = _mm_loadu_ps(&p.v4fColor.x);
    const __m128 a = _mm_set1_ps(alpha * p.fIntensity);
    colour = _mm_shuffle_ps(colour, _mm_unpackhi_ps(colour, a), _MM_SHUFFLE(1, 0, 1, 0));
    _mm_storeu_ps(&p.v4fColor.x, colour);
    __m128 velocity = _mm_loadu_ps(&p.v4fVelocity.x);
    if (turbulence != 0.0f) {
      float jitter[3];
      e.random.Signed3(jitter);
      velocity = _mm_add_ps(velocity, _mm_mul_ps(_mm_set_ps(0.0f, jitter[2], jitter[1], jitter[0]), jitterScale));
      _mm_storeu_ps(&p.v4fVelocity.x, velocity);
    }
    // The velocity's w is 0, so the position keeps its w.
    const __m128 position = _mm_add_ps(_mm_loadu_ps(&p.v4fPosition.x), _mm_mul_ps(velocity, step));
    _mm_storeu_ps(&p.v4fPosition.x, position);
    p.fSize += p.fSizeGrowth * dt;
    p.fRotation += p.fRotationSpeed * dt;
    // Row vector times matrix: x row0 + y row1 + z row2 + w row3.
    __m128 view = _mm_mul_ps(_mm_shuffle_ps(position, position, 0x00), row0);
    view = _mm_add_ps(view, _mm_mul_ps(_mm_shuffle_ps(position, position, 0x55), row1));
    view = _mm_add_ps(view, _mm_mul_ps(_mm_shuffle_ps(position, position, 0xAA), row2));
    view = _mm_add_ps(view, _mm_mul_ps(_mm_shuffle_ps(position, position, 0xFF), row3));
    _mm_storeu_ps(&p.v4fViewPosition.x, view);
    // The first iMaxDrawn live particles in list order are drawn; the rest
    // live on undrawn.
    if (kept < maxDrawn) {
      const float z = _mm_cvtss_f32(_mm_shuffle_ps(view, view, 0xAA));
      depths.farthest = std::min(depths.farthest, z);  // NaN takes no part
      depths.nearest = std::max(depths.nearest, z);
      keys[kept] = std::bit_cast<uint32_t>(z);
    }
    if (kept != i) list[kept] = p;
    ++kept;
  }
  list.resize(kept);
  const size_t drawn = std::min(kept, maxDrawn);
  keys.resize(drawn);
  // The drawn ones back to front: the camera looks down -z, so ascending depth.
  SortByDepth(keys, e.aSortSwap, depths);

  ParticleInstance* out = e.aInstances.data();
  constexpr size_t kAhead = 16;  // particles fetched ahead of the copy: the reads jump
  for (size_t i = 0; i < drawn; ++i) {
    if (i + kAhead < drawn) {
      const char* next = reinterpret_cast<const char*>(&list[static_cast<uint32_t>(keys[i + kAhead])]);
      _mm_prefetch(next, _MM_HINT_T0);
      _mm_prefetch(next + 47, _MM_HINT_T0);  // the record's last byte may lie on the next line
    }
    const Particle& p = list[static_cast<uint32_t>(keys[i])];
    ParticleInstance& record = out[i];
    _mm_storeu_ps(&record.v4fPosition.x, _mm_loadu_ps(&p.v4fPosition.x));
    _mm_storeu_ps(&record.v4fColor.x, _mm_loadu_ps(&p.v4fColor.x));
    record.fSize = p.fSize;
    record.fRotation = p.fRotation;
  }
  e.iDrawn = static_cast<int32_t>(drawn);

  const v4f origin{e.mWorld.e[12], e.mWorld.e[13], e.mWorld.e[14], 1.0f};
  e.fViewKey = origin.x * view.e[2] + origin.y * view.e[6] + origin.z * view.e[10] + view.e[14];
}

}  // namespace

m4f CurrentViewMatrix() {
  return *VLM_CameraViewMatrix();
}

int64_t NowMilliseconds() {
  const int64_t ms = platform::PerformanceCounter() / (platform::kCounterFrequency / 1000);
  return ms != 0 ? ms : 1;
}

int32_t Spawn(VLM_PARTICLE_EMITTER& e, int32_t count, float x, float y, float z, int64_t nowMs) {
  const int64_t room = kMaxParticlesPerEmitter - static_cast<int64_t>(e.aParticles.size());
  const int32_t n = static_cast<int32_t>(std::clamp<int64_t>(count, 0, room));
  const bool worldMode = e.iCoordinateMode == VLM_PARTICLES_WORLD;
  for (int32_t i = 0; i < n; ++i) {
    Particle p{};
    const float force = Draw(e, VLM_PARTICLE_FORCE);
    p.v4fPosition = ShapePosition(e, x, y, z);
    if (worldMode) VLM_v4fTransform(&p.v4fPosition, &e.mWorld);
    p.v4fVelocity = ConeDirection(e, force);
    VLM_v4fTransform(&p.v4fVelocity, &e.mRotation);
    if (worldMode) VLM_v4fTransform(&p.v4fVelocity, &e.mWorld);
    p.v4fVelocity.x += e.v4fVelocity.x;
    p.v4fVelocity.y += e.v4fVelocity.y;
    p.v4fVelocity.z += e.v4fVelocity.z;
    p.v4fVelocity.w = 0.0f;
    p.fSize = Draw(e, VLM_PARTICLE_SIZE);
    p.fSizeGrowth = Draw(e, VLM_PARTICLE_GROWTH);
    p.fFadeIn = Draw(e, VLM_PARTICLE_FADE_IN);
    p.fFadeOut = Draw(e, VLM_PARTICLE_FADE_OUT);
    p.fTargetIntensity = Draw(e, VLM_PARTICLE_INTENSITY);
    p.fIntensity = p.fFadeIn != 0.0f ? 0.0f : p.fTargetIntensity;
    const float life = std::clamp(Draw(e, VLM_PARTICLE_LIFETIME), 0.0f, kMaxLifetimeMs);
    p.iDeathTime = static_cast<int32_t>(static_cast<uint32_t>(nowMs + std::lround(life)));
    p.v4fColor = e.v4fColor;
    p.v4fColor.w *= p.fIntensity;
    p.fRotationSpeed = Draw(e, VLM_PARTICLE_ROTATION_SPEED);
    p.fRotation = Draw(e, VLM_PARTICLE_ROTATION);
    p.v4fViewPosition = p.v4fPosition;
    e.aParticles.push_back(p);
  }
  return n;
}

void UpdateEmitters(int64_t nowMs, float dt, const m4f& view) {
  ParticleState& state = Particles();
  Lock lock(state.lock);
  if (!std::isfinite(dt) || dt < 0.0f) dt = 0.0f;
  state.drawOrder.clear();
  ParticleEmitterRegistry().ForEach([&](VLM_PARTICLE_EMITTER* e) {
    UpdateEmitter(*e, nowMs, dt, view);
    state.drawOrder.push_back(e);
  });
  std::stable_sort(state.drawOrder.begin(), state.drawOrder.end(),
                   [](const VLM_PARTICLE_EMITTER* a, const VLM_PARTICLE_EMITTER* b) {
                     return OrderedKey(a->fViewKey) < OrderedKey(b->fViewKey);
                   });
  for (VLM_PARTICLE_EMITTER* e : state.drawOrder) UploadInstances(*e);
}

int DrawEmitters(const std::function<bool(const VLM_PARTICLE_EMITTER&)>& setUp) {
  ParticleState& state = Particles();
  Lock lock(state.lock);
  int drawn = 0;
  for (const VLM_PARTICLE_EMITTER* e : state.drawOrder) {
    if (e->iDrawn <= 0 || !e->iVertexArray || !setUp(*e)) continue;
    gl::BindVertexArray(e->iVertexArray);
    gl::DrawArraysInstanced(GL_TRIANGLE_STRIP, 0, 4, e->iDrawn);
    ++drawn;
  }
  if (drawn) gl::BindVertexArray(0);
  return drawn;
}

}  // namespace vlm::particles

extern "C" {

int VLM_UpdateParticles(void) {
  vlm::particles::UpdateEmitters(vlm::particles::NowMilliseconds(), vlm::Timing().lastFrameSeconds,
                                 vlm::particles::CurrentViewMatrix());
  return 0;
}

}  // extern "C"
