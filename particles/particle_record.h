// Records of particle emitters: the particle, the 40-byte instance record
// the shaders read, and the emitter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "particles/particle_random.h"
#include "velmora/particles.h"
#include "velmora/types.h"

namespace vlm {

// One live particle, fields in the engine's order.
struct Particle {
  float fSize;            // edge length of the quad
  float fSizeGrowth;      // per second
  float fRotation;        // radians
  float fRotationSpeed;   // radians per second
  v4f v4fPosition;        // emitter space (local mode) or world space
  v4f v4fColor;           // alpha = material alpha x intensity
  v4f v4fVelocity;        // units per second, w = 0
  int32_t iDeathTime;     // engine milliseconds, compared wrap-safe
  float fIntensity;
  float fTargetIntensity;
  float fFadeOut;         // intensity per second after the death time
  float fFadeIn;          // intensity per second until the target
  v4f v4fViewPosition;    // recomputed by every update
};
static_assert(sizeof(Particle) == 100, "particle fields are packed floats");

// Per-instance data of the emitter's vertex array (attributes 7, 4, 8, 9).
struct ParticleInstance {
  v4f v4fPosition;  // vPosition, byte 0
  v4f v4fColor;     // vColor, byte 16
  float fSize;      // fSize, byte 32
  float fRotation;  // fRotation, byte 36
};
static_assert(sizeof(ParticleInstance) == 40, "the instance buffer holds 40 bytes per particle");
static_assert(offsetof(ParticleInstance, v4fColor) == 16 && offsetof(ParticleInstance, fSize) == 32 &&
                  offsetof(ParticleInstance, fRotation) == 36,
              "instance attribute offsets");

// A value range drawn uniformly.
struct ParticleRange {
  float fMin;
  float fMax;
};

// Most particles one emitter keeps alive or draws: bounds the memory an
// emission rate or a count can ask for (about 100 MB of particles).
constexpr int32_t kMaxParticlesPerEmitter = 1 << 20;

}  // namespace vlm

struct VLM_PARTICLE_EMITTER {
  intptr_t iHandle = 0;
  std::string sName;

  // Emission.
  int32_t iShape = VLM_EMISSION_POINT;
  v4f v4fShapeSize{0.0f, 0.0f, 0.0f, 0.0f};  // box edges, or ring ellipse scale and height
  int32_t iCoordinateMode = VLM_PARTICLES_WORLD;
  float fAngle = 0.0f;        // cone half-opening, degrees
  float fRate = 1.0f;         // particles per second
  float fTurbulence = 0.0f;
  vlm::ParticleRange aRanges[VLM_PARTICLE_RANGE_COUNT] = {
      {1.0f, 1.0f},        // ring radius
      {1.0f, 1.0f},        // force
      {0.0f, 0.0f},        // fade-out
      {0.0f, 0.0f},        // fade-in
      {1000.0f, 1000.0f},  // lifetime, ms
      {1.0f, 1.0f},        // intensity
      {1.0f, 1.0f},        // size
      {0.0f, 0.0f},        // growth
      {0.0f, 0.0f},        // rotation
      {0.0f, 0.0f},        // rotation speed
  };
  v4f v4fVelocity{0.0f, 0.0f, 0.0f, 0.0f};   // added to every new particle
  v4f v4fColor{1.0f, 1.0f, 1.0f, 1.0f};
  // Rotation of the emission direction: row 2 is the direction the cone
  // opens along (+y until a direction is set).
  m4f mRotation{{1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1}};
  m4f mWorld{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

  // State.
  int32_t iEmitting = 1;
  int32_t iMaxDrawn = 256;
  int32_t iDrawn = 0;          // instance records written by the last update
  int64_t iLastEmission = 0;   // engine milliseconds; 0 = not started
  float fViewKey = 0.0f;       // view-space depth of the emitter's origin
  intptr_t hMaterial = -1;     // -1: the engine's particle material
  vlm::ParticleRandom random;

  // Live particles in spawn order (deaths close the gaps); the sort orders
  // the instance records, which is all that drawing sees.
  std::vector<vlm::Particle> aParticles;
  std::vector<vlm::ParticleInstance> aInstances;  // iMaxDrawn records

  // GL objects (0 without a context).
  uint32_t iVertexArray = 0;
  uint32_t iInstanceBuffer = 0;
  uint32_t iQuadBuffer = 0;

  // Scratch of the sort, kept to spare allocations every frame.
  std::vector<uint64_t> aSortKeys;
  std::vector<uint64_t> aSortSwap;
};
