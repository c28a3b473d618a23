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

}  // namespace vlm::particles
