// Release procedures of kinds whose resources come with later work.
#include "core/context.h"
#include "velmora/registry.h"

extern "C" {

int VLM_FreeNode(VLM_HANDLE handle) {
  auto& registry = vlm::Ctx().registries.nodes;
  auto* record = registry.Resolve(handle);
  if (!record) return 0;
  registry.Remove(record);
  return 1;
}

int VLM_FreeAnimation(VLM_HANDLE handle) {
  auto& registry = vlm::Ctx().registries.animations;
  auto* record = registry.Resolve(handle);
  if (!record) return 0;
  registry.Remove(record);
  return 1;
}

int VLM_FreeSkeleton(VLM_HANDLE handle) {
  auto& registry = vlm::Ctx().registries.skeletons;
  auto* record = registry.Resolve(handle);
  if (!record) return 0;
  registry.Remove(record);
  return 1;
}

}  // extern "C"
