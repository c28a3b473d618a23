// The frame's post-processing and effects: linear depth and the glow map,
// particles, ribbons and billboards, and the half-size glow blur.
#include <cstring>

#include "core/engine_state.h"
#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "gpu/gl_state.h"
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

bool GlowOn() {
  const EffectParameters& effects = Render().effects;
  return effects.glowStrength != 0.0f || effects.bloomStrength != 0.0f;
}

void RestoreDefaultBlend() {
  const RenderStateCache& cache = Render().cache;
  gl::SetBlendFunction(static_cast<GLenum>(cache.blendSource), static_cast<GLenum>(cache.blendDestination));
}

}  // namespace

void PostInputPass(const FrameContext& /*frame*/) {
  const RenderTargets& t = Targets();
  if (!t.gbufferArray) return;
  BindFramebufferRecord(kForwardFramebuffer);
  gl::SetViewport(t.width, t.height);
  gl::SetCapability(GL_BLEND, false);
  gl::SetCapability(GL_DEPTH_TEST, false);
  gl::SetDepthWrites(false);

  // The misc layer's red: linear depth.
  DrawIntoLayer(kLayerMisc);
  gl::BindTextureUnit(0, GL_TEXTURE_2D, t.depthTexture);
  if (const VLM_SHADER* depth = UseBuiltIn(VLM_PROGRAM_GBUFFER_DEPTH_LINEARIZATION)) {
    SetUniform(*depth, slot::kDepthLinearizationDepthMap, "DepthMap", 0);
    DrawScreenQuad();
  }

  // The glow map, left alone while glow and bloom are both off.
  if (GlowOn()) {
    DrawIntoLayer(kLayerGlow);
    gl::BindTextureUnit(0, GL_TEXTURE_2D_ARRAY, t.gbufferArray);
    if (const VLM_SHADER* glow = UseBuiltIn(VLM_PROGRAM_GBUFFER_BLOOM_GLOW_MAP)) {
      SetUniform(*glow, slot::kGlowMapBufferMap, "BufferMap", 0);
      SetUniform(*glow, slot::kGlowMapGlow, "fGlow", Render().effects.glowStrength);
      SetUniform(*glow, slot::kGlowMapBloom, "fBloom", Render().effects.bloomStrength);
      DrawScreenQuad();
    }
  }
  gl::ActivateTextureUnit(0);
  CheckPass("post-processing input");
}

void BeginParticles() {
  const RenderTargets& t = Targets();
  gl::BindTextureUnit(0, GL_TEXTURE_2D_ARRAY, t.gbufferArray);
  gl::BindTextureUnit(1, GL_TEXTURE_2D, t.depthTexture);
  gl::ActivateTextureUnit(0);
  gl::SetDepthWrites(false);
  gl::SetCapability(GL_BLEND, true);
}

bool SetUpParticleMaterial(const VLM_MATERIAL* material, const m4f& modelView) {
  if (!material || !material->pShader) return false;
  const VLM_SHADER& shader = *material->pShader;
  const int program = shader.iProgramNumber;
  if (program != VLM_PROGRAM_PARTICLE && program != VLM_PROGRAM_SOFT_PARTICLE) return false;
  std::memcpy(&Shaders().buffers.model.data.mModelViewMatrix, &modelView, sizeof(m4f));
  UploadBlockRange(Block::kModel, 0, sizeof(m4f));
  const VLM_TEXTURE* colour = material->apTextures[VLM_SLOT_COLOUR];
  if (!colour || !colour->iTexture) colour = TextureRegistry().Resolve(Render().defaults.texture);
  gl::BindTextureUnit(2, GL_TEXTURE_2D, colour ? colour->iTexture : 0);
  gl::ActivateTextureUnit(0);
  gl::UseProgram(shader.iProgram);
  if (program == VLM_PROGRAM_SOFT_PARTICLE) {
    // The soft variant reads linear depth from the G-buffer's misc layer.
    SetUniform(shader, slot::kSoftParticleColorMap, "ColorMap", 2);
    SetUniform(shader, slot::kSoftParticleDepthMap, "DepthMap", 0);
    SetUniform(shader, slot::kSoftParticleBlend, "fBlend", material->fHardness);
  } else {
    SetUniform(shader, slot::kParticleColorMap, "ColorMap", 2);
    SetUniform(shader, slot::kParticleDepthMap, "DepthMap", 1);
  }
  gl::SetBlendFunction(material->iBlendSource, material->iBlendDestination);
  return true;
}

void EndParticles() {
  gl::SetDepthWrites(true);
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
  const VLM_SHADER* blur = Shaders().builtIn[VLM_PROGRAM_PP_BLUR_TA];
  const VLM_SHADER* copy = Shaders().builtIn[VLM_PROGRAM_PP_DEFAULT_TA];
  if (!GlowOn() || !blur || !blur->iProgram || !copy || !copy->iProgram || !t.halfArray) return;
  const float blurWidth = Render().effects.glowBlurWidth;
  gl::SetCapability(GL_BLEND, false);
  gl::SetCapability(GL_DEPTH_TEST, false);
  BindFramebufferRecord(kHalfFramebuffer);
  gl::SetViewport(t.halfWidth, t.halfHeight);
  UseProgram(*blur);
  SetUniform(*blur, slot::kLayerColorMap, "ColorMap", 0);

  // Horizontal: the glow map into half-size layer 0.
  gl::SetDrawBuffer(0);
  gl::BindTextureUnit(0, GL_TEXTURE_2D_ARRAY, t.gbufferArray);
  SetUniform(*blur, slot::kLayerIndex, "fIndex", static_cast<float>(kLayerGlow));
  SetUniform(*blur, slot::kBlurShift, "vShift", blurWidth / static_cast<float>(t.width), 0.0f);
  DrawScreenQuad();

  // Vertical: half-size layer 0 into half-size layer 1.
  gl::SetDrawBuffer(1);
  gl::BindTextureUnit(0, GL_TEXTURE_2D_ARRAY, t.halfArray);
  SetUniform(*blur, slot::kLayerIndex, "fIndex", 0.0f);
  SetUniform(*blur, slot::kBlurShift, "vShift", 0.0f, blurWidth / static_cast<float>(t.height));
  DrawScreenQuad();

  // Composite onto the frame's target: the screen layer of the forward
  // framebuffer for the screen, else the caller's framebuffer (the forward
  // framebuffer's draw buffer then still names the glow map itself).
  gl::SetViewport(t.width, t.height);
  if (frame.target == -1) {
    BindFramebufferRecord(kForwardFramebuffer);
    DrawIntoLayer(kLayerScreen);
  } else {
    gl::BindFramebuffer(static_cast<GLuint>(frame.target));
  }
  gl::SetCapability(GL_BLEND, true);
  gl::SetBlendFunction(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  UseProgram(*copy);
  SetUniform(*copy, slot::kLayerColorMap, "ColorMap", 0);
  SetUniform(*copy, slot::kLayerIndex, "fIndex", 1.0f);
  DrawScreenQuad();
  RestoreDefaultBlend();
  CheckPass("glow");
}

}  // namespace vlm::render
