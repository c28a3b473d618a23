// Release procedures of kinds whose resources come with later work.
#include "core/registries.h"
#include "render/records.h"
#include "velmora/registry.h"

extern "C" {

int VLM_FreeRibbon(VLM_HANDLE handle) { return vlm::RibbonRegistry().Free(handle); }

int VLM_FreeBillboard(VLM_HANDLE handle) { return vlm::BillboardRegistry().Free(handle); }

}  // extern "C"
