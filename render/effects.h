// What the effect pass shares with the floors above the renderer: the
// set-up of one particle emitter's draw, and the billboard groups' draw.
#pragma once

#include "velmora/types.h"

struct VLM_MATERIAL;
struct VLM_SHADER;

namespace vlm::render {

// Before the emitters: the G-buffer array on unit 0 and the depth texture
// on unit 1, depth writes off (the particle programs test the scene depth
// themselves and must not write the texture they read).
void BeginParticles();
// One emitter: model-view (first 64 bytes of the Model block), the
// material's colour texture on unit 2, its program ("Particle" or "Soft
// Particle") with its samplers and its blend factors. False when the
// material cannot draw particles; the emitter is then skipped.
bool SetUpParticleMaterial(const VLM_MATERIAL* material, const m4f& modelView);
// After the emitters: depth writes and the default blend factors back.
void EndParticles();

// Uploads changed billboards and draws every shown group, instanced.
void DrawBillboards(const m4f& view);

}  // namespace vlm::render
