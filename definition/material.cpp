// Materials: from definition blocks and from code. The program table and
// the programs' material lists belong to the renderer, reached through the
// public shader and material procedures.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "core/builtin_images.h"
#include "core/fail.h"
#include "core/finite.h"
#include "core/registries.h"
#include "definition/definition_internal.h"
#include "definition/definition_state.h"
#include "definition/records.h"
#include "definition/texture_internal.h"
#include "velmora/core.h"
#include "velmora/definition.h"
#include "velmora/math.h"
#include "velmora/registry.h"
#include "velmora/shader.h"
#include "velmora/texture.h"

namespace vlm {

namespace {

constexpr int kDefaultProgram = 15;   // "3D_DEFAULT"
constexpr int kSoftParticleProgram = 39;

struct NamedValue {
  const char* name;
  uint32_t value;
};

// Compared in this order; the first match wins.
constexpr NamedValue kShaderNames[] = {
    {"2D_DEFAULT", 8},           {"3D_DRAWMESH", 17},        {"3D_DEFAULT", 15},
    {"3D_TEXTURED", 18},         {"3D_TEXTURED_NODEPTH", 19}, {"3D_NORMALMAP", 20},
    {"3D_SPECULARMAP", 22},      {"3D_SPECULARMAP_I", 23},   {"3D_CLIPPEDSPECULARMAP", 25},
    {"3D_REFLECTIONMAP", 26},    {"3D_ULTIMATE", 27},        {"PARTICLE", 38},
    {"3D_GRASS", 28},            {"3D_GLASS", 29},           {"BILLBOARD", 47},
    {"SPECULARNORMALMAP", 22},   {"NORMALMAPSILHOUETTE", 30}, {"PARALLAX", 31},
    {"SPECULARPARALLAX", 32},    {"WATER", 33},              {"PERLIN", 40},
    {"REFRACTION", 34},          {"MASKREFRACTION", 35},     {"SOFTPARTICLE", 39},
};

constexpr NamedValue kBlendNames[] = {
    {"ZERO", 0},                      {"ONE", 1},
    {"SRC_COLOR", 0x0300},            {"ONE_MINUS_SRC_COLOR", 0x0301},
    {"SRC_ALPHA", 0x0302},            {"ONE_MINUS_SRC_ALPHA", 0x0303},
    {"DST_ALPHA", 0x0304},            {"ONE_MINUS_DST_ALPHA", 0x0305},
    {"DST_COLOR", 0x0306},            {"ONE_MINUS_DST_COLOR", 0x0307},
    {"SRC_ALPHA_SATURATE", 0x0308},
};

template <size_t N>
const NamedValue* Lookup(const NamedValue (&table)[N], const std::string& name) {
  for (const NamedValue& entry : table)
    if (name == entry.name) return &entry;
  return nullptr;
}

// The built-in program `number`. A number without a built program (34,
// "REFRACTION", has none) would leave the material ungrouped and undrawable
// while looking loaded, so it is drawn with program 15 instead and says so.
VLM_SHADER* Program(int number, const char* procedure) {
  const bool defined = number >= 1 && number <= 47 && number != 34;
  if (!defined) {
    Fail("Fail: Program " + std::to_string(number) + " does not exist, 3D_DEFAULT used!", procedure);
    number = kDefaultProgram;
  }
  return VLM_GetBuiltInShader(number);
}

// 0 stands for "not made" here, not for the ID 0 of a user's texture.
VLM_TEXTURE* DefaultTexture(int resource) {
  const VLM_HANDLE handle = VLM_GetDefaultResource(resource);
  return handle ? VLM_ResolveTexture(handle) : nullptr;
}

VLM_DEFINITION_NODE* Key(VLM_DEFINITION_NODE* block, const char* path) {
  return VLM_FindDefinitionNode(block, path, "", 0);
}

int32_t ReadFlag(VLM_DEFINITION_NODE* block, const char* path, int32_t fallback) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(VLM_ReadDefinitionInteger(Key(block, path), fallback), INT32_MIN, INT32_MAX));
}

// A number or colour key; one that is not finite gives the key's default
// (opaque white for colours) with an Info row.
float ReadNumberKey(VLM_DEFINITION_NODE* block, const char* key, float fallback, const char* procedure) {
  const float value = VLM_ReadDefinitionFloat(Key(block, ("\\" + std::string(key)).c_str()), fallback);
  return KeyNumber(value, std::isfinite(value), fallback, key, procedure);
}

v4f ReadColourKey(VLM_DEFINITION_NODE* block, const char* key, const char* procedure) {
  v4f white, colour;
  VLM_v4fFromColor(&white, 0xFFFFFFFFu);
  colour = white;  // the channels a short list leaves out
  VLM_ReadDefinitionColour(Key(block, ("\\" + std::string(key)).c_str()), &colour, 0xFFFFFFFFu);
  return KeyUsable(AllFinite({colour.x, colour.y, colour.z, colour.w}), key, procedure) ? colour : white;
}

uint32_t ReadBlendFactor(VLM_DEFINITION_NODE* element, uint32_t current) {
  const NamedValue* entry =
      Lookup(kBlendNames, DefinitionKeyword(VLM_ReadDefinitionString(element, "SRC_ALPHA")));
  return entry ? entry->value : current;
}

// The substitute maps of the colour, normal and specular slots.
const builtin::BuiltinImage* const kSubstituteImages[3] = {
    &builtin::kSubstituteColourImage, &builtin::kSubstituteNormalImage,
    &builtin::kSubstituteSpecularImage};

void FillTextureSlots(VLM_MATERIAL* material, VLM_DEFINITION_NODE* block, const char* procedure) {
  for (int k = 0; k < 4; ++k) {
    const std::string key = "\\Texture[" + std::to_string(k) + "]";
    VLM_DEFINITION_NODE* node = Key(block, key.c_str());
    if (!node) continue;
    const std::string value = DefinitionValue(node);
    if (!value.empty()) {
      material->apTextures[k] = TextureRegistry().FindByName(value);
      if (!material->apTextures[k])
        Fail("Texture[" + std::to_string(k) + "] not found: " + value, procedure);
      continue;
    }
    material->apTextures[k] = VLM_LoadTextureDefinition(-1, node, "");
    if (!material->apTextures[k] && k < 3) {
      const builtin::BuiltinImage& image = *kSubstituteImages[k];
      material->apTextures[k] = VLM_CatchTexture(-1, image.bytes, image.size, VLM_DEFAULT, "");
    }
  }
}

}  // namespace

VLM_HANDLE LoadTextureNode(VLM_HANDLE id, VLM_DEFINITION_NODE* node, const char* name) {
  VLM_TEXTURE* texture = VLM_LoadTextureDefinition(id, node, name);
  return texture ? texture->iHandle : 0;
}

VLM_HANDLE LoadMaterialNode(VLM_HANDLE id, VLM_DEFINITION_NODE* node, const char* name) {
  VLM_MATERIAL* material = VLM_LoadMaterialDefinition(id, node, name);
  return material ? material->iHandle : 0;
}

}  // namespace vlm

extern "C" {

VLM_MATERIAL* VLM_LoadMaterialDefinition(VLM_HANDLE id, VLM_DEFINITION_NODE* node, const char* name) {
  constexpr const char* kProc = "VLM_LoadMaterialDefinition";
  const std::string wanted = name ? name : "";
  VLM_DEFINITION_NODE* block = VLM_FindDefinitionNode(node, "Material", wanted.c_str(), 0);
  if (!block) {
    VLM_LogMessage(("Material: " + wanted).c_str(), VLM_COLOR_INFO, __LINE__, "", kProc);
    vlm::Fail("FAIL: Material Node Not found!", kProc);
    return nullptr;
  }
  const std::string value = vlm::DefinitionValue(block);
  VLM_LogMessage(("Material: " + value).c_str(), VLM_COLOR_INFO, __LINE__, "", kProc);
  VLM_HANDLE handle = id;
  VLM_MATERIAL* material = VLM_CreateMaterialListEntry(&handle, value.c_str());
  if (!material) return nullptr;

  using vlm::Key;
  material->v4fColor = vlm::ReadColourKey(block, "Color", kProc);
  const vlm::NamedValue* shader = vlm::Lookup(
      vlm::kShaderNames, vlm::DefinitionKeyword(VLM_ReadDefinitionString(Key(block, "\\Shader"), "NONE")));
  const int program = shader ? static_cast<int>(shader->value) : vlm::kDefaultProgram;
  material->pShader = vlm::Program(program, kProc);
  vlm::FillTextureSlots(material, block, kProc);

  if (VLM_DEFINITION_NODE* blending = Key(block, "\\BlendingMode")) {
    material->iBlendSource = vlm::ReadBlendFactor(VLM_GetDefinitionChild(blending, 0), material->iBlendSource);
    material->iBlendDestination =
        vlm::ReadBlendFactor(VLM_GetDefinitionChild(blending, 1), material->iBlendDestination);
  }
  material->fShine = vlm::ReadNumberKey(block, "Shine", 1.0f, kProc);
  material->v4fShineColor = vlm::ReadColourKey(block, "ShineColor", kProc);
  material->fHardness = program == vlm::kSoftParticleProgram ? vlm::ReadNumberKey(block, "Blend", 300.0f, kProc)
                                                             : vlm::ReadNumberKey(block, "Hardness", 1.0f, kProc);
  material->apTextures[VLM_SLOT_CUBE] = vlm::DefaultTexture(VLM_RESOURCE_CUBEMAP);
  material->fReflection = vlm::ReadNumberKey(block, "Reflection", 0.0f, kProc);
  material->fRefraction = vlm::ReadNumberKey(block, "Refraction", 5.0f, kProc) * 0.01f;
  material->fSurfaceScattering = vlm::ReadNumberKey(block, "SurfaceScattering", 0.0f, kProc);
  material->iDepthMask = vlm::ReadFlag(block, "\\DepthMask", 1);
  material->iBackFaceCulling = vlm::ReadFlag(block, "\\BackFaceCulling", 1);
  material->iWireframe = vlm::ReadFlag(block, "\\Wireframe", 0);

  VLM_LogMessage("OK", VLM_COLOR_OK, 0, "", kProc);
  VLM_AddMaterialToShader(handle);
  return material;
}

VLM_MATERIAL* VLM_CreateMaterial(VLM_HANDLE id, VLM_HANDLE texture, int program, const char* name) {
  VLM_HANDLE handle = id;
  VLM_MATERIAL* material = VLM_CreateMaterialListEntry(&handle, name ? name : "");
  if (!material) return nullptr;
  material->pShader = vlm::Program(program, "VLM_CreateMaterial");
  if (texture == -1) {
    material->apTextures[VLM_SLOT_COLOUR] = vlm::DefaultTexture(VLM_RESOURCE_SUBSTITUTE_COLOUR);
    material->apTextures[VLM_SLOT_NORMAL] = vlm::DefaultTexture(VLM_RESOURCE_SUBSTITUTE_NORMAL);
    material->apTextures[VLM_SLOT_SPECULAR] = vlm::DefaultTexture(VLM_RESOURCE_SUBSTITUTE_SPECULAR);
  } else {
    material->apTextures[VLM_SLOT_COLOUR] = VLM_ResolveTexture(texture);
    if (!material->apTextures[VLM_SLOT_COLOUR])
      VLM_LogMessage("Info: Texture not found, the material has no texture!", VLM_COLOR_NOTICE, 0, "",
                     "VLM_CreateMaterial");
  }
  material->apTextures[VLM_SLOT_CUBE] = vlm::DefaultTexture(VLM_RESOURCE_CUBEMAP);
  VLM_AddMaterialToShader(handle);
  return material;
}

VLM_HANDLE VLM_GetMaterialByName(const char* name) {
  if (!name || !*name) return 0;
  const VLM_MATERIAL* material = vlm::MaterialRegistry().FindByName(name);
  return material ? material->iHandle : 0;
}

}  // extern "C"
