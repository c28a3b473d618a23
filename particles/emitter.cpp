// Particle emitters: creation, release, the parameter setters and counting.
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <mutex>

#include "core/fail.h"
#include "core/finite.h"
#include "core/registries.h"
#include "core/registry.h"
#include "particles/particle_internal.h"
#include "particles/particle_state.h"
#include "velmora/math.h"
#include "velmora/particles.h"
#include "velmora/registry.h"

using Lock = std::lock_guard<std::recursive_mutex>;

namespace vlm {
namespace {

constexpr const char* kNotFound = "Fail: Particle emitter not found!";

// The emitter a procedure works on, or null with the failure row.
VLM_PARTICLE_EMITTER* Resolve(VLM_HANDLE handle, const char* procedure) {
  VLM_PARTICLE_EMITTER* emitter = ParticleEmitterRegistry().Resolve(handle);
  if (!emitter) Fail(kNotFound, procedure);
  return emitter;
}

// A setter's frame: under the lock, change(emitter) gives the result, 0
// (with the failure row) when the handle names no emitter.
template <class F>
int Edit(VLM_HANDLE handle, const char* procedure, F&& change) {
  std::lock_guard<std::recursive_mutex> lock(Particles().lock);
  VLM_PARTICLE_EMITTER* emitter = Resolve(handle, procedure);
  return emitter ? change(*emitter) : 0;
}

// As Edit for a change that stores numbers: refused unless all are finite.
template <class F>
int EditNumbers(VLM_HANDLE handle, const char* procedure, std::initializer_list<float> numbers, F&& change) {
  return Edit(handle, procedure, [&](VLM_PARTICLE_EMITTER& emitter) {
    if (!AllFinite(numbers)) return RefuseNumber(procedure);
    change(emitter);
    return 1;
  });
}

// The material handle an emitter keeps: -1 for the engine's particle
// material, so that the default follows whatever start-up made.
intptr_t CheckedMaterial(VLM_HANDLE material, const char* procedure) {
  if (material == -1) return -1;
  if (!MaterialRegistry().Resolve(material)) {
    Fail("Fail: Material not found!", procedure);
    return -1;
  }
  return material;
}

}  // namespace

void ResetParticles() {
  Lock lock(Particles().lock);
  ParticleEmitterRegistry().Reset();
  Particles().drawOrder.clear();
}

}  // namespace vlm

extern "C" {

VLM_PARTICLE_EMITTER* VLM_CreateParticleEmitter(VLM_HANDLE id, VLM_HANDLE material, const char* name) {
  constexpr const char* kProc = "VLM_CreateParticleEmitter";
  Lock lock(vlm::Particles().lock);
  const intptr_t materialHandle = vlm::CheckedMaterial(material, kProc);
  VLM_HANDLE handle = id;
  VLM_PARTICLE_EMITTER* emitter = VLM_CreateParticleEmitterListEntry(&handle, name);
  if (!emitter) return nullptr;
  emitter->hMaterial = materialHandle;
  emitter->aInstances.resize(static_cast<size_t>(emitter->iMaxDrawn));
  vlm::particles::CreateEmitterGL(*emitter);
  return emitter;
}

int VLM_FreeParticleEmitter(VLM_HANDLE handle) {
  Lock lock(vlm::Particles().lock);
  VLM_PARTICLE_EMITTER* emitter = vlm::ParticleEmitterRegistry().Resolve(handle);
  if (!emitter) return 0;
  std::vector<VLM_PARTICLE_EMITTER*>& order = vlm::Particles().drawOrder;
  order.erase(std::remove(order.begin(), order.end(), emitter), order.end());
  vlm::particles::DeleteEmitterGL(*emitter);
  vlm::ParticleEmitterRegistry().Remove(emitter);
  return 1;
}

int32_t VLM_EmitParticles(VLM_HANDLE handle, int32_t count, float x, float y, float z) {
  constexpr const char* kProc = "VLM_EmitParticles";
  Lock lock(vlm::Particles().lock);
  VLM_PARTICLE_EMITTER* emitter = vlm::Resolve(handle, kProc);
  if (!emitter) return 0;
  if (!vlm::AllFinite({x, y, z})) return vlm::RefuseNumber(kProc);
  if (count <= 0) return 0;
  return vlm::particles::Spawn(*emitter, count, x, y, z, vlm::particles::NowMilliseconds());
}

int64_t VLM_CountParticles(VLM_HANDLE handle) {
  Lock lock(vlm::Particles().lock);
  if (handle == -1) {
    int64_t sum = 0;
    vlm::ParticleEmitterRegistry().ForEach(
        [&sum](const VLM_PARTICLE_EMITTER* e) { sum += static_cast<int64_t>(e->aParticles.size()); });
    return sum;
  }
  const VLM_PARTICLE_EMITTER* emitter = vlm::ParticleEmitterRegistry().Resolve(handle);
  return emitter ? static_cast<int64_t>(emitter->aParticles.size()) : 0;
}

int VLM_SetParticleEmissionShape(VLM_HANDLE handle, int32_t shape) {
  constexpr const char* kProc = "VLM_SetParticleEmissionShape";
  return vlm::Edit(handle, kProc, [&](VLM_PARTICLE_EMITTER& e) {
    if (shape < VLM_EMISSION_POINT || shape > VLM_EMISSION_RING) {
      vlm::Fail("Fail: Unknown emission shape!", kProc);
      return 0;
    }
    e.iShape = shape;
    return 1;
  });
}

int VLM_SetParticleEmissionSize(VLM_HANDLE handle, float x, float y, float z) {
  return vlm::EditNumbers(handle, "VLM_SetParticleEmissionSize", {x, y, z},
                          [&](VLM_PARTICLE_EMITTER& e) { VLM_v4fSet(&e.v4fShapeSize, x, y, z, 0.0f); });
}

int VLM_SetParticleEmissionDirection(VLM_HANDLE handle, float x, float y, float z) {
  constexpr const char* kProc = "VLM_SetParticleEmissionDirection";
  const float largest = std::max({std::fabs(x), std::fabs(y), std::fabs(z)});
  if (largest == 0.0f) {
    vlm::Fail("Fail: The direction has no length!", kProc);
    return 0;
  }
  return vlm::EditNumbers(handle, kProc, {x, y, z}, [&](VLM_PARTICLE_EMITTER& e) {
    // Scaled to a largest component of 1 first, so that the length of a
    // huge or tiny direction neither overflows nor underflows.
    v4f forward{};
    VLM_v4fSet(&forward, x / largest, y / largest, z / largest, 0.0f);
    VLM_v4fNormalize(&forward);
    // Any axis not along the direction completes an orthonormal frame whose
    // third row is the direction (x cross y = z).
    const v4f helper = std::fabs(forward.y) < 0.9f ? v4f{0, 1, 0, 0} : v4f{1, 0, 0, 0};
    v4f right, up;
    VLM_v4fCross(&right, &helper, &forward);
    VLM_v4fNormalize(&right);
    VLM_v4fCross(&up, &forward, &right);
    const v4f rows[3] = {right, up, forward};
    m4f& m = e.mRotation;
    VLM_m4fSetDiagonal(&m, 1.0f);
    for (int r = 0; r < 3; ++r) {
      m.e[4 * r + 0] = rows[r].x;
      m.e[4 * r + 1] = rows[r].y;
      m.e[4 * r + 2] = rows[r].z;
    }
  });
}

int VLM_SetParticleEmissionAngle(VLM_HANDLE handle, float degrees) {
  return vlm::EditNumbers(handle, "VLM_SetParticleEmissionAngle", {degrees},
                          [&](VLM_PARTICLE_EMITTER& e) { e.fAngle = degrees; });
}

int VLM_SetParticleEmissionRate(VLM_HANDLE handle, float perSecond) {
  constexpr const char* kProc = "VLM_SetParticleEmissionRate";
  return vlm::Edit(handle, kProc, [&](VLM_PARTICLE_EMITTER& e) {
    if (!vlm::RefuseUnless(std::isfinite(perSecond), kProc) ||
        !vlm::RefuseUnless(perSecond >= 0.0f, kProc, "Fail: An emission rate must not be negative!"))
      return 0;
    e.fRate = perSecond;
    return 1;
  });
}

int VLM_SetParticleEmitting(VLM_HANDLE handle, int32_t on) {
  return vlm::EditNumbers(handle, "VLM_SetParticleEmitting", {},
                          [&](VLM_PARTICLE_EMITTER& e) { e.iEmitting = on ? 1 : 0; });
}

int VLM_SetParticleCoordinateMode(VLM_HANDLE handle, int32_t mode) {
  return vlm::EditNumbers(handle, "VLM_SetParticleCoordinateMode", {},
                          [&](VLM_PARTICLE_EMITTER& e) { e.iCoordinateMode = mode; });
}

int VLM_SetParticleTurbulence(VLM_HANDLE handle, float turbulence) {
  return vlm::EditNumbers(handle, "VLM_SetParticleTurbulence", {turbulence},
                          [&](VLM_PARTICLE_EMITTER& e) { e.fTurbulence = turbulence; });
}

int VLM_SetParticleMaxDrawn(VLM_HANDLE handle, int32_t count) {
  constexpr const char* kProc = "VLM_SetParticleMaxDrawn";
  return vlm::Edit(handle, kProc, [&](VLM_PARTICLE_EMITTER& e) {
    if (count < 0 || count > vlm::kMaxParticlesPerEmitter) {
      vlm::Fail("Fail: Particle count out of range!", kProc);
      return 0;
    }
    e.iMaxDrawn = count;
    e.iDrawn = std::min(e.iDrawn, count);
    e.aInstances.resize(static_cast<size_t>(count));
    e.aInstances.shrink_to_fit();
    vlm::particles::ResizeInstanceBuffer(e);
    return 1;
  });
}

int VLM_SetParticleRange(VLM_HANDLE handle, int32_t which, float min, float max) {
  constexpr const char* kProc = "VLM_SetParticleRange";
  if (which < 0 || which >= VLM_PARTICLE_RANGE_COUNT) {
    vlm::Fail("Fail: Unknown particle range!", kProc);
    return 0;
  }
  return vlm::Edit(handle, kProc, [&](VLM_PARTICLE_EMITTER& e) {
    if (!vlm::RefuseUnless(vlm::AllFinite({min, max}), kProc)) return 0;
    if (const char* refusal = vlm::particles::RangeRefusal(which, min, max)) return vlm::RefuseNumber(kProc, refusal);
    e.aRanges[which] = {min, max};
    return 1;
  });
}

int VLM_SetParticleVelocity(VLM_HANDLE handle, float x, float y, float z) {
  return vlm::EditNumbers(handle, "VLM_SetParticleVelocity", {x, y, z},
                          [&](VLM_PARTICLE_EMITTER& e) { VLM_v4fSet(&e.v4fVelocity, x, y, z, 0.0f); });
}

int VLM_SetParticleColor(VLM_HANDLE handle, float r, float g, float b, float a) {
  return vlm::EditNumbers(handle, "VLM_SetParticleColor", {r, g, b, a},
                          [&](VLM_PARTICLE_EMITTER& e) { VLM_v4fSet(&e.v4fColor, r, g, b, a); });
}

int VLM_SetParticleMaterial(VLM_HANDLE handle, VLM_HANDLE material) {
  constexpr const char* kProc = "VLM_SetParticleMaterial";
  return vlm::Edit(handle, kProc, [&](VLM_PARTICLE_EMITTER& e) {
    if (material != -1 && !vlm::MaterialRegistry().Resolve(material)) {
      vlm::Fail("Fail: Material not found!", kProc);
      return 0;
    }
    e.hMaterial = material;
    return 1;
  });
}

int VLM_SetParticleEmitterPosition(VLM_HANDLE handle, float x, float y, float z) {
  return vlm::EditNumbers(handle, "VLM_SetParticleEmitterPosition", {x, y, z}, [&](VLM_PARTICLE_EMITTER& e) {
    e.mWorld.e[12] = x;
    e.mWorld.e[13] = y;
    e.mWorld.e[14] = z;
  });
}

int VLM_SetParticleEmitterMatrix(VLM_HANDLE handle, const m4f* world) {
  constexpr const char* kProc = "VLM_SetParticleEmitterMatrix";
  if (!world) {
    vlm::Fail("Fail: No matrix given!", kProc);
    return 0;
  }
  const float* w = world->e;
  return vlm::EditNumbers(handle, kProc,
                          {w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12], w[13],
                           w[14], w[15]},
                          [&](VLM_PARTICLE_EMITTER& e) { e.mWorld = *world; });
}

int VLM_SetParticleSeed(VLM_HANDLE handle, uint32_t seed) {
  return vlm::EditNumbers(handle, "VLM_SetParticleSeed", {},
                          [&](VLM_PARTICLE_EMITTER& e) { e.random.Seed(seed); });
}

}  // extern "C"
