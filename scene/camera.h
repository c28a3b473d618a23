// The camera record, its projection state and the projection matrices.
#pragma once

#include <cstdint>

#include "velmora/camera.h"
#include "velmora/scene.h"
#include "velmora/types.h"

struct VLM_CAMERA {
  VLM_CAMERA() {
    header.iKind = VLM_ENTITY_CAMERA;
    header.pMatrix = &mOwn;
    header.pSecondMatrix = &mOwn;
    header.pOrientation = &q4fOrientation;
  }
  // The header refers into the record itself, so a record never moves.
  VLM_CAMERA(const VLM_CAMERA&) = delete;
  VLM_CAMERA& operator=(const VLM_CAMERA&) = delete;

  VLM_ENTITY header{};
  int32_t iProjectionMode = VLM_PROJECTION_PERSPECTIVE;
  float fFieldOfView = 45.0f;  // degrees, vertical
  float fAspect = 1.0f;        // width / height
  float fNear = 0.1f;          // units
  float fFar = 128.0f;         // units
  v4f q4fOrientation{0.0f, 0.0f, 0.0f, 1.0f};
  v4f v4fPosition{0.0f, 0.0f, 0.0f, 1.0f};
  v4f v4fPickRay{};            // the last view ray computed
  m4f mOwn{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  m4f mWorld{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  m4f mView{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  v4f v4fScratch{};            // VLM_GetCameraPosition without an output vector
};

namespace vlm {

// The matrices the camera projects with, for a drawing area of width x
// height pixels.
struct ProjectionState {
  int32_t width = 0;
  int32_t height = 0;
  m4f perspective{};
  m4f inversePerspective{};
  m4f orthographic{};
  m4f screen{};  // pixels, y down from the top edge, z -512..512
  float orthoDivisor = 1.0f;  // the orthographic box's last divisor (10 after a near-plane change)
};

// Row-vector forms (v * M) of the usual GL matrices. fov in degrees.
m4f PerspectiveMatrix(float fovDegrees, float aspect, float nearPlane, float farPlane);
m4f OrthographicMatrix(float left, float right, float bottom, float top, float nearPlane,
                       float farPlane);
// The pixel matrix of 2D drawing: (0, width, height, 0), z -512..512.
m4f ScreenMatrix(int width, int height);

// Rebuilds the perspective matrix and its inverse, and the orthographic
// matrix, from the camera's parameters. The orthographic extents are
// (0, aspect x H, -H, 0), divided by `orthoDivisor`.
void RebuildPerspective(const VLM_CAMERA& camera, ProjectionState& projection);
void RebuildOrthographic(const VLM_CAMERA& camera, ProjectionState& projection, float orthoDivisor);

// The camera's defaults for a drawing area of width x height pixels, and
// the projection matrices built from them. No GL.
void SetUpCamera(int width, int height);

// A new size of the drawing area: the aspect, the projection matrices and
// the 2D screen matrix follow it; the camera's other parameters stay. No GL.
void ResizeProjection(int width, int height);

// The matrix at byte 0 of the Projection buffer in the current mode.
const m4f& CurrentProjection();

}  // namespace vlm
