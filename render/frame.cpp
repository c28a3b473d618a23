// VLM_RenderWorld: one frame of the 3D world, pass by pass.
#include "render/frame.h"

#include <string>

#include "core/engine_state.h"
#include "core/fail.h"
#include "render/gl/gl_table.h"
#include "render/render_state.h"
#include "render/targets.h"
#include "velmora/render.h"

namespace vlm::render {

Drawn DrawInstance(const MeshInstance& /*instance*/, const m4f& /*view*/,
                   const m4f* /*cullProjection*/) {
  return Drawn::kSkipped;
}

void CheckPass(const char* /*pass*/) {}

}  // namespace vlm::render

extern "C" {

int VLM_RenderWorld(intptr_t target) {
  if (!vlm::Engine().hasGL) return 0;
  using namespace vlm::render;
  FrameContext frame;
  frame.target = target;
  frame.culling = vlm::Render().frustumCulling != 0;
  BeginFrame(frame);
  StripMeshPass(frame);
  GeometryPass(frame);
  DirectionalShadowPass(frame);
  BeginLightPasses(frame);
  DirectLightPass(frame);
  PointLightPass(frame);
  SkyBoxPass(frame);
  ForwardPass(frame, 1);
  LinePass(frame);
  PostInputPass(frame);
  OutputPass(frame);
  ForwardPass(frame, 2);
  EffectPass(frame);
  GlowPass(frame);
  EndFrame(frame);
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
