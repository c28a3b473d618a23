// Materials in the render queue: entering a material into its program's
// list, releasing a material without leaving anything pointing at it, the
// built-in resources and the default texture filter.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/fail.h"
#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "render/render_state.h"
#include "render/shader_state.h"
#include "scene/object.h"
#include "velmora/registry.h"
#include "velmora/texture.h"

namespace {

VLM_MATERIAL* ResolveMaterial(VLM_HANDLE handle) { return vlm::MaterialRegistry().Resolve(handle); }

// A program pointer is used only while it names a live shader.
bool IsLiveShader(const VLM_SHADER* shader) {
  return shader && vlm::render::ShaderRegistry().Resolve(shader->iHandle) == shader;
}

}  // namespace

extern "C" {

int VLM_AddMaterialToShader(VLM_HANDLE handle) {
  VLM_MATERIAL* material = ResolveMaterial(handle);
  if (!material || !IsLiveShader(material->pShader)) return 0;
  VLM_SHADER* shader = material->pShader;
  const int list = shader->iRenderList;
  if (list < 0 || list >= vlm::render::kRenderListCount) return 0;
  const std::vector<VLM_SHADER*>& entries = vlm::render::Shaders().renderLists[static_cast<size_t>(list)];
  if (std::find(entries.begin(), entries.end(), shader) == entries.end()) return 0;
  std::vector<VLM_MATERIAL*>& materials = shader->materials;
  if (std::find(materials.begin(), materials.end(), material) != materials.end()) return 0;
  materials.push_back(material);
  return 1;
}

// The objects drawn with the material move to the default 3D material;
// without one (or when it is the one released) they are left without a
// material and their instances are dropped.
int VLM_FreeMaterial(VLM_HANDLE handle) {
  VLM_MATERIAL* material = ResolveMaterial(handle);
  if (!material) return 0;
  if (IsLiveShader(material->pShader)) {
    std::vector<VLM_MATERIAL*>& materials = material->pShader->materials;
    materials.erase(std::remove(materials.begin(), materials.end(), material), materials.end());
  }
  VLM_MATERIAL* fallback = ResolveMaterial(vlm::Render().defaults.material3D);
  if (fallback == material) fallback = nullptr;
  vlm::MoveObjectsToMaterial(material, fallback);
  vlm::MaterialRegistry().Remove(material);
  return 1;
}

VLM_HANDLE VLM_GetDefaultResource(int resource) {
  const vlm::DefaultResources& defaults = vlm::Render().defaults;
  switch (resource) {
    case VLM_RESOURCE_TEXTURE: return defaults.texture;
    case VLM_RESOURCE_SUBSTITUTE_COLOUR: return defaults.substituteTextures[0];
    case VLM_RESOURCE_SUBSTITUTE_NORMAL: return defaults.substituteTextures[1];
    case VLM_RESOURCE_SUBSTITUTE_SPECULAR: return defaults.substituteTextures[2];
    case VLM_RESOURCE_CUBEMAP: return defaults.cubeMap;
    case VLM_RESOURCE_MATERIAL: return defaults.material;
    case VLM_RESOURCE_MATERIAL_3D: return defaults.material3D;
    case VLM_RESOURCE_MATERIAL_PARTICLE: return defaults.particleMaterial;
    case VLM_RESOURCE_MATERIAL_LOGO: return defaults.logoMaterial;
    default: return 0;
  }
}

int VLM_SetTextureFilter(int filter) {
  vlm::Render().defaultTextureFilter = static_cast<uint32_t>(filter);
  return 1;
}

int VLM_GetTextureFilter(void) { return static_cast<int>(vlm::Render().defaultTextureFilter); }

int VLM_SetTextureAnisotropy(float maximum) {
  if (!std::isfinite(maximum) || maximum < 1.0f) {
    vlm::Fail("Fail: The maximum anisotropy must be a finite number of at least 1!", "VLM_SetTextureAnisotropy");
    return 0;
  }
  vlm::Render().maxAnisotropy = maximum;
  return 1;
}

float VLM_GetTextureAnisotropy(void) { return vlm::Render().maxAnisotropy; }

}  // extern "C"
