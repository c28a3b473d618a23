// The frame's scene passes: camera and state, strip meshes, the geometry
// pass, sky box, forward passes, 3D lines, the output copy and the end state.
#include <cmath>
#include <cstdint>
#include <string>

#include "core/fail.h"
#include "core/registries.h"
#include "definition/records.h"
#include "gpu/gl_objects.h"
#include "gpu/gl_table.h"
#include "physics/world.h"
#include "physics/world_state.h"
#include "render/frame.h"
#include "render/frame_state.h"
#include "render/material_apply.h"
#include "render/render_state.h"
#include "render/shader_state.h"
#include "render/targets.h"
#include "render/uniform_buffers.h"
#include "scene/camera.h"
#include "scene/scene_state.h"
#include "velmora/math.h"
#include "velmora/render.h"

namespace vlm::render {

namespace {

// Program numbers of the passes drawn here.
constexpr int kLineProgram = 16;       // "3D Drawing"
constexpr int kSkyBoxProgram = 37;     // "Skybox"
constexpr int kCopyLayerProgram = 42;  // "PP Default TA"
constexpr float kLitSceneLayer = 6.0f;
constexpr GLint kScreenLayer = 7;  // where the frame and the 2D drawing wait for the present

void BindFramebuffer(int record) {
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, Targets().framebuffers[static_cast<size_t>(record)].framebuffer);
}

// The forward framebuffer with its own draw buffers (layers 6 and 5).
void BindForwardFramebuffer() {
  const FramebufferRecord& record = Targets().framebuffers[1];
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, record.framebuffer);
  vlmgl.glDrawBuffers(static_cast<GLsizei>(record.drawBuffers.size()),
                      reinterpret_cast<const GLenum*>(record.drawBuffers.data()));
}

// The sky's cube: eight corners around the eye, twelve triangles.
void MakeSkyCube(SceneDrawing& sky) {
  static constexpr float kCorners[8][4] = {{-1, -1, -1, 1}, {1, -1, -1, 1}, {-1, 1, -1, 1}, {1, 1, -1, 1},
                                           {-1, -1, 1, 1},  {1, -1, 1, 1},  {-1, 1, 1, 1},  {1, 1, 1, 1}};
  static constexpr uint32_t kIndices[36] = {0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 2, 6, 0, 6, 4,
                                            1, 5, 7, 1, 7, 3, 0, 4, 5, 0, 5, 1, 2, 3, 7, 2, 7, 6};
  sky.skyArray = gl::CreateVertexArray();
  gl::BindVertexArray(sky.skyArray);
  sky.skyVertices = gl::CreateBuffer();
  gl::FillBuffer(GL_ARRAY_BUFFER, sky.skyVertices, sizeof kCorners, kCorners, GL_STATIC_DRAW);
  gl::DeclareAttributes(16, {{0, 4, GL_FLOAT, 0}});
  sky.skyIndices = gl::CreateBuffer();
  gl::FillBuffer(GL_ELEMENT_ARRAY_BUFFER, sky.skyIndices, sizeof kIndices, kIndices, GL_STATIC_DRAW);
  gl::BindVertexArray(0);
}

// One line vertex as program 16 reads it: position (attribute 0), colour (4).
constexpr size_t kLineVertexFloats = 8;
constexpr GLsizei kLineVertexBytes = static_cast<GLsizei>(kLineVertexFloats * sizeof(float));
// At most a million line ends wait for the next frame (32 MiB).
constexpr size_t kMaxQueuedLineFloats = size_t{1} << 20 << 3;

void AppendLineVertex(std::vector<float>& out, const v4f& position, const v4f& colour) {
  out.insert(out.end(), {position.x, position.y, position.z, 1.0f, colour.x, colour.y, colour.z, colour.w});
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

// The scene keeps no strip-mesh list: every mesh is an indexed triangle
// list drawn by the geometry pass.
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

void SkyBoxPass(const FrameContext& frame) {
  // 9. Back from the light passes: the forward framebuffer, back faces
  // culled, the usual blending, depth test on.
  BindForwardFramebuffer();
  vlmgl.glViewport(0, 0, frame.width, frame.height);
  vlmgl.glCullFace(GL_BACK);
  SetCulling(true);
  vlmgl.glEnable(GL_BLEND);
  SetBlendFactors(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  SetDepthTest(true);

  SceneDrawing& sky = Render().scene;
  const VLM_TEXTURE* cube = sky.skyTexture ? TextureRegistry().Resolve(sky.skyTexture) : nullptr;
  if (cube && cube->iTexture != 0 && cube->iTarget == GL_TEXTURE_CUBE_MAP) {
    if (const VLM_SHADER* program = UseBuiltIn(kSkyBoxProgram)) {
      if (sky.skyArray == 0) MakeSkyCube(sky);
      // Drawn at the far plane with depth writes still off, where the
      // G-buffer's layer 4 says nothing was drawn; seen from inside.
      vlmgl.glDepthMask(GL_FALSE);
      vlmgl.glDisable(GL_CULL_FACE);
      SetModelView(frame.view);
      vlmgl.glActiveTexture(GL_TEXTURE1);
      vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, Targets().gbufferArray);
      vlmgl.glActiveTexture(GL_TEXTURE0);
      vlmgl.glBindTexture(GL_TEXTURE_CUBE_MAP, cube->iTexture);
      static constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
      SetUniform(*program, slot::kSkyBoxColour, "vColor", kWhite);
      vlmgl.glBindVertexArray(sky.skyArray);
      vlmgl.glDrawElements(GL_TRIANGLES, 36, GL_UNSIGNED_INT, nullptr);
      vlmgl.glBindVertexArray(0);
      vlmgl.glEnable(GL_CULL_FACE);
    }
  } else if (sky.skyTexture) {
    sky.skyTexture = 0;  // released since: no sky from now on
  }
  vlmgl.glDepthMask(GL_TRUE);
  SetAlphaTest(true);
  CheckPass("sky box");
}

void ForwardPass(const FrameContext& frame, int list) {
  if (list == 2) {
    // 14. After the output copy: blending, depth test and depth writes.
    vlmgl.glEnable(GL_BLEND);
    SetDepthTest(true);
    vlmgl.glDepthMask(GL_TRUE);
  }
  // 10. Per material: its depth writes, culling, wire frame and blend factors.
  const m4f* cull = frame.culling ? &frame.projection : nullptr;
  for (const VLM_SHADER* shader : Shaders().renderLists[static_cast<size_t>(list)]) {
    if (!shader || shader->materials.empty()) continue;
    UseProgram(*shader);
    for (const VLM_MATERIAL* material : shader->materials) {
      if (!material || material->instances.empty()) continue;
      vlmgl.glDepthMask(material->iDepthMask ? GL_TRUE : GL_FALSE);
      const bool wire = material->iWireframe != 0;
      const bool culls = material->iBackFaceCulling != 0 && !wire;
      if (!culls) SetCulling(false);
      if (wire) SetWireframe(true);
      const bool blends = material->iBlendSource != GL_SRC_ALPHA ||
                          material->iBlendDestination != GL_ONE_MINUS_SRC_ALPHA;
      if (blends) SetBlendFactors(material->iBlendSource, material->iBlendDestination);
      ApplyMaterial(*material);
      for (const MeshInstance& instance : material->instances) DrawInstance(instance, frame.view, cull);
      if (blends) SetBlendFactors(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      if (wire) SetWireframe(false);
      if (!culls) SetCulling(true);
    }
  }
  vlmgl.glBindVertexArray(0);
  vlmgl.glDepthMask(GL_TRUE);
  CheckPass(list == 1 ? "forward" : "after-light");
}

void LinePass(const FrameContext& frame) {
  // 11. The physics debug view and the application's lines, each list
  // drawn by one frame: a debug view switched off leaves no lines behind.
  SceneDrawing& drawing = Render().scene;
  std::vector<float>& lines = drawing.lines;
  {
    PhysicsWorld& world = World();
    PhysicsLock guard(world.lock);
    for (const DebugLineVertex& vertex : world.debugLines)
      AppendLineVertex(lines, vertex.v4fPosition, vertex.v4fColour);
    world.debugLines.clear();
  }
  const size_t vertices = lines.size() / kLineVertexFloats;
  if (vertices < 2) {
    lines.clear();
    return;
  }
  const VLM_SHADER* program = UseBuiltIn(kLineProgram);
  if (!program) {
    lines.clear();
    return;
  }
  if (drawing.lineArray == 0) {
    drawing.lineArray = gl::CreateVertexArray();
    gl::BindVertexArray(drawing.lineArray);
    drawing.lineBuffer = gl::CreateBuffer();
    gl::FillBuffer(GL_ARRAY_BUFFER, drawing.lineBuffer, 0, nullptr, GL_STREAM_DRAW);
    gl::DeclareAttributes(kLineVertexBytes, {{0, 4, GL_FLOAT, 0}, {4, 4, GL_FLOAT, 16}});
  } else {
    gl::BindVertexArray(drawing.lineArray);
  }
  // A fresh store each frame, so the driver need not wait for the last
  // frame's lines; it grows to the largest list seen.
  const size_t bytes = lines.size() * sizeof(float);
  if (bytes > drawing.lineBufferBytes) drawing.lineBufferBytes = bytes;
  gl::FillBuffer(GL_ARRAY_BUFFER, drawing.lineBuffer, static_cast<GLsizeiptr>(drawing.lineBufferBytes),
                 nullptr, GL_STREAM_DRAW);
  gl::UpdateBuffer(GL_ARRAY_BUFFER, drawing.lineBuffer, 0, static_cast<GLsizeiptr>(bytes), lines.data());
  SetModelView(frame.view);
  vlmgl.glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(vertices & ~static_cast<size_t>(1)));
  gl::BindVertexArray(0);
  lines.clear();
  CheckPass("line");
}

void OutputPass(const FrameContext& frame) {
  // 13. The lit scene (layer 6) copied into the target: layer 7 of the
  // forward framebuffer for the screen, or the application's framebuffer.
  vlmgl.glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  if (frame.target == -1) {
    BindFramebuffer(1);
    vlmgl.glDrawBuffer(GL_COLOR_ATTACHMENT1);
    vlmgl.glViewport(0, 0, frame.width, frame.height);
    if (vlmgl.glCopyImageSubData) {
      // Layer to layer of the same array: every texel of layer 7 is
      // replaced, so it needs no clear, and no program runs per pixel.
      const RenderTargets& targets = Targets();
      vlmgl.glCopyImageSubData(targets.gbufferArray, GL_TEXTURE_2D_ARRAY, 0, 0, 0, static_cast<GLint>(kLitSceneLayer),
                               targets.gbufferArray, GL_TEXTURE_2D_ARRAY, 0, 0, 0, kScreenLayer,
                               targets.width, targets.height, 1);
      vlmgl.glDisable(GL_BLEND);  // as the copy through a program leaves it
      CheckPass("output");
      return;
    }
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

void DeleteSceneDrawing() {
  SceneDrawing& drawing = Render().scene;
  gl::DeleteVertexArray(drawing.skyArray);
  gl::DeleteBuffer(drawing.skyVertices);
  gl::DeleteBuffer(drawing.skyIndices);
  gl::DeleteVertexArray(drawing.lineArray);
  gl::DeleteBuffer(drawing.lineBuffer);
  drawing.lineBufferBytes = 0;
}

}  // namespace vlm::render

extern "C" {

int VLM_SkyBox(VLM_HANDLE cubeTexture) {
  vlm::SceneDrawing& drawing = vlm::Render().scene;
  if (cubeTexture == 0) {
    drawing.skyTexture = 0;
    return 1;
  }
  const VLM_TEXTURE* texture = vlm::TextureRegistry().Resolve(cubeTexture);
  if (!texture || texture->iTarget != GL_TEXTURE_CUBE_MAP) {
    vlm::Fail("Fail: The sky box needs a cube texture!", "VLM_SkyBox");
    return 0;
  }
  drawing.skyTexture = cubeTexture;
  return 1;
}

int VLM_DrawLine3D(float x0, float y0, float z0, float x1, float y1, float z1, uint32_t colour) {
  for (const float value : {x0, y0, z0, x1, y1, z1}) {
    if (!std::isfinite(value)) {
      vlm::Fail("Fail: A line end is not a finite number!", "VLM_DrawLine3D");
      return 0;
    }
  }
  std::vector<float>& lines = vlm::Render().scene.lines;
  // Lines wait for a frame; without frames they must not pile up for ever.
  if (lines.size() >= vlm::render::kMaxQueuedLineFloats) {
    vlm::Fail("Fail: Too many lines wait for the next frame!", "VLM_DrawLine3D");
    return 0;
  }
  v4f rgba;
  VLM_v4fFromColor(&rgba, colour);
  vlm::render::AppendLineVertex(lines, v4f{x0, y0, z0, 1.0f}, rgba);
  vlm::render::AppendLineVertex(lines, v4f{x1, y1, z1, 1.0f}, rgba);
  return 1;
}

}  // extern "C"
