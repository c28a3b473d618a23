// Nodes: placed points for hanging other entities on.
#include "core/fail.h"
#include "core/registries.h"
#include "scene/entity.h"
#include "scene/records.h"
#include "velmora/registry.h"

extern "C" {

VLM_NODE* VLM_CreateNode(VLM_HANDLE id, const char* name) {
  // The record starts at the origin, unturned and unscaled (its constructor).
  return VLM_CreateNodeListEntry(&id, name ? name : "");
}

int VLM_NodePosition(VLM_HANDLE handle, const v4f* vector, int mode) {
  if (!vlm::NodeRegistry().Resolve(handle)) return 0;
  if (!vector) {
    vlm::Fail("Fail: No position given!", "VLM_NodePosition");
    return 0;
  }
  return vlm::ChangePlacement(vlm::NodeRegistry().Resolve(handle), "VLM_NodePosition", [&](VLM_NODE* node) {
    vlm::ApplyPositionMode(&node->header, &node->v4fPosition, *vector, mode);
  });
}

int VLM_NodeRotation(VLM_HANDLE handle, float ax, float ay, float az, int mode) {
  return vlm::ChangePlacement(vlm::NodeRegistry().Resolve(handle), "VLM_NodeRotation", [&](VLM_NODE* node) {
    vlm::ApplyRotationMode(&node->header, &node->q4fOrientation, ax, ay, az, mode);
  });
}

int VLM_NodeScale(VLM_HANDLE handle, float x, float y, float z, int mode) {
  return vlm::ChangePlacement(vlm::NodeRegistry().Resolve(handle), "VLM_NodeScale",
                         [&](VLM_NODE* node) { vlm::ApplyScaleMode(&node->v4fScale, x, y, z, mode); });
}

int VLM_FreeNode(VLM_HANDLE handle) {
  VLM_NODE* node = vlm::NodeRegistry().Resolve(handle);
  if (!node) return 0;
  vlm::DetachChildren(node);
  vlm::NodeRegistry().Remove(node);
  return 1;
}

}  // extern "C"
