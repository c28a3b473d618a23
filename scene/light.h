// The light record.
#pragma once

#include <cstdint>
#include <string>

#include "velmora/light.h"
#include "velmora/scene.h"
#include "velmora/types.h"

struct VLM_LIGHT {
  VLM_LIGHT() {
    header.iKind = VLM_ENTITY_LIGHT;
    header.pMatrix = &mVolume;
    header.pSecondMatrix = &mVolume;
    header.pOrientation = &q4fOrientation;
  }
  // The header refers into the record itself, so a record never moves.
  VLM_LIGHT(const VLM_LIGHT&) = delete;
  VLM_LIGHT& operator=(const VLM_LIGHT&) = delete;

  VLM_ENTITY header{};
  intptr_t iHandle = 0;  // the ID, or the record's address
  std::string sName;
  int32_t iEnabled = 1;
  int32_t iCastsShadow = 0;
  int32_t iStaticShadow = 0;
  int32_t iShadowCube = -1;  // GL cube-map texture of a static shadow, -1: none
  int32_t iShadowCubeFilled = 0;  // 1 once a light pass has rendered that cube
  v4f v4fPosition{0.0f, 0.0f, 0.0f, 1.0f};
  v4f q4fOrientation{0.0f, 0.0f, 0.0f, 1.0f};
  // Rotation of the orientation, rows 0..2 scaled by range x 1.01 (the
  // icosphere's flat faces lie inside the unit sphere), row 3 the position.
  m4f mVolume{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  int32_t iLightType = 0;    // VLM_LIGHT_POINT, VLM_LIGHT_SPOT or other
  float fRange = 128.0f;     // units
  v4f v4fColour{1.0f, 1.0f, 1.0f, 1.0f};
  float fIntensity = 1.0f;
  // Spot parameters: [0] unread; [1] the cone factor: the light fades to
  // nothing 1 / [1] radians off its axis (its local -y, down at creation).
  float afSpot[2] = {-1.0f, 2.0f};
  // Where the frame's light passes see the light, in the camera's view
  // space: position (w = 1) and, for a spot light, its unit axis (w = 0).
  v4f v4fViewPosition{0.0f, 0.0f, 0.0f, 1.0f};
  v4f v4fViewDirection{0.0f, -1.0f, 0.0f, 0.0f};
};

namespace vlm {

// Scale of the light volume over the range.
constexpr float kLightVolumeScale = 1.01f;

// A negative or infinite range would turn the volume inside out or make the
// shadow projection singular; a negative intensity would take light away.
inline constexpr const char* kRangeRefused = "Fail: The light range must be a finite value of 0 or more!";
inline constexpr const char* kIntensityRefused = "Fail: A light intensity must be finite and not negative!";

void RebuildLightVolume(VLM_LIGHT* light);

}  // namespace vlm
