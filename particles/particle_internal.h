// Shared by the emitter sources: GL objects and spawning.
#pragma once

#include <cstdint>

#include "particles/particle_record.h"

namespace vlm::particles {

// Vertex array, quad vertex buffer and instance buffer of a new emitter
// (nothing without a GL context).
void CreateEmitterGL(VLM_PARTICLE_EMITTER& emitter);
// The instance buffer re-allocated to iMaxDrawn records, GL_STREAM_DRAW.
void ResizeInstanceBuffer(VLM_PARTICLE_EMITTER& emitter);
// The first iDrawn instance records into the instance buffer.
void UploadInstances(VLM_PARTICLE_EMITTER& emitter);
void DeleteEmitterGL(VLM_PARTICLE_EMITTER& emitter);

// Spawns count particles at (x, y, z) at engine time nowMs, up to the
// emitter's particle limit. Returns the number spawned.
int32_t Spawn(VLM_PARTICLE_EMITTER& emitter, int32_t count, float x, float y, float z, int64_t nowMs);

// Why finite (min, max) cannot be range `which`, or null when it can: a
// range runs upwards, and a lifetime is not negative.
inline const char* RangeRefusal(int32_t which, float min, float max) {
  if (max < min) return "Fail: A range's maximum must not lie below its minimum!";
  if (which == VLM_PARTICLE_LIFETIME && min < 0.0f) return "Fail: A lifetime must not be negative!";
  return nullptr;
}

}  // namespace vlm::particles
