// VLM_RenderWorld: one frame of the 3D world, pass by pass.
#include "render/frame.h"

#include <cstdio>
#include <string>

#include "core/engine_state.h"
#include "core/fail.h"
#include "definition/texture_material_records.h"
#include "gpu/gl_objects.h"
#include "gpu/gl_state.h"
#include "gpu/gl_table.h"
#include "mesh/mesh_record.h"
#include "render/frustum.h"
#include "render/render_state.h"
#include "render/screen_size.h"
#include "render/shader_state.h"
#include "render/targets.h"
#include "scene/object_record.h"
#include "velmora/math.h"
#include "velmora/render.h"
#include "velmora/scene.h"

namespace vlm::render {

m4f Multiply(const m4f& first, const m4f& then) {
  m4f out;
  VLM_m4fMultiply(&out, &then, &first);  // applies its last argument first
  return out;
}

void SetModelView(const m4f& modelView) {
  ModelBlock& block = Shaders().buffers.model.data;
  block.mModelViewMatrix = modelView;
  // A mat3 in std140 is three 16-byte columns; GLSL reads the engine's
  // rows as its columns, as it does for the 4 x 4 matrix.
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column)
      block.mNormalMatrix[row * 4 + column] = modelView.e[row * 4 + column];
    block.mNormalMatrix[row * 4 + 3] = 0.0f;
  }
  UploadBlock(Block::kModel);
}

Drawn DrawInstance(const MeshInstance& instance, const m4f& view, const m4f* cullProjection) {
  const VLM_OBJECT* object = instance.object;
  const VLM_MESH* mesh = instance.mesh;
  if (!object || !mesh || object->aiRenderSwitch[0] == 0 || mesh->iVertexArray < 0 ||
      mesh->iIndexCount <= 0)
    return Drawn::kSkipped;
  m4f world;
  VLM_EntityWorldMatrix(&world, object, 1);
  const m4f modelView = Multiply(world, view);
  const bool instanced = object->iInstanceCount > 1 && object->iInstanceTexture != 0;
  // An instanced object's instances spread beyond the mesh's own box.
  if (cullProjection && !instanced &&
      TestBox(FrustumOf(Multiply(modelView, *cullProjection)), mesh->v4fBoxCentre,
              mesh->v4fBoxHalfExtents) == Containment::kOutside)
    return Drawn::kCulled;
  SetModelView(modelView);
  gl::BindVertexArray(static_cast<GLuint>(mesh->iVertexArray));
  if (instanced) {
    gl::BindTextureUnit(0, GL_TEXTURE_BUFFER, object->iInstanceTexture);
    gl::DrawIndexedTrianglesInstanced(mesh->iIndexCount, object->iInstanceCount);
    return Drawn::kInstanced;
  }
  gl::DrawIndexedTriangles(mesh->iIndexCount);
  return Drawn::kSingle;
}

// The frame after BeginFrame, in order. The names are what the per-pass
// hook reports.
struct FramePass {
  const char* name;
  void (*run)(const FrameContext& frame);
};
constexpr FramePass kFramePasses[] = {
    {"StripMesh", StripMeshPass},
    {"Geometry", GeometryPass},
    {"Undrawn", UndrawnPass},
    {"DirectionalShadow", DirectionalShadowPass},
    {"BeginLights", BeginLightPasses},
    {"DirectLight", DirectLightPass},
    {"PointAndSpotLights", PointAndSpotLightPass},
    {"SkyBox", SkyBoxPass},
    {"Forward", ForwardPass},
    {"Line", LinePass},
    {"PostInput", PostInputPass},
    {"Output", OutputPass},
    {"AfterLight", AfterLightPass},
    {"Effect", EffectPass},
    {"Glow", GlowPass},
    {"EndFrame", EndFrame},
};

void CheckPass([[maybe_unused]] const char* pass) {
#ifndef NDEBUG
  // Debug builds name the pass that left a GL error; release builds do not
  // stall the pipeline to ask.
  for (GLenum error = vlmgl.glGetError(); error != GL_NO_ERROR; error = vlmgl.glGetError()) {
    char text[96];
    std::snprintf(text, sizeof text, "Fail: GL error 0x%04X after the %s pass!", error, pass);
    Fail(text, "VLM_RenderWorld");
  }
#endif
}

}  // namespace vlm::render

extern "C" {

int VLM_RenderWorld(intptr_t target) {
  constexpr const char* kProc = "VLM_RenderWorld";
  if (!vlm::Engine().hasGL) return 0;
  using namespace vlm::render;
  FollowWindowSize(kProc);
  const RenderTargets& targets = Targets();
  if (targets.gbufferArray == 0 || targets.framebuffers[kForwardFramebuffer].framebuffer == 0) {
    vlm::Fail("Fail: There are no render targets!", kProc);
    return 0;
  }
  // Any other target must be a framebuffer of this context (0 is the
  // window's own); binding a made-up name is a GL error.
  if (target != -1 && (target < 0 || target > static_cast<intptr_t>(UINT32_MAX) ||
                       (target != 0 && !vlmgl.glIsFramebuffer(static_cast<GLuint>(target))))) {
    const std::string text = "Fail: The target " + std::to_string(target) + " is not a framebuffer!";
    vlm::Fail(text.c_str(), kProc);
    return 0;
  }
  FrameContext frame;
  frame.target = target;
  frame.culling = vlm::Render().frustumCulling != 0;
  // Benchmarks may watch each pass end; without a hook this costs a test.
  void (*const hook)(const char*) = vlm::Render().hooks.passEnded;
  const auto ended = [hook](const char* pass) {
    if (hook) hook(pass);
  };
  BeginFrame(frame);
  ended("BeginFrame");
  for (const FramePass& pass : kFramePasses) {
    pass.run(frame);
    ended(pass.name);
  }
  return 0;
}

int VLM_FrustumCulling(int on) {
  vlm::Render().frustumCulling = on != 0;
  return 0;
}

int VLM_ReadGBufferLayer(int layer, int x, int y, int width, int height, float* rgba) {
  constexpr const char* kProc = "VLM_ReadGBufferLayer";
  const vlm::render::RenderTargets& targets = vlm::render::Targets();
  if (!vlm::Engine().hasGL || targets.gbufferArray == 0) {
    vlm::Fail("Fail: There are no render targets!", kProc);
    return 0;
  }
  // 64-bit sums: a huge width or height must not wrap into the range.
  const bool inside = layer >= 0 && layer < vlm::render::kGBufferLayers && x >= 0 && y >= 0 &&
                      width > 0 && height > 0 &&
                      static_cast<int64_t>(x) + width <= targets.width &&
                      static_cast<int64_t>(y) + height <= targets.height;
  if (!inside || !rgba) {
    const std::string text = "Fail: Layer " + std::to_string(layer) + " rectangle (" +
                             std::to_string(x) + ", " + std::to_string(y) + ", " +
                             std::to_string(width) + ", " + std::to_string(height) +
                             ") is outside the G-buffer!";
    vlm::Fail(text.c_str(), kProc);
    return 0;
  }
  GLint previousRead = 0;
  vlmgl.glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previousRead);
  GLuint framebuffer = 0;
  vlmgl.glGenFramebuffers(1, &framebuffer);
  vlmgl.glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  vlmgl.glFramebufferTextureLayer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, targets.gbufferArray,
                                  0, layer);
  vlmgl.glReadBuffer(GL_COLOR_ATTACHMENT0);
  vlmgl.glPixelStorei(GL_PACK_ALIGNMENT, 4);
  vlmgl.glReadPixels(x, y, width, height, GL_RGBA, GL_FLOAT, rgba);
  vlmgl.glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previousRead));
  vlmgl.glDeleteFramebuffers(1, &framebuffer);
  return 1;
}

}  // extern "C"
