// The frame's scene passes: camera and state, strip meshes, the geometry
// pass, sky box, forward passes, 3D lines, the output copy and the end state.
#include <cstdint>

#include "definition/records.h"
#include "render/frame.h"
#include "render/frame_state.h"
#include "render/gl/gl_table.h"
#include "render/material_apply.h"
#include "render/render_state.h"
#include "render/shader_state.h"
#include "render/targets.h"
#include "render/uniform_buffers.h"
#include "scene/camera.h"
#include "scene/scene_state.h"

namespace vlm::render {

namespace {

// Program numbers of the passes drawn here.
constexpr int kCopyLayerProgram = 42;  // "PP Default TA"
constexpr float kLitSceneLayer = 6.0f;

void BindFramebuffer(int record) {
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, Targets().framebuffers[static_cast<size_t>(record)].framebuffer);
}

}  // namespace

void BeginFrame(FrameContext& frame) {
  // 1. Camera: world matrix and its inverse, the view.
  VLM_UpdateCamera();
  const RenderTargets& targets = Targets();
  frame.view = Scene().camera.mView;
  frame.projection = CurrentProjection();
  frame.width = targets.width;
  frame.height = targets.height;
  // A shadow pass of the last frame may have left a light's projection.
  ProjectionBlock& projection = Shaders().buffers.projection.data;
  projection.mProjectionMatrix = frame.projection;
  UploadBlockRange(Block::kProjection, 0, sizeof(m4f));

  // 2. State, then the G-buffer cleared: layer 4's alpha 0 marks "nothing
  // drawn" for the light and sky passes.
  SetAlphaTest(false);
  vlmgl.glDisable(GL_BLEND);
  SetDepthTest(true);
  vlmgl.glDepthMask(GL_TRUE);
  vlmgl.glCullFace(GL_BACK);
  SetCulling(true);
  SetWireframe(false);
  vlmgl.glViewport(0, 0, frame.width, frame.height);
  BindFramebuffer(0);
  vlmgl.glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  vlmgl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  CheckPass("begin");
}

void StripMeshPass(const FrameContext& /*frame*/) {}

void GeometryPass(const FrameContext& frame) {
  int32_t& counted = Render().rendered.objects;
  counted = 0;
  const m4f* cull = frame.culling ? &frame.projection : nullptr;
  for (const VLM_SHADER* shader : Shaders().renderLists[0]) {
    if (!shader || shader->materials.empty()) continue;
    UseProgram(*shader);
    for (const VLM_MATERIAL* material : shader->materials) {
      if (!material || material->instances.empty()) continue;
      const bool culls = material->iBackFaceCulling != 0;
      if (!culls) vlmgl.glDisable(GL_CULL_FACE);
      ApplyMaterial(*material);
      for (const MeshInstance& instance : material->instances)
        if (DrawInstance(instance, frame.view, cull) == Drawn::kSingle) ++counted;
      if (!culls) vlmgl.glEnable(GL_CULL_FACE);
    }
  }
  vlmgl.glBindVertexArray(0);
  CheckPass("geometry");
}

void SkyBoxPass(const FrameContext& /*frame*/) {}
void ForwardPass(const FrameContext& /*frame*/, int /*list*/) {}
void LinePass(const FrameContext& /*frame*/) {}

void OutputPass(const FrameContext& frame) {
  // 13. The lit scene (layer 6) copied into the target: layer 7 of the
  // forward framebuffer for the screen, or the application's framebuffer.
  vlmgl.glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  if (frame.target == -1) {
    BindFramebuffer(1);
    vlmgl.glDrawBuffer(GL_COLOR_ATTACHMENT1);
    vlmgl.glClear(GL_COLOR_BUFFER_BIT);
  } else {
    vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(frame.target));
    vlmgl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  vlmgl.glViewport(0, 0, frame.width, frame.height);
  if (const VLM_SHADER* copy = UseBuiltIn(kCopyLayerProgram)) DrawLayerQuad(*copy, kLitSceneLayer);
  CheckPass("output");
}

void EndFrame(const FrameContext& frame) {
  // 17. The state 2D drawing and the next frame expect.
  vlmgl.glEnable(GL_BLEND);
  SetBlendFactors(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  SetDepthTest(false);
  vlmgl.glDepthMask(GL_TRUE);
  SetWireframe(false);
  vlmgl.glBindVertexArray(0);
  vlmgl.glViewport(0, 0, frame.width, frame.height);
  if (frame.target == -1) {
    // 2D drawing lands in layer 7, which the presentation puts on screen.
    BindFramebuffer(1);
    vlmgl.glDrawBuffer(GL_COLOR_ATTACHMENT1);
    Render().screenFrameReady = 1;
  } else {
    vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(frame.target));
  }
  CheckPass("end");
}

}  // namespace vlm::render
