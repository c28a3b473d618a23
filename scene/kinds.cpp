// Release procedures of kinds whose resources come with later work.
#include "core/registries.h"
#include "scene/entity_records.h"
#include "velmora/registry.h"

extern "C" {

int VLM_FreeAnimation(VLM_HANDLE handle) {
  return vlm::AnimationRegistry().Free(handle);
}

int VLM_FreeSkeleton(VLM_HANDLE handle) {
  return vlm::SkeletonRegistry().Free(handle);
}

}  // extern "C"
