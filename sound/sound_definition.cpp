// Sound definitions: the "Sound" block of a definition file.
#include <cctype>
#include <cmath>
#include <string>

#include "core/finite.h"
#include "core/registries.h"
#include "definition/definition_internal.h"
#include "definition/definition_tree.h"
#include "sound/sound_internal.h"
#include "sound/sound_state.h"
#include "velmora/definition.h"
#include "velmora/sound.h"

namespace {

constexpr const char* kProc = "VLM_LoadSoundDefinition";
constexpr float kHalfDegreeToRadian = 3.14159265358979f / 180.0f * 0.5f;

VLM_DEFINITION_NODE* Key(VLM_DEFINITION_NODE* block, const char* path) {
  return VLM_FindDefinitionNode(block, path, "", 0);
}

int32_t FlagOf(VLM_DEFINITION_NODE* node) {
  std::string name = VLM_ReadDefinitionString(node, "");
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const auto& names = vlm::SoundMaster().flagNames;
  auto it = names.find(name);
  return it == names.end() ? 0 : it->second;  // an unknown name adds nothing
}

int32_t ModeFlags(VLM_DEFINITION_NODE* mode) {
  if (!mode) return 0;
  if (!mode->container) return FlagOf(mode);
  int32_t flags = 0;
  for (uint32_t i = 0; i < mode->childCount; ++i) flags |= FlagOf(mode->children[i]);
  return flags;
}

float Child(VLM_DEFINITION_NODE* node, uint32_t index, float missing) {
  return index < node->childCount ? VLM_ReadDefinitionFloat(node->children[index], missing) : missing;
}

// Cone angles are given as full angles in degrees and kept as half angles in
// radians; a list without its second value means no cone. Angles that are
// not finite or negative, or an outer angle inside the inner one, leave
// the sound without a cone, as it was loaded.
void ReadCone(VLM_DEFINITION_NODE* cone, VLM_SOUND* sound) {
  if (!cone) return;
  float inner = 0.0f, outer = 0.0f;
  if (cone->container) {
    inner = Child(cone, 0, 0.0f);
    outer = cone->childCount > 1 ? Child(cone, 1, 0.0f) : -1.0f;
  } else {
    outer = VLM_ReadDefinitionFloat(cone, 0.0f);
  }
  const bool none = outer == -1.0f;
  if (!vlm::KeyUsable(vlm::NotNegative(inner) && (none || (std::isfinite(outer) && outer >= inner)), "Cone", kProc))
    return;
  sound->fConeInner = inner * kHalfDegreeToRadian;
  sound->fConeOuter = none ? -1.0f : outer * kHalfDegreeToRadian;
}

// A maximum of -1 is no limit; any other range runs from 0 or more up.
void ReadRange(VLM_DEFINITION_NODE* range, VLM_SOUND* sound) {
  if (!range) return;
  float minMax[2] = {0.0f, -1.0f};
  if (range->container) {
    VLM_ReadDefinitionRange(range, minMax, 0.0f, -1.0f);
  } else {
    minMax[1] = VLM_ReadDefinitionFloat(range, -1.0f);
  }
  const bool unlimited = minMax[1] == -1.0f;
  if (!vlm::KeyUsable(vlm::NotNegative(minMax[0]) && (unlimited || (std::isfinite(minMax[1]) && minMax[1] >= minMax[0])),
                      "Range", kProc))
    return;
  sound->fRangeMin = minMax[0];
  sound->fRangeMax = minMax[1];
}

// Position and direction; a direction needs a length.
void ReadPlacement(VLM_DEFINITION_NODE* block, VLM_SOUND* sound) {
  v4f position = sound->v4fPosition, direction = sound->v4fDirection;  // a single value keeps w
  VLM_ReadDefinitionVector(Key(block, "\\Position"), &position, 0.0f, 0.0f, 0.0f, 1.0f);
  VLM_ReadDefinitionVector(Key(block, "\\Direction"), &direction, 0.0f, 0.0f, -1.0f, 0.0f);
  if (vlm::KeyUsable(vlm::AllFinite({position.x, position.y, position.z, position.w}), "Position", kProc))
    sound->v4fPosition = position;
  const bool hasLength = direction.x != 0.0f || direction.y != 0.0f || direction.z != 0.0f;
  if (vlm::KeyUsable(hasLength && vlm::AllFinite({direction.x, direction.y, direction.z, direction.w}), "Direction",
                     kProc))
    sound->v4fDirection = direction;
}

}  // namespace

extern "C" {

VLM_HANDLE VLM_LoadSoundDefinition(VLM_HANDLE id, VLM_DEFINITION_NODE* node, const char* directory) {
  if (!node) return 0;
  VLM_DEFINITION_NODE* block = VLM_FindDefinitionNode(node, "Sound", "", 0);
  VLM_DEFINITION_NODE* file = block ? Key(block, "\\File") : nullptr;
  if (!file) return 0;
  const int32_t flags = ModeFlags(Key(block, "\\Mode"));
  std::string path = directory && *directory ? directory : VLM_GetDefinitionDirectory(block);
  path += VLM_ReadDefinitionString(file, "");
  const std::string name = vlm::DefinitionValue(block);
  // Loaded without PLAY: a sound that plays at once does so after its
  // placement is read, not at the origin.
  const VLM_HANDLE sound = VLM_LoadSoundFile(id, path.c_str(), flags & ~VLM_SOUND_PLAY, name.c_str());
  if (!sound) return 0;
  VLM_SOUND* record = vlm::SoundRegistry().Resolve(sound);
  if (!record) return 0;
  record->iFlags = flags;
  ReadPlacement(block, record);
  ReadCone(Key(block, "\\Cone"), record);
  ReadRange(Key(block, "\\Range"), record);
  const float volume = VLM_ReadDefinitionFloat(Key(block, "\\Volume"), 1.0f);
  record->fVolume = vlm::KeyNumber(volume, vlm::NotNegative(volume), 1.0f, "Volume", kProc);
  const float frequency = VLM_ReadDefinitionFloat(Key(block, "\\Frequency"), 1.0f);
  record->fFrequencyFactor = vlm::KeyNumber(frequency, vlm::Positive(frequency), 1.0f, "Frequency", kProc);
  vlm::sound::RebuildSoundMatrix(record);
  if (flags & VLM_SOUND_PLAY) VLM_PlaySound(sound, flags, nullptr);
  return sound;
}

}  // extern "C"
