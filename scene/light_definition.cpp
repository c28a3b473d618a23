// Light definitions: the "Light" block of a definition file.
#include <cmath>
#include <string_view>

#include "core/finite.h"
#include "definition/definition_tree.h"
#include "scene/light.h"
#include "velmora/definition.h"
#include "velmora/light.h"
#include "velmora/math.h"

namespace {

constexpr const char* kProc = "VLM_LoadLightDefinition";

VLM_DEFINITION_NODE* Key(VLM_DEFINITION_NODE* block, const char* path) {
  return VLM_FindDefinitionNode(block, path, "", 0);
}

// Type names are compared exactly: "point" is not a point light.
int LightType(std::string_view name) {
  if (name == "Point") return VLM_LIGHT_POINT;
  if (name == "Spot") return VLM_LIGHT_SPOT;
  return 0;
}

}  // namespace

extern "C" {

VLM_HANDLE VLM_LoadLightDefinition(VLM_HANDLE id, VLM_DEFINITION_NODE* node) {
  if (!node) return 0;
  VLM_DEFINITION_NODE* block = VLM_FindDefinitionNode(node, "Light", "", 0);
  if (!block) return 0;
  const int type = LightType(VLM_ReadDefinitionString(Key(block, "\\Type"), ""));
  const VLM_HANDLE light = VLM_CreateLight(id, 0.0f, 0.0f, 0.0f, type);
  VLM_LIGHT* record = VLM_IsLight(light);
  if (!light || !record) return 0;

  // A damaged number gives the key's default rather than poisoning the light
  // volume with an infinity or a NaN, and says so.
  v4f position{};
  VLM_ReadDefinitionVector(Key(block, "\\Position"), &position, 0.0f, 0.0f, 0.0f, 1.0f);
  if (vlm::KeyUsable(vlm::AllFinite({position.x, position.y, position.z}), "Position", kProc))
    record->v4fPosition = v4f{position.x, position.y, position.z, 1.0f};
  v4f colour;
  VLM_v4fFromColor(&colour, 0xFFFFFFFFu);  // the channels a short list leaves out
  const uint32_t packed = VLM_ReadDefinitionColour(Key(block, "\\Color"), &colour, 0xFFFFFFFFu);
  VLM_LightColour(light, vlm::KeyUsable(vlm::AllFinite({colour.x, colour.y, colour.z, colour.w}), "Color", kProc)
                             ? packed
                             : 0xFFFFFFFFu);
  const float range = VLM_ReadDefinitionFloat(Key(block, "\\Range"), 128.0f);
  record->fRange = vlm::KeyNumber(range, vlm::NotNegative(range), 128.0f, "Range", kProc);
  const float intensity = VLM_ReadDefinitionFloat(Key(block, "\\Intensity"), 2.0f);
  VLM_LightIntensity(light, vlm::KeyNumber(intensity, vlm::NotNegative(intensity), 2.0f, "Intensity", kProc));
  // "Shadow: cast" or "Shadow: cast, static"; absent leaves the light
  // without a shadow, as created.
  if (VLM_DEFINITION_NODE* shadow = Key(block, "\\Shadow")) {
    const bool list = VLM_CountDefinitionChildren(shadow, "") > 0;
    const int64_t casts = VLM_ReadDefinitionInteger(list ? VLM_GetDefinitionChild(shadow, 0) : shadow, 0);
    const int64_t still = list ? VLM_ReadDefinitionInteger(VLM_GetDefinitionChild(shadow, 1), 0) : 0;
    VLM_LightShadow(light, casts != 0 ? 1 : 0, still != 0 ? 1 : 0);
  }
  vlm::RebuildLightVolume(record);
  return light;
}

}  // extern "C"
