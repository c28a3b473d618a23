// The GL side of the camera: the viewport, the Projection uniform buffer
// and the near and far planes in the Misc buffer, and following the
// window's size. The camera record and its matrices live in the scene
// (scene/camera.h).
#include <cmath>

#include "core/fail.h"
#include "gpu/gl_objects.h"
#include "gpu/gl_state.h"
#include "gpu/gl_table.h"
#include "platform/screen.h"
#include "render/screen_size.h"
#include "render/shader_state.h"
#include "render/targets.h"
#include "render/uniform_buffers.h"
#include "scene/scene_state.h"
#include "velmora/camera.h"
#include "velmora/math.h"

namespace vlm::render {
namespace {

constexpr size_t kMatrixBytes = sizeof(m4f);

ProjectionBlock& ProjectionData() { return Shaders().buffers.projection.data; }

// Uploads a range of a block that exists; without GL or before start-up
// there is nothing to update and nothing to report.
void Upload(Block block, size_t offset, size_t bytes) {
  if (!HasGL() || BlockBuffer(block) == 0) return;
  UploadBlockRange(block, offset, bytes);
}

// The perspective matrix and its inverse at bytes 0 and 64.
void UploadPerspective() {
  const ProjectionState& projection = Scene().projection;
  ProjectionData().mProjectionMatrix = projection.perspective;
  ProjectionData().mInvProjectionMatrix = projection.inversePerspective;
  Upload(Block::kProjection, 0, 2 * kMatrixBytes);
}

void UploadOrthographic() {
  ProjectionData().mProjectionMatrix = Scene().projection.orthographic;
  Upload(Block::kProjection, 0, kMatrixBytes);
}

void UploadCurrentMode() {
  if (Scene().camera.iProjectionMode == VLM_PROJECTION_ORTHOGRAPHIC) {
    UploadOrthographic();
  } else {
    UploadPerspective();
  }
}

void UploadNearFar() {
  const VLM_CAMERA& camera = Scene().camera;
  MiscBlock& misc = Shaders().buffers.misc.data;
  misc.fNear = camera.fNear;
  misc.fFar = camera.fFar;
  Upload(Block::kMisc, 0, sizeof(MiscBlock));
}

// Near and far planes the projection can be built from: finite, positive
// and apart.
bool PlanesValid(float nearPlane, float farPlane) {
  return std::isfinite(nearPlane) && std::isfinite(farPlane) && nearPlane > 0.0f &&
         farPlane > 0.0f && nearPlane != farPlane;
}

// Stores the near or far plane and uploads what changed: the matrix of the
// current mode and the Misc buffer's near and far.
int SetPlane(bool nearPlane, float distance, const char* procedure) {
  SceneState& scene = Scene();
  VLM_CAMERA& camera = scene.camera;
  const float n = nearPlane ? distance : camera.fNear, f = nearPlane ? camera.fFar : distance;
  if (!PlanesValid(n, f)) {
    Fail(nearPlane ? "Fail: The near plane must be positive and apart from the far plane!"
                   : "Fail: The far plane must be positive and apart from the near plane!",
         procedure);
    return 0;
  }
  // Planes the wrong way round clip everything: the frame would stay empty.
  if (n > f) {
    Fail("Fail: The near plane must lie before the far plane!", procedure);
    return 0;
  }
  (nearPlane ? camera.fNear : camera.fFar) = distance;
  RebuildPerspective(camera, scene.projection);
  // A near-plane change shrinks the orthographic box tenfold, as it always has.
  RebuildOrthographic(camera, scene.projection, nearPlane ? 10.0f : 1.0f);
  UploadCurrentMode();
  UploadNearFar();
  return 0;
}

// Creates (or refills) the Projection buffer: 192 bytes, static, the three
// matrices written one by one, bound to binding point 0.
void CreateProjectionBuffer() {
  UniformBuffer<ProjectionBlock>& projection = Shaders().buffers.projection;
  UniformBufferHeader& header = projection.header;
  header.iBinding = 0;
  header.sName = "Projection";
  header.iSize = header.iSizeAgain = static_cast<int32_t>(sizeof(ProjectionBlock));
  header.iReserved[0] = header.iReserved[1] = 0;
  if (!HasGL() || !gl::HasFunctions("VLM_InitCamera", {"glGenBuffers", "glBindBuffer",
                                                       "glBufferData", "glBufferSubData",
                                                       "glBindBufferBase", "glViewport"}))
    return;
  GLuint buffer = header.iBuffer;
  if (buffer == 0) vlmgl.glGenBuffers(1, &buffer);
  gl::BindBuffer(GL_UNIFORM_BUFFER, buffer);
  vlmgl.glBufferData(GL_UNIFORM_BUFFER, sizeof(ProjectionBlock), nullptr, GL_STATIC_DRAW);
  vlmgl.glBufferSubData(GL_UNIFORM_BUFFER, 0, 64, &projection.data.mProjectionMatrix);
  vlmgl.glBufferSubData(GL_UNIFORM_BUFFER, 64, 64, &projection.data.mInvProjectionMatrix);
  vlmgl.glBufferSubData(GL_UNIFORM_BUFFER, 128, 64, &projection.data.mScreenMatrix);
  vlmgl.glBindBufferBase(GL_UNIFORM_BUFFER, 0, buffer);
  gl::BindBuffer(GL_UNIFORM_BUFFER, 0);
  header.iBuffer = buffer;
}

}  // namespace

void FollowWindowSize(const char* procedure) {
  if (!platform::FollowWindowSize()) return;
  int width = 0, height = 0;
  ScreenSize(&width, &height);
  RemakeSizedTargets(procedure);
  ResizeProjection(width, height);
  ProjectionData().mScreenMatrix = Scene().projection.screen;
  Upload(Block::kProjection, 2 * kMatrixBytes, kMatrixBytes);
  UploadCurrentMode();
  MiscBlock& misc = Shaders().buffers.misc.data;
  misc.vMapSize[0] = static_cast<float>(width);
  misc.vMapSize[1] = static_cast<float>(height);
  Upload(Block::kMisc, 0, sizeof(MiscBlock));
  if (HasGL()) gl::SetViewport(width, height);
}

void SetProjectionMatrices(ProjectionBlock& block, int width, int height, float fieldOfView,
                           float nearPlane, float farPlane) {
  const float w = width > 0 ? static_cast<float>(width) : 1.0f;
  const float h = height > 0 ? static_cast<float>(height) : 1.0f;
  block.mProjectionMatrix = PerspectiveMatrix(fieldOfView, w / h, nearPlane, farPlane);
  VLM_m4fInverse(&block.mInvProjectionMatrix, &block.mProjectionMatrix);
  block.mScreenMatrix = ScreenMatrix(width, height);
}

}  // namespace vlm::render

extern "C" {

int VLM_InitCamera(int width, int height) {
  using namespace vlm::render;
  vlm::SetUpCamera(width, height);
  const vlm::ProjectionState& projection = vlm::Scene().projection;
  ProjectionBlock& block = ProjectionData();
  block.mProjectionMatrix = projection.perspective;
  block.mInvProjectionMatrix = projection.inversePerspective;
  block.mScreenMatrix = projection.screen;
  CreateProjectionBuffer();
  if (HasGL() && vlmgl.glViewport) vlm::gl::SetViewport(projection.width, projection.height);
  return 0;
}

int VLM_CameraFOV(float degrees) {
  if (!std::isfinite(degrees) || degrees <= 0.0f || degrees >= 180.0f) {
    vlm::Fail("Fail: The field of view must lie between 0 and 180 degrees!", "VLM_CameraFOV");
    return 0;
  }
  vlm::SceneState& scene = vlm::Scene();
  scene.camera.fFieldOfView = degrees;
  vlm::RebuildPerspective(scene.camera, scene.projection);
  if (scene.camera.iProjectionMode != VLM_PROJECTION_ORTHOGRAPHIC)
    vlm::render::UploadPerspective();
  return 0;
}

int VLM_CameraFar(float distance) {
  return vlm::render::SetPlane(false, distance, "VLM_CameraFar");
}

int VLM_CameraNear(float distance) {
  return vlm::render::SetPlane(true, distance, "VLM_CameraNear");
}

int VLM_CameraProjectionMode(int mode) {
  if (mode != VLM_PROJECTION_PERSPECTIVE && mode != VLM_PROJECTION_ORTHOGRAPHIC) {
    vlm::Fail("Fail: Unknown projection mode!", "VLM_CameraProjectionMode");
    return 0;
  }
  vlm::Scene().camera.iProjectionMode = mode;
  vlm::render::UploadCurrentMode();
  return 0;
}

}  // extern "C"
