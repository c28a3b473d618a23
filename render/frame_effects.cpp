// The frame's post-processing and effects: linear depth and the glow map,
// particles, ribbons and billboards, and the half-size glow blur.
#include <cstring>

#include "core/engine_state.h"
#include "core/registries.h"
#include "definition/records.h"
#include "gpu/gl_table.h"
#include "render/effects.h"
#include "render/frame.h"
#include "render/frame_state.h"
#include "render/material_apply.h"
#include "render/render_state.h"
#include "render/shader_state.h"
#include "render/targets.h"
#include "scene/ribbon.h"

namespace vlm::render {
namespace {

// Built-in programs of these passes.
constexpr int kDepthLinearization = 1;
constexpr int kGlowMap = 2;
constexpr int kParticle = 38;
constexpr int kSoftParticle = 39;
constexpr int kCopyLayer = 42;
constexpr int kBlurLayer = 46;

void BindUnit(int unit, GLenum target, GLuint texture) {
  vlmgl.glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
  vlmgl.glBindTexture(target, texture);
}

void DrawScreenQuad() {
  vlmgl.glBindVertexArray(Targets().screenQuadArray);
  vlmgl.glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  vlmgl.glBindVertexArray(0);
}

bool GlowOn() {
  const EffectParameters& effects = Render().effects;
  return effects.glowStrength != 0.0f || effects.bloomStrength != 0.0f;
}

void RestoreDefaultBlend() {
  const RenderStateCache& cache = Render().cache;
  vlmgl.glBlendFunc(static_cast<GLenum>(cache.blendSource), static_cast<GLenum>(cache.blendDestination));
}

}  // namespace

void PostInputPass(const FrameContext& /*frame*/) {
  const RenderTargets& t = Targets();
  if (!t.gbufferArray) return;
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, t.framebuffers[1].framebuffer);
  vlmgl.glViewport(0, 0, t.width, t.height);
  vlmgl.glDisable(GL_BLEND);
  vlmgl.glDisable(GL_DEPTH_TEST);
  vlmgl.glDepthMask(GL_FALSE);

  // Layer 4 red: linear depth.
  vlmgl.glDrawBuffer(GL_COLOR_ATTACHMENT2);
  BindUnit(0, GL_TEXTURE_2D, t.depthTexture);
  if (const VLM_SHADER* depth = UseBuiltIn(kDepthLinearization)) {
    SetUniform(*depth, slot::kDepthLinearizationDepthMap, "DepthMap", 0);
    DrawScreenQuad();
  }

  // Layer 5: the glow map, left alone while glow and bloom are both off.
  if (GlowOn()) {
    vlmgl.glDrawBuffer(GL_COLOR_ATTACHMENT3);
    BindUnit(0, GL_TEXTURE_2D_ARRAY, t.gbufferArray);
    if (const VLM_SHADER* glow = UseBuiltIn(kGlowMap)) {
      SetUniform(*glow, slot::kGlowMapBufferMap, "BufferMap", 0);
      SetUniform(*glow, slot::kGlowMapGlow, "fGlow", Render().effects.glowStrength);
      SetUniform(*glow, slot::kGlowMapBloom, "fBloom", Render().effects.bloomStrength);
      DrawScreenQuad();
    }
  }
  vlmgl.glActiveTexture(GL_TEXTURE0);
  CheckPass("post-processing input");
}

void BeginParticles() {
  const RenderTargets& t = Targets();
  BindUnit(0, GL_TEXTURE_2D_ARRAY, t.gbufferArray);
  BindUnit(1, GL_TEXTURE_2D, t.depthTexture);
  vlmgl.glActiveTexture(GL_TEXTURE0);
  vlmgl.glDepthMask(GL_FALSE);
  vlmgl.glEnable(GL_BLEND);
}

bool SetUpParticleMaterial(const VLM_MATERIAL* material, const m4f& modelView) {
  if (!material || !material->pShader) return false;
  const VLM_SHADER& shader = *material->pShader;
  const int program = shader.iProgramNumber;
  if (program != kParticle && program != kSoftParticle) return false;
  std::memcpy(&Shaders().buffers.model.data.mModelViewMatrix, &modelView, sizeof(m4f));
  UploadBlockRange(Block::kModel, 0, sizeof(m4f));
  const VLM_TEXTURE* colour = material->apTextures[VLM_SLOT_COLOUR];
  if (!colour || !colour->iTexture) colour = TextureRegistry().Resolve(Render().defaults.texture);
  BindUnit(2, GL_TEXTURE_2D, colour ? colour->iTexture : 0);
  vlmgl.glActiveTexture(GL_TEXTURE0);
  vlmgl.glUseProgram(shader.iProgram);
  if (program == kSoftParticle) {
    // The soft variant reads linear depth from G-buffer layer 4.
    SetUniform(shader, slot::kSoftParticleColorMap, "ColorMap", 2);
    SetUniform(shader, slot::kSoftParticleDepthMap, "DepthMap", 0);
    SetUniform(shader, slot::kSoftParticleBlend, "fBlend", material->fHardness);
  } else {
    SetUniform(shader, slot::kParticleColorMap, "ColorMap", 2);
    SetUniform(shader, slot::kParticleDepthMap, "DepthMap", 1);
  }
  vlmgl.glBlendFunc(material->iBlendSource, material->iBlendDestination);
  return true;
}

void EndParticles() {
  vlmgl.glDepthMask(GL_TRUE);
  RestoreDefaultBlend();
}

void EffectPass(const FrameContext& frame) {
  if (Render().hooks.drawParticles) {
    Render().hooks.drawParticles(frame.view);
    CheckPass("particle");
  }
  AdvanceRibbons(Timing().elapsedSeconds);
  DrawBillboards(frame.view);
  CheckPass("billboard");
}

void GlowPass(const FrameContext& frame) {
  const RenderTargets& t = Targets();
  const VLM_SHADER* blur = Shaders().builtIn[kBlurLayer];
  const VLM_SHADER* copy = Shaders().builtIn[kCopyLayer];
  if (!GlowOn() || !blur || !blur->iProgram || !copy || !copy->iProgram || !t.halfArray) return;
  const float blurWidth = Render().effects.glowBlurWidth;
  vlmgl.glDisable(GL_BLEND);
  vlmgl.glDisable(GL_DEPTH_TEST);
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, t.framebuffers[2].framebuffer);
  vlmgl.glViewport(0, 0, t.halfWidth, t.halfHeight);
  UseProgram(*blur);
  SetUniform(*blur, slot::kLayerColorMap, "ColorMap", 0);

  // Horizontal: the glow map (layer 5) into half-size layer 0.
  vlmgl.glDrawBuffer(GL_COLOR_ATTACHMENT0);
  BindUnit(0, GL_TEXTURE_2D_ARRAY, t.gbufferArray);
  SetUniform(*blur, slot::kLayerIndex, "fIndex", 5.0f);
  SetUniform(*blur, slot::kBlurShift, "vShift", blurWidth / static_cast<float>(t.width), 0.0f);
  DrawScreenQuad();

  // Vertical: half-size layer 0 into half-size layer 1.
  vlmgl.glDrawBuffer(GL_COLOR_ATTACHMENT1);
  BindUnit(0, GL_TEXTURE_2D_ARRAY, t.halfArray);
  SetUniform(*blur, slot::kLayerIndex, "fIndex", 0.0f);
  SetUniform(*blur, slot::kBlurShift, "vShift", 0.0f, blurWidth / static_cast<float>(t.height));
  DrawScreenQuad();

  // Composite onto the frame's target: layer 7 of the forward framebuffer
  // for the screen, else the caller's framebuffer (the forward
  // framebuffer's draw buffer then still names the glow map itself).
  vlmgl.glViewport(0, 0, t.width, t.height);
  if (frame.target == -1) {
    vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, t.framebuffers[1].framebuffer);
    vlmgl.glDrawBuffer(GL_COLOR_ATTACHMENT1);
  } else {
    vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(frame.target));
  }
  vlmgl.glEnable(GL_BLEND);
  vlmgl.glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  UseProgram(*copy);
  SetUniform(*copy, slot::kLayerColorMap, "ColorMap", 0);
  SetUniform(*copy, slot::kLayerIndex, "fIndex", 1.0f);
  DrawScreenQuad();
  RestoreDefaultBlend();
  CheckPass("glow");
}

}  // namespace vlm::render
