// The camera: defaults, transforms, matrices and the pick ray. The GL side
// of the projection (uniform buffers, viewport) is the renderer's, in
// render/projection.cpp.
#include "core/trig.h"
#include "scene/camera.h"

#include <cmath>
#include <cstring>

#include "core/finite.h"
#include "scene/entity.h"
#include "scene/scene_state.h"
#include "velmora/math.h"

namespace vlm {

namespace {

constexpr float kPi = 3.14159265358979f;

VLM_CAMERA& Camera() { return Scene().camera; }

m4f Zero() {
  m4f m;
  std::memset(&m, 0, sizeof m);
  return m;
}

}  // namespace

m4f PerspectiveMatrix(float fovDegrees, float aspect, float nearPlane, float farPlane) {
  const float t = vlm::Tan(fovDegrees * 0.5f * kPi / 180.0f);
  m4f m = Zero();
  m.e[0] = 1.0f / (t * aspect);
  m.e[5] = 1.0f / t;
  m.e[10] = (farPlane + nearPlane) / (nearPlane - farPlane);
  m.e[11] = -1.0f;
  m.e[14] = 2.0f * farPlane * nearPlane / (nearPlane - farPlane);
  return m;
}

m4f OrthographicMatrix(float left, float right, float bottom, float top, float nearPlane,
                       float farPlane) {
  m4f m = Zero();
  m.e[0] = 2.0f / (right - left);
  m.e[12] = -(right + left) / (right - left);
  m.e[5] = 2.0f / (top - bottom);
  m.e[13] = -(top + bottom) / (top - bottom);
  m.e[10] = -2.0f / (farPlane - nearPlane);
  m.e[14] = -(farPlane + nearPlane) / (farPlane - nearPlane);
  m.e[15] = 1.0f;
  return m;
}

m4f ScreenMatrix(int width, int height) {
  const float w = width > 0 ? static_cast<float>(width) : 1.0f;
  const float h = height > 0 ? static_cast<float>(height) : 1.0f;
  return OrthographicMatrix(0.0f, w, h, 0.0f, -512.0f, 512.0f);
}

void RebuildPerspective(const VLM_CAMERA& camera, ProjectionState& projection) {
  projection.perspective =
      PerspectiveMatrix(camera.fFieldOfView, camera.fAspect, camera.fNear, camera.fFar);
  VLM_m4fInverse(&projection.inversePerspective, &projection.perspective);
}

void RebuildOrthographic(const VLM_CAMERA& camera, ProjectionState& projection, float orthoDivisor) {
  const float h = static_cast<float>(projection.height > 0 ? projection.height : 1);
  projection.orthographic = OrthographicMatrix(0.0f, camera.fAspect * h / orthoDivisor,
                                               -h / orthoDivisor, 0.0f, camera.fNear, camera.fFar);
  projection.orthoDivisor = orthoDivisor;
}

void SetUpCamera(int width, int height) {
  SceneState& scene = Scene();
  VLM_CAMERA& camera = scene.camera;
  ProjectionState& projection = scene.projection;
  projection.width = width > 0 ? width : 1;
  projection.height = height > 0 ? height : 1;
  camera.header.iLinkType = 0;
  camera.header.pParent = nullptr;
  camera.iProjectionMode = VLM_PROJECTION_PERSPECTIVE;
  camera.fFieldOfView = 45.0f;
  camera.fAspect = static_cast<float>(projection.width) / static_cast<float>(projection.height);
  camera.fNear = 0.1f;
  camera.fFar = 128.0f;
  camera.q4fOrientation = v4f{0.0f, 0.0f, 0.0f, 1.0f};
  camera.v4fPosition = v4f{0.0f, 0.0f, 0.0f, 1.0f};
  camera.v4fPickRay = v4f{};
  RebuildPerspective(camera, projection);
  RebuildOrthographic(camera, projection, 1.0f);
  projection.screen = ScreenMatrix(projection.width, projection.height);
  VLM_UpdateCamera();
}

void ResizeProjection(int width, int height) {
  SceneState& scene = Scene();
  ProjectionState& projection = scene.projection;
  projection.width = width > 0 ? width : 1;
  projection.height = height > 0 ? height : 1;
  scene.camera.fAspect = static_cast<float>(projection.width) / static_cast<float>(projection.height);
  RebuildPerspective(scene.camera, projection);
  RebuildOrthographic(scene.camera, projection, projection.orthoDivisor);
  projection.screen = ScreenMatrix(projection.width, projection.height);
}

const m4f& CurrentProjection() {
  const SceneState& scene = Scene();
  return scene.camera.iProjectionMode == VLM_PROJECTION_ORTHOGRAPHIC ? scene.projection.orthographic
                                                                     : scene.projection.perspective;
}

}  // namespace vlm

extern "C" {

VLM_CAMERA* VLM_GetCamera(int /*number*/) { return &vlm::Camera(); }

int VLM_UpdateCamera(void) {
  VLM_CAMERA& camera = vlm::Camera();
  VLM_m4fFromQuaternion(&camera.q4fOrientation, &camera.mOwn);
  camera.mOwn.e[12] = camera.v4fPosition.x;
  camera.mOwn.e[13] = camera.v4fPosition.y;
  camera.mOwn.e[14] = camera.v4fPosition.z;
  camera.mOwn.e[15] = 1.0f;
  VLM_EntityWorldMatrix(&camera.mWorld, &camera, 1);
  VLM_m4fInverse(&camera.mView, &camera.mWorld);
  return 0;
}

m4f* VLM_CameraViewMatrix(void) { return &vlm::Camera().mView; }

// A camera whose view matrix is not finite draws nothing: a change that
// leaves a number that is not finite is undone and refused.
int VLM_CameraPosition(float x, float y, float z, int mode) {
  VLM_CAMERA& camera = vlm::Camera();
  const v4f before = camera.v4fPosition;
  vlm::ApplyPositionMode(&camera.header, &camera.v4fPosition, v4f{x, y, z, 0.0f}, mode);
  const v4f& p = camera.v4fPosition;
  if (!vlm::AllFinite({x, y, z, p.x, p.y, p.z, p.w})) {
    camera.v4fPosition = before;
    return vlm::RefuseNumber("VLM_CameraPosition");
  }
  return VLM_UpdateCamera();
}

int VLM_CameraRotation(float ax, float ay, float az, int mode) {
  VLM_CAMERA& camera = vlm::Camera();
  const v4f before = camera.q4fOrientation;
  vlm::ApplyRotationMode(&camera.header, &camera.q4fOrientation, ax, ay, az, mode);
  const v4f& q = camera.q4fOrientation;
  if (!vlm::AllFinite({ax, ay, az, q.x, q.y, q.z, q.w})) {
    camera.q4fOrientation = before;
    return vlm::RefuseNumber("VLM_CameraRotation");
  }
  return VLM_UpdateCamera();
}

v4f* VLM_GetCameraPosition(v4f* out, int mode) {
  VLM_CAMERA& camera = vlm::Camera();
  v4f* result = out ? out : &camera.v4fScratch;
  if (mode & VLM_CAMERA_WORLD) {
    *result = v4f{0.0f, 0.0f, 0.0f, 1.0f};
    VLM_v4fTransform(result, &camera.mWorld);
  } else if (mode & VLM_CAMERA_OWN_ORIGIN) {
    *result = v4f{0.0f, 0.0f, 0.0f, 1.0f};
    VLM_v4fTransform(result, &camera.mOwn);
  } else {
    *result = camera.v4fPosition;
  }
  return result;
}

v4f* VLM_CameraPickRay(float x, float y) {
  vlm::SceneState& scene = vlm::Scene();
  VLM_CAMERA& camera = scene.camera;
  v4f& ray = camera.v4fPickRay;
  if (x == VLM_PICK_CENTRE && y == VLM_PICK_CENTRE) {
    ray = v4f{0.0f, 0.0f, -1.0f, 0.0f};
  } else {
    const float w = static_cast<float>(scene.projection.width > 0 ? scene.projection.width : 1);
    const float h = static_cast<float>(scene.projection.height > 0 ? scene.projection.height : 1);
    ray = v4f{2.0f * x / w - 1.0f, -2.0f * y / h + 1.0f, 1.0f, 1.0f};
    m4f inverse;
    if (camera.iProjectionMode == VLM_PROJECTION_ORTHOGRAPHIC) {
      VLM_m4fInverse(&inverse, &scene.projection.orthographic);
    } else {
      inverse = scene.projection.inversePerspective;
    }
    VLM_v4fTransform(&ray, &inverse);
    ray.w = 0.0f;
  }
  VLM_v4fTransform(&ray, &camera.mWorld);
  // A degenerate world matrix would give a zero ray, which the fast
  // normalisation turns into NaN; keep the zero instead.
  if (ray.x != 0.0f || ray.y != 0.0f || ray.z != 0.0f) {
    VLM_v4fNormalizeFast(&ray);
  }
  return &ray;
}

}  // extern "C"
