// Release of this kind: its resources come with later work.
#include "core/registries.h"
#include "definition/records.h"
#include "velmora/registry.h"

extern "C" {

int VLM_FreeMaterial(VLM_HANDLE handle) { return vlm::MaterialRegistry().Free(handle); }

}  // extern "C"
