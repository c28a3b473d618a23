// The particles' part of the frame: the hook the effect pass calls, drawing
// every emitter through the renderer's particle set-up.
#include "core/registries.h"
#include "particles/particle_record.h"
#include "particles/particle_state.h"
#include "render/effects.h"
#include "render/frame.h"
#include "render/render_state.h"
#include "velmora/render.h"

namespace vlm::particles {
namespace {

void DrawFrameParticles(const m4f& view) {
  render::BeginParticles();
  const intptr_t fallback = Render().defaults.particleMaterial;
  DrawEmitters([&](const VLM_PARTICLE_EMITTER& emitter) {
    const VLM_MATERIAL* material = MaterialRegistry().Resolve(emitter.hMaterial);
    if (!material) material = MaterialRegistry().Resolve(fallback);
    // Local particles live in the emitter's space; the others in the world.
    const m4f modelView = emitter.iCoordinateMode == VLM_PARTICLES_LOCAL
                              ? render::Multiply(emitter.mWorld, view)
                              : view;
    return render::SetUpParticleMaterial(material, modelView);
  });
  render::EndParticles();
}

}  // namespace

void InstallFrameHook() { Render().hooks.drawParticles = DrawFrameParticles; }
void RemoveFrameHook() { Render().hooks.drawParticles = nullptr; }

}  // namespace vlm::particles
