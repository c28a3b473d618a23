// Point and spot lights: creation with the ID table, the lists by type,
// colour, intensity, range and the light's own shadow cube.
#include "scene/light.h"

#include <algorithm>
#include <cmath>

#include "core/engine_state.h"
#include "core/fail.h"
#include "core/finite.h"
#include "core/registries.h"
#include "gpu/gl_objects.h"
#include "scene/entity.h"
#include "scene/scene_state.h"
#include "velmora/math.h"

namespace vlm {

namespace {

constexpr const char* kCreate = "VLM_CreateLight";

std::vector<VLM_LIGHT*>* ListOfType(int lightType) {
  SceneState& scene = Scene();
  if (lightType == VLM_LIGHT_POINT) return &scene.pointLights;
  if (lightType == VLM_LIGHT_SPOT) return &scene.spotLights;
  return nullptr;
}

void DeleteShadowCube(VLM_LIGHT* light) {
  if (light->iShadowCube == -1) return;
  // Without a context the texture went with it.
  if (!Engine().hasGL) {
    light->iShadowCube = -1;
    return;
  }
  GLuint cube = static_cast<GLuint>(light->iShadowCube);
  gl::DeleteTexture(cube);
  light->iShadowCube = -1;
}

}  // namespace

void RebuildLightVolume(VLM_LIGHT* light) {
  m4f& m = light->mVolume;
  VLM_m4fFromQuaternion(&light->q4fOrientation, &m);
  const float scale = light->fRange * kLightVolumeScale;
  for (int i = 0; i < 12; ++i) m.e[i] *= scale;
  m.e[12] = light->v4fPosition.x;
  m.e[13] = light->v4fPosition.y;
  m.e[14] = light->v4fPosition.z;
  m.e[15] = 1.0f;
}

}  // namespace vlm

extern "C" {

VLM_LIGHT* VLM_IsLight(VLM_HANDLE handle) { return vlm::LightRegistry().Find(handle); }

int VLM_CountLights(void) { return static_cast<int>(vlm::LightRegistry().Count()); }

VLM_HANDLE VLM_CreateLight(VLM_HANDLE id, float x, float y, float z, int lightType) {
  // Checked before the registry frees a light with this ID.
  if (!vlm::AllFinite({x, y, z})) return vlm::RefuseNumber(vlm::kCreate);
  VLM_HANDLE handle = id;
  VLM_LIGHT* light = vlm::LightRegistry().CreateEntry(&handle, "");
  if (!light) return 0;
  // The record starts with its creation defaults (enabled, no shadow,
  // range 128, white, intensity 1).
  light->v4fPosition = v4f{x, y, z, 1.0f};
  light->iLightType = lightType;
  vlm::RebuildLightVolume(light);
  if (std::vector<VLM_LIGHT*>* list = vlm::ListOfType(lightType)) list->push_back(light);
  return handle;
}

int VLM_LightColour(VLM_HANDLE handle, uint32_t colour) {
  VLM_LIGHT* light = vlm::LightRegistry().Resolve(handle);
  if (!light) return 0;
  VLM_v4fFromColor(&light->v4fColour, colour);
  return 1;
}

int VLM_LightIntensity(VLM_HANDLE handle, float intensity) {
  VLM_LIGHT* light = vlm::LightRegistry().Resolve(handle);
  if (!light) return 0;
  if (!vlm::RefuseUnless(vlm::NotNegative(intensity), "VLM_LightIntensity", vlm::kIntensityRefused)) return 0;
  light->fIntensity = intensity;
  return 1;
}

int VLM_LightRange(VLM_HANDLE handle, float range) {
  VLM_LIGHT* light = vlm::LightRegistry().Resolve(handle);
  if (!light) return 0;
  if (!vlm::RefuseUnless(vlm::NotNegative(range), "VLM_LightRange", vlm::kRangeRefused)) return 0;
  light->fRange = range;
  vlm::RebuildLightVolume(light);
  return 1;
}

int VLM_LightShadow(VLM_HANDLE handle, int castsShadow, int staticShadow) {
  VLM_LIGHT* light = vlm::LightRegistry().Resolve(handle);
  if (!light) return 0;
  light->iCastsShadow = castsShadow;
  light->iStaticShadow = staticShadow;
  if (castsShadow == 0 || staticShadow == 0) {
    vlm::DeleteShadowCube(light);
  } else if (light->iShadowCube == -1 && light->iLightType == VLM_LIGHT_POINT && vlm::Engine().hasGL) {
    const GLuint cube = vlm::gl::CreateDepthCubeMap(vlm::Scene().shadowCubeSize);
    if (cube != 0) light->iShadowCube = static_cast<int32_t>(cube);
    light->iShadowCubeFilled = 0;  // rendered by the next frame that draws the light
  }
  return 1;
}

int VLM_FreeLight(VLM_HANDLE handle) {
  VLM_LIGHT* light = vlm::LightRegistry().Resolve(handle);
  if (!light) return 0;
  vlm::DeleteShadowCube(light);
  vlm::DetachChildren(light);
  if (std::vector<VLM_LIGHT*>* list = vlm::ListOfType(light->iLightType))
    list->erase(std::remove(list->begin(), list->end(), light), list->end());
  vlm::LightRegistry().Remove(light);
  return 1;
}

}  // extern "C"

namespace vlm {

void ResetScene() {
  LightRegistry().Reset();
  SceneState& scene = Scene();
  scene.pointLights.clear();
  scene.spotLights.clear();
  SetUpCamera(scene.projection.width, scene.projection.height);
}

}  // namespace vlm
