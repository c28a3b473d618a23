// Release procedures of kinds whose resources come with later work.
#include "core/context.h"
#include "velmora/registry.h"

extern "C" {

int VLM_FreeShader(VLM_HANDLE handle) {
  auto& registry = vlm::Ctx().registries.shaders;
  auto* record = registry.Resolve(handle);
  if (!record) return 0;
  registry.Remove(record);
  return 1;
}

int VLM_FreeParticleEmitter(VLM_HANDLE handle) {
  auto& registry = vlm::Ctx().registries.particleEmitters;
  auto* record = registry.Resolve(handle);
  if (!record) return 0;
  registry.Remove(record);
  return 1;
}

int VLM_FreeRibbon(VLM_HANDLE handle) {
  auto& registry = vlm::Ctx().registries.ribbons;
  auto* record = registry.Resolve(handle);
  if (!record) return 0;
  registry.Remove(record);
  return 1;
}

int VLM_FreeBillboard(VLM_HANDLE handle) {
  auto& registry = vlm::Ctx().registries.billboards;
  auto* record = registry.Resolve(handle);
  if (!record) return 0;
  registry.Remove(record);
  return 1;
}

}  // extern "C"
