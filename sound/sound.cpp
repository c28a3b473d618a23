// Release of this kind: its resources come with later work.
#include "core/registries.h"
#include "sound/records.h"
#include "velmora/registry.h"

extern "C" {

int VLM_FreeSound(VLM_HANDLE handle) {
  return vlm::SoundRegistry().Free(handle);
}

}  // extern "C"
