// Materials: from definition blocks and from code. The program table and
// the programs' material lists belong to the renderer, reached through the
// public shader and material procedures.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/builtin_images.h"
#include "core/fail.h"
#include "core/finite.h"
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

// The texture of an inline block for slot k; a block that fails gives the
// colour, normal and specular slots a new substitute, the mask slot none.
VLM_TEXTURE* InlineTexture(VLM_DEFINITION_NODE* node, int k) {
  VLM_TEXTURE* texture = VLM_LoadTextureDefinition(-1, node, "");
  if (texture || k >= 3) return texture;
  const builtin::BuiltinImage& image = *kSubstituteImages[k];
  return VLM_CatchTexture(-1, image.bytes, image.size, VLM_DEFAULT, "");
}

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
    material->apTextures[k] = InlineTexture(node, k);
  }
}

// The line (from 1) of the tree's text where a node's value starts; 0 when
// the value is not a piece of that text (joined from pieces, or copied).
size_t LineOf(VLM_DEFINITION_NODE* node) {
  const DefinitionTree* tree = DefinitionTreeOf(node);
  if (!tree) return 0;
  const auto begin = reinterpret_cast<uintptr_t>(tree->text.data());
  const auto at = reinterpret_cast<uintptr_t>(node->value);
  if (at < begin || at >= begin + tree->text.size()) return 0;
  return 1 + static_cast<size_t>(std::count(tree->text.data(), node->value, '\n'));
}

// "Texture[k] { ... }" written without the colon reads as an unnamed block
// whose value is "Texture[k]": it is the inline block of slot k, as with
// the colon, unless the slot has a key of its own or an earlier such
// block. Any other unnamed statement that starts like a slot (a name
// without its colon, a second block for a slot) would lose its texture
// without a word, so it gets a row naming its line.
void FillUnnamedTextureBlocks(VLM_MATERIAL* material, VLM_DEFINITION_NODE* block, const char* procedure) {
  bool taken[4] = {};
  for (int k = 0; k < 4; ++k)
    taken[k] = Key(block, ("\\Texture[" + std::to_string(k) + "]").c_str()) != nullptr;
  for (VLM_DEFINITION_NODE* node = VLM_GetDefinitionChild(block, 0); node; node = VLM_NextDefinitionNode(node)) {
    const std::string_view value = node->Value();
    if (node->nameLength != 0 || !value.starts_with("Texture[")) continue;
    int k = 0;
    while (k < 4 && value != "Texture[" + std::to_string(k) + "]") ++k;
    if (k < 4 && node->container && !taken[k]) {
      taken[k] = true;
      material->apTextures[k] = InlineTexture(node, k);
      continue;
    }
    const size_t line = LineOf(node);
    Fail("Fail: '" + std::string(value) + "'" + (line ? " on line " + std::to_string(line) : std::string()) +
             " is not a texture slot (write Texture[k]: name or Texture[k]: { ... })!",
         procedure);
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
  const int program = shader ? static_cast<int>(shader->value) : VLM_PROGRAM_3D_DEFAULT;
  material->pShader = vlm::Program(program, kProc);
  vlm::FillTextureSlots(material, block, kProc);
  vlm::FillUnnamedTextureBlocks(material, block, kProc);

  if (VLM_DEFINITION_NODE* blending = Key(block, "\\BlendingMode")) {
    material->iBlendSource = vlm::ReadBlendFactor(VLM_GetDefinitionChild(blending, 0), material->iBlendSource);
    material->iBlendDestination =
        vlm::ReadBlendFactor(VLM_GetDefinitionChild(blending, 1), material->iBlendDestination);
  }
  material->fShine = vlm::ReadNumberKey(block, "Shine", 1.0f, kProc);
  material->v4fShineColor = vlm::ReadColourKey(block, "ShineColor", kProc);
  material->fHardness = program == VLM_PROGRAM_SOFT_PARTICLE ? vlm::ReadNumberKey(block, "Blend", 300.0f, kProc)
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
