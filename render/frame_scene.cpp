// The frame's scene passes: camera and state, strip meshes, the geometry
// pass, sky box, forward passes, 3D lines, the output copy and the end state.
#include <cmath>
#include <cstdint>
#include <string>

#include "core/fail.h"
#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "gpu/gl_objects.h"
#include "gpu/gl_state.h"
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

// The forward framebuffer with its own draw buffers (lit scene and glow).
void BindForwardFramebuffer() {
  BindFramebufferRecord(kForwardFramebuffer);
  DrawIntoForwardLayers();
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

// One line vertex as VLM_PROGRAM_3D_DRAWING reads it: position (attribute 0), colour (4).
constexpr size_t kLineVertexFloats = 8;
constexpr GLsizei kLineVertexBytes = static_cast<GLsizei>(kLineVertexFloats * sizeof(float));
// At most a million line ends wait for the next frame (32 MiB).
constexpr size_t kMaxQueuedLineFloats = size_t{1} << 20 << 3;

void AppendLineVertex(std::vector<float>& out, const v4f& position, const v4f& colour) {
  out.insert(out.end(), {position.x, position.y, position.z, 1.0f, colour.x, colour.y, colour.z, colour.w});
}

}  // namespace

void BeginFrame(FrameContext& frame) {
  // Camera: world matrix and its inverse, the view.
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

  // State, then the G-buffer cleared: the misc layer's alpha 0 marks "nothing
  // drawn" for the light and sky passes. With the program that zeroes the
  // pixels the geometry leaves empty, only the depth is cleared here: a
  // clear would write every pixel of five float layers that the geometry
  // then writes again.
  SetAlphaTest(false);
  gl::SetCapability(GL_BLEND, false);
  SetDepthTest(true);
  gl::SetDepthWrites(true);
  gl::SetCullFace(GL_BACK);
  SetCulling(true);
  SetWireframe(false);
  gl::SetViewport(frame.width, frame.height);
  BindFramebufferRecord(kGBufferFramebuffer);
  const GLbitfield colour = targets.undrawn.program ? 0 : GL_COLOR_BUFFER_BIT;
  gl::ClearTo(0.0f, 0.0f, 0.0f, 0.0f, colour | GL_DEPTH_BUFFER_BIT);
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
      if (!culls) gl::SetCapability(GL_CULL_FACE, false);
      ApplyMaterial(*material);
      for (const MeshInstance& instance : material->instances)
        if (DrawInstance(instance, frame.view, cull) == Drawn::kSingle) ++counted;
      if (!culls) gl::SetCapability(GL_CULL_FACE, true);
    }
  }
  gl::BindVertexArray(0);
  CheckPass("geometry");
}

void UndrawnPass(const FrameContext& /*frame*/) {
  // What the clear left out: 0 in the five layers where the depth is still
  // the far value. A surface lying exactly on the far plane counts as not
  // drawn, as it does for the light passes and the depth linearisation.
  const uint32_t fill = Targets().undrawn.program;
  if (fill == 0) return;  // BeginFrame cleared the colours
  gl::UseProgram(fill);
  gl::SetDepthWrites(false);
  gl::SetCapability(GL_CULL_FACE, false);
  MaskToUndrawnPixels(true);
  DrawScreenQuad();
  MaskToUndrawnPixels(false);
  gl::SetCapability(GL_CULL_FACE, Render().cache.cullFaces != 0);
  gl::SetDepthWrites(true);
  CheckPass("undrawn");
}

void SkyBoxPass(const FrameContext& frame) {
  // Back from the light passes: the forward framebuffer, back faces
  // culled, the usual blending, depth test on.
  BindForwardFramebuffer();
  gl::SetViewport(frame.width, frame.height);
  gl::SetCullFace(GL_BACK);
  SetCulling(true);
  gl::SetCapability(GL_BLEND, true);
  SetBlendFactors(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  SetDepthTest(true);

  SceneDrawing& sky = Render().scene;
  const VLM_TEXTURE* cube = sky.skyTexture ? TextureRegistry().Resolve(sky.skyTexture) : nullptr;
  if (cube && cube->iTexture != 0 && cube->iTarget == GL_TEXTURE_CUBE_MAP) {
    if (const VLM_SHADER* program = UseBuiltIn(VLM_PROGRAM_SKYBOX)) {
      if (sky.skyArray == 0) MakeSkyCube(sky);
      // Drawn at the far plane with depth writes still off, where the
      // G-buffer's misc layer says nothing was drawn; seen from inside.
      gl::SetDepthWrites(false);
      gl::SetCapability(GL_CULL_FACE, false);
      SetModelView(frame.view);
      gl::BindTextureUnit(1, GL_TEXTURE_2D_ARRAY, Targets().gbufferArray);
      gl::BindTextureUnit(0, GL_TEXTURE_CUBE_MAP, cube->iTexture);
      static constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
      SetUniform(*program, slot::kSkyBoxColour, "vColor", kWhite);
      gl::BindVertexArray(sky.skyArray);
      gl::DrawIndexedTriangles(36);
      gl::BindVertexArray(0);
      gl::SetCapability(GL_CULL_FACE, true);
    }
  } else if (sky.skyTexture) {
    sky.skyTexture = 0;  // released since: no sky from now on
  }
  gl::SetDepthWrites(true);
  SetAlphaTest(true);
  CheckPass("sky box");
}

namespace {

// Render list 1 or 2, per material with its depth writes, culling, wire
// frame and blend factors.
void DrawForwardList(const FrameContext& frame, int list) {
  const m4f* cull = frame.culling ? &frame.projection : nullptr;
  for (const VLM_SHADER* shader : Shaders().renderLists[static_cast<size_t>(list)]) {
    if (!shader || shader->materials.empty()) continue;
    UseProgram(*shader);
    for (const VLM_MATERIAL* material : shader->materials) {
      if (!material || material->instances.empty()) continue;
      gl::SetDepthWrites(material->iDepthMask);
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
  gl::BindVertexArray(0);
  gl::SetDepthWrites(true);
  CheckPass(list == 1 ? "forward" : "after-light");
}

}  // namespace

void ForwardPass(const FrameContext& frame) { DrawForwardList(frame, 1); }

void AfterLightPass(const FrameContext& frame) {
  // After the output copy: blending, depth test and depth writes.
  gl::SetCapability(GL_BLEND, true);
  SetDepthTest(true);
  gl::SetDepthWrites(true);
  DrawForwardList(frame, 2);
}

void LinePass(const FrameContext& frame) {
  // The physics debug view and the application's lines, each list
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
  const VLM_SHADER* program = UseBuiltIn(VLM_PROGRAM_3D_DRAWING);
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
  // The lit scene copied into the target: the screen layer of the forward
  // framebuffer for the screen, or the application's framebuffer.
  vlmgl.glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  if (frame.target == -1) {
    BindFramebufferRecord(kForwardFramebuffer);
    DrawIntoLayer(kLayerScreen);
    gl::SetViewport(frame.width, frame.height);
    if (vlmgl.glCopyImageSubData) {
      // Layer to layer of the same array: every texel of the screen layer is
      // replaced, so it needs no clear, and no program runs per pixel.
      const RenderTargets& targets = Targets();
      vlmgl.glCopyImageSubData(targets.gbufferArray, GL_TEXTURE_2D_ARRAY, 0, 0, 0, kLayerLitScene,
                               targets.gbufferArray, GL_TEXTURE_2D_ARRAY, 0, 0, 0, kLayerScreen,
                               targets.width, targets.height, 1);
      gl::SetCapability(GL_BLEND, false);  // as the copy through a program leaves it
      CheckPass("output");
      return;
    }
    vlmgl.glClear(GL_COLOR_BUFFER_BIT);
  } else {
    gl::BindFramebuffer(static_cast<GLuint>(frame.target));
    vlmgl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  gl::SetViewport(frame.width, frame.height);
  if (const VLM_SHADER* copy = UseBuiltIn(VLM_PROGRAM_PP_DEFAULT_TA)) DrawLayerQuad(*copy, kLayerLitScene);
  CheckPass("output");
}

void EndFrame(const FrameContext& frame) {
  // The state 2D drawing and the next frame expect.
  gl::SetCapability(GL_BLEND, true);
  SetBlendFactors(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  SetDepthTest(false);
  gl::SetDepthWrites(true);
  SetWireframe(false);
  gl::BindVertexArray(0);
  gl::SetViewport(frame.width, frame.height);
  if (frame.target == -1) {
    // 2D drawing lands in the screen layer, which the presentation puts on screen.
    BindFramebufferRecord(kForwardFramebuffer);
    DrawIntoLayer(kLayerScreen);
    Render().screenFrameReady = 1;
  } else {
    gl::BindFramebuffer(static_cast<GLuint>(frame.target));
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
