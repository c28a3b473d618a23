// Release procedures of kinds whose resources come with later work.
#include "core/context.h"
#include "velmora/registry.h"

extern "C" {

int VLM_FreeShader(VLM_HANDLE handle) { return vlm::Ctx().registries.shaders.Free(handle); }

int VLM_FreeParticleEmitter(VLM_HANDLE handle) {
  return vlm::Ctx().registries.particleEmitters.Free(handle);
}

int VLM_FreeRibbon(VLM_HANDLE handle) { return vlm::Ctx().registries.ribbons.Free(handle); }

int VLM_FreeBillboard(VLM_HANDLE handle) { return vlm::Ctx().registries.billboards.Free(handle); }

}  // extern "C"
