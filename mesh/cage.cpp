// Release of this kind: its resources come with later work.
#include "core/context.h"
#include "velmora/registry.h"

extern "C" {

int VLM_FreeCage(VLM_HANDLE handle) {
  auto& registry = vlm::Ctx().registries.cages;
  auto* record = registry.Resolve(handle);
  if (!record) return 0;
  registry.Remove(record);
  return 1;
}

// -1 means no cage; -2 the built-in point cage made by physics start-up.
VLM_CAGE* VLM_ResolveCage(VLM_HANDLE handle) {
  if (handle == -1 || handle == -2) return nullptr;
  return vlm::Ctx().registries.cages.Resolve(handle);
}

}  // extern "C"
