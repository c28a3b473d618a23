// Release of this kind: its resources come with later work.
#include "core/context.h"
#include "velmora/registry.h"

extern "C" {

int VLM_FreeTexture(VLM_HANDLE handle) { return vlm::Ctx().registries.textures.Free(handle); }

}  // extern "C"
