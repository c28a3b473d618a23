// Release of this kind: its resources come with later work.
#include "core/context.h"
#include "velmora/registry.h"

extern "C" {

int VLM_FreeMaterial(VLM_HANDLE handle) {
  auto& registry = vlm::Ctx().registries.materials;
  auto* record = registry.Resolve(handle);
  if (!record) return 0;
  registry.Remove(record);
  return 1;
}

}  // extern "C"
