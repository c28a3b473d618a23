// Release of this kind: its resources come with later work.
#include "core/registries.h"
#include "definition/records.h"
#include "velmora/registry.h"

extern "C" {

int VLM_FreeTexture(VLM_HANDLE handle) { return vlm::TextureRegistry().Free(handle); }

}  // extern "C"
