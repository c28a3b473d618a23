// Release of this kind: its resources come with later work.
#include "core/context.h"
#include "velmora/registry.h"

extern "C" {

int VLM_FreeSound(VLM_HANDLE handle) {
  return vlm::Ctx().registries.sounds.Free(handle);
}

}  // extern "C"
