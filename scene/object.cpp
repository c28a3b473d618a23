// Objects: release.
#include "core/registries.h"
#include "scene/entity.h"
#include "scene/object_record.h"
#include "velmora/registry.h"

namespace vlm {

void ResetObjects() { ObjectRegistry().ReleaseAll(); }

}  // namespace vlm

extern "C" {

int VLM_FreeObject(VLM_HANDLE handle) {
  auto& registry = vlm::ObjectRegistry();
  auto* record = registry.Resolve(handle);
  if (!record) return 0;
  // Whatever hangs on the object lets go of it.
  vlm::DetachChildren(record);
  registry.Remove(record);
  return 1;
}

}  // extern "C"
