// Objects: release.
#include "core/context.h"
#include "scene/entity.h"
#include "velmora/registry.h"

extern "C" {

int VLM_FreeObject(VLM_HANDLE handle) {
  auto& registry = vlm::Ctx().registries.objects;
  auto* record = registry.Resolve(handle);
  if (!record) return 0;
  // Whatever hangs on the object lets go of it.
  vlm::DetachChildren(record);
  registry.Remove(record);
  return 1;
}

}  // extern "C"
