// Nodes: placed points for hanging other entities on.
#include "core/registries.h"
#include "scene/entity.h"
#include "scene/entity_records.h"
#include "velmora/registry.h"

extern "C" {

VLM_NODE* VLM_CreateNode(VLM_HANDLE id, const char* name) {
  // The record starts at the origin, unturned and unscaled (its constructor).
  return VLM_CreateNodeListEntry(&id, name ? name : "");
}

int VLM_NodePosition(VLM_HANDLE handle, const v4f* vector, int mode) {
  return vlm::PlacePosition(vlm::NodeRegistry().Resolve(handle), vector, mode, "VLM_NodePosition");
}

int VLM_NodeRotation(VLM_HANDLE handle, float ax, float ay, float az, int mode) {
  return vlm::PlaceRotation(vlm::NodeRegistry().Resolve(handle), ax, ay, az, mode, "VLM_NodeRotation");
}

int VLM_NodeScale(VLM_HANDLE handle, float x, float y, float z, int mode) {
  return vlm::PlaceScale(vlm::NodeRegistry().Resolve(handle), x, y, z, mode, "VLM_NodeScale");
}

int VLM_FreeNode(VLM_HANDLE handle) {
  VLM_NODE* node = vlm::NodeRegistry().Resolve(handle);
  if (!node) return 0;
  vlm::DetachChildren(node);
  vlm::NodeRegistry().Remove(node);
  return 1;
}

}  // extern "C"
