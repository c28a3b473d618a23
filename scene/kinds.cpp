// Release procedures of kinds whose resources come with later work.
#include "core/context.h"
#include "velmora/registry.h"

extern "C" {

int VLM_FreeNode(VLM_HANDLE handle) {
  return vlm::Ctx().registries.nodes.Free(handle);
}

int VLM_FreeAnimation(VLM_HANDLE handle) {
  return vlm::Ctx().registries.animations.Free(handle);
}

int VLM_FreeSkeleton(VLM_HANDLE handle) {
  return vlm::Ctx().registries.skeletons.Free(handle);
}

}  // extern "C"
