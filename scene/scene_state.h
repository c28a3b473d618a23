// The scene's part of the engine context: the camera with its projection,
// and the lights by type.
#pragma once

#include <vector>

#include "scene/camera.h"
#include "scene/light.h"

namespace vlm {

struct SceneState {
  VLM_CAMERA camera;
  ProjectionState projection;
  std::vector<VLM_LIGHT*> pointLights;
  std::vector<VLM_LIGHT*> spotLights;
  // Face size of a light's own shadow cube; the renderer's shadow maps set it.
  int32_t shadowCubeSize = 2048;
};

SceneState& Scene();

// Frees every light and puts the camera back to its defaults for the
// current projection size: a fresh start for tests.
void ResetScene();

}  // namespace vlm
