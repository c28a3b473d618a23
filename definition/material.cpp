// Materials: from definition blocks and from code. The program table and
// the programs' material lists belong to the renderer, reached through the
// public shader and material procedures.
#include <algorithm>
#include <cstdint>
#include <string>

#include "core/builtin_images.h"
#include "core/fail.h"
#include "core/registries.h"
#include "definition/definition_internal.h"
#include "definition/definition_state.h"
#include "definition/texture_internal.h"
#include "definition/texture_material_records.h"
#include "velmora/core.h"
#include "velmora/definition.h"
#include "velmora/math.h"
#include "velmora/registry.h"
#include "velmora/shader.h"
#include "velmora/texture.h"

namespace vlm {

namespace {


struct NamedValue {
  const char* name;
  uint32_t value;
};

// Compared in this order; the first match wins.
constexpr NamedValue kShaderNames[] = {
    {"2D_DEFAULT", VLM_PROGRAM_2D_DEFAULT},
    {"3D_DRAWMESH", VLM_PROGRAM_3D_DRAW_MESH},
    {"3D_DEFAULT", VLM_PROGRAM_3D_DEFAULT},
    {"3D_TEXTURED", VLM_PROGRAM_3D_TEXTURES},
    {"3D_TEXTURED_NODEPTH", VLM_PROGRAM_3D_TEXTURES_NODEPTH},
    {"3D_NORMALMAP", VLM_PROGRAM_3D_NORMALMAP},
    {"3D_SPECULARMAP", VLM_PROGRAM_3D_SPECULARMAP},
    {"3D_SPECULARMAP_I", VLM_PROGRAM_3D_SPECULARMAP_I},
    {"3D_CLIPPEDSPECULARMAP", VLM_PROGRAM_3D_CLIPPED_SPECULARMAP},
    {"3D_REFLECTIONMAP", VLM_PROGRAM_3D_REFLECTIONMAP},
    {"3D_ULTIMATE", VLM_PROGRAM_3D_ULTIMATE},
    {"PARTICLE", VLM_PROGRAM_PARTICLE},
    {"3D_GRASS", VLM_PROGRAM_3D_GRASS},
    {"3D_GLASS", VLM_PROGRAM_3D_GLASS},
    {"BILLBOARD", VLM_PROGRAM_BILLBOARD},
    {"SPECULARNORMALMAP", VLM_PROGRAM_3D_SPECULARMAP},
    {"NORMALMAPSILHOUETTE", VLM_PROGRAM_NORMAL_MAPPING_SILHOUETTE},
    {"PARALLAX", VLM_PROGRAM_PARALLAX_MAPPING},
    {"SPECULARPARALLAX", VLM_PROGRAM_SPECULAR_PARALLAX_MAPPING},
    {"WATER", VLM_PROGRAM_WATER},
    {"PERLIN", VLM_PROGRAM_3D_PERLIN},
    {"REFRACTION", 34},  // not a program: the default is used
    {"MASKREFRACTION", VLM_PROGRAM_MASK_REFRACTION},
    {"SOFTPARTICLE", VLM_PROGRAM_SOFT_PARTICLE},
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
    number = VLM_PROGRAM_3D_DEFAULT;
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
  VLM_ReadDefinitionColour(Key(block, "\\Color"), &material->v4fColor, 0xFFFFFFFFu);
  const vlm::NamedValue* shader = vlm::Lookup(
      vlm::kShaderNames, vlm::DefinitionKeyword(VLM_ReadDefinitionString(Key(block, "\\Shader"), "NONE")));
  const int program = shader ? static_cast<int>(shader->value) : VLM_PROGRAM_3D_DEFAULT;
  material->pShader = vlm::Program(program, kProc);
  vlm::FillTextureSlots(material, block, kProc);

  if (VLM_DEFINITION_NODE* blending = Key(block, "\\BlendingMode")) {
    material->iBlendSource = vlm::ReadBlendFactor(VLM_GetDefinitionChild(blending, 0), material->iBlendSource);
    material->iBlendDestination =
        vlm::ReadBlendFactor(VLM_GetDefinitionChild(blending, 1), material->iBlendDestination);
  }
  material->fShine = VLM_ReadDefinitionFloat(Key(block, "\\Shine"), 1.0f);
  VLM_ReadDefinitionColour(Key(block, "\\ShineColor"), &material->v4fShineColor, 0xFFFFFFFFu);
  material->fHardness = program == VLM_PROGRAM_SOFT_PARTICLE
                            ? VLM_ReadDefinitionFloat(Key(block, "\\Blend"), 300.0f)
                            : VLM_ReadDefinitionFloat(Key(block, "\\Hardness"), 1.0f);
  material->apTextures[VLM_SLOT_CUBE] = vlm::DefaultTexture(VLM_RESOURCE_CUBEMAP);
  material->fReflection = VLM_ReadDefinitionFloat(Key(block, "\\Reflection"), 0.0f);
  material->fRefraction = VLM_ReadDefinitionFloat(Key(block, "\\Refraction"), 5.0f) * 0.01f;
  material->fSurfaceScattering = VLM_ReadDefinitionFloat(Key(block, "\\SurfaceScattering"), 0.0f);
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
