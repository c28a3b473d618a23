// The particle emitters' part of the engine context, and the procedures the
// frame pipeline and the tests reach them by.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "velmora/types.h"

struct VLM_PARTICLE_EMITTER;

namespace vlm {

struct ParticleState {
  // Guards the emitter list and every emitter's particles. Recursive: an
  // emitter created under an ID in use releases the old one from inside
  // its creation.
  std::recursive_mutex lock;
  // The emitters back to front (ascending view-space depth of their
  // origins), as the last update sorted them.
  std::vector<VLM_PARTICLE_EMITTER*> drawOrder;
};

ParticleState& Particles();

// Releases every emitter: a fresh start for tests.
void ResetParticles();

namespace particles {

// The camera's view matrix that sorts the particles.
m4f CurrentViewMatrix();

// Engine milliseconds: the monotonic clock, never 0.
int64_t NowMilliseconds();

// One update of every emitter at now (engine milliseconds) after a frame
// of dt seconds, sorted for the given view matrix; uploads the drawn
// instance records when a GL context is open.
void UpdateEmitters(int64_t nowMs, float dt, const m4f& view);

// The draw of the frame pipeline: for each emitter with a drawn particle,
// back to front, setUp(emitter) chooses program, textures, blend factors
// and the model-view block (view x world matrix in the local mode, else the
// view); when it returns true the emitter's vertex array is bound and its
// drawn particles are drawn as instanced 4-vertex triangle strips. Holds
// the emitter lock throughout. Returns the number of emitters drawn.
int DrawEmitters(const std::function<bool(const VLM_PARTICLE_EMITTER&)>& setUp);

// The frame pipeline's particle hook: set at start-up, cleared at shutdown.
void InstallFrameHook();
void RemoveFrameHook();

}  // namespace particles
}  // namespace vlm
