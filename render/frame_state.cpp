// GL-state helpers of the frame's passes and the presentation.
#include "render/frame_state.h"

#include "gpu/gl_state.h"
#include "gpu/gl_table.h"
#include "render/material_apply.h"
#include "render/render_state.h"
#include "render/shader_record.h"
#include "render/shader_state.h"
#include "render/targets.h"

namespace vlm::render {

void SetCulling(bool on) {
  gl::SetCapability(GL_CULL_FACE, on);
  Render().cache.cullFaces = on ? 1 : 0;
}

void SetDepthTest(bool on) {
  gl::SetCapability(GL_DEPTH_TEST, on);
  Render().cache.depthTest = on ? 1 : 0;
}

void MaskToDrawnPixels(bool on) {
  if (on) {
    vlmgl.glDepthRange(1.0, 1.0);
    vlmgl.glDepthFunc(GL_GREATER);
  } else {
    vlmgl.glDepthRange(0.0, 1.0);
    vlmgl.glDepthFunc(GL_LEQUAL);
  }
  SetDepthTest(on);
}

void MaskToUndrawnPixels(bool on) {
  // Every fragment at the far value passes GL_LEQUAL only where nothing
  // nearer was drawn.
  vlmgl.glDepthRange(on ? 1.0 : 0.0, 1.0);
  vlmgl.glDepthFunc(GL_LEQUAL);
  SetDepthTest(true);
}

void SetBlendFactors(uint32_t source, uint32_t destination) {
  gl::SetBlendFunction(source, destination);
  Render().cache.blendSource = static_cast<int32_t>(source);
  Render().cache.blendDestination = static_cast<int32_t>(destination);
}

void SetWireframe(bool on) {
  vlmgl.glPolygonMode(GL_FRONT_AND_BACK, on ? GL_LINE : GL_FILL);
  Render().cache.wireframe = on ? 1 : 0;
}

void SetAlphaTest(bool on) {
  GLint mask = 0;
  vlmgl.glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
  if (mask & GL_CONTEXT_CORE_PROFILE_BIT) return;
  gl::SetCapability(GL_ALPHA_TEST, on);
}

void BindFramebufferRecord(FramebufferIndex index) {
  gl::BindFramebuffer(Targets().framebuffers[static_cast<size_t>(index)].framebuffer);
}

void DrawIntoLayer(GBufferLayer layer) { gl::SetDrawBuffer(ForwardAttachment(layer)); }

void DrawIntoForwardLayers() {
  const std::vector<uint32_t>& buffers = Targets().framebuffers[kForwardFramebuffer].drawBuffers;
  gl::SetDrawBuffers(buffers.data(), buffers.size());
}

void DrawScreenQuad() { gl::DrawTriangleStrip(Targets().screenQuadArray, 4); }

const VLM_SHADER* UseBuiltIn(int number) {
  if (number <= 0 || number > kBuiltInProgramCount) return nullptr;
  const VLM_SHADER* shader = Shaders().builtIn[static_cast<size_t>(number)];
  if (!shader || shader->iProgram == 0) return nullptr;
  UseProgram(*shader);
  return shader;
}

int32_t UniformLocation(const VLM_SHADER& shader, int slot, const char* name) {
  if (slot >= 0 && static_cast<size_t>(slot) < shader.aSlotsA.size() && shader.aSlotsA[slot])
    return shader.aSlotsA[static_cast<size_t>(slot)]->iLocation;
  return name ? vlmgl.glGetUniformLocation(shader.iProgram, name) : -1;
}

void SetUniform(const VLM_SHADER& shader, int slot, const char* name, int value) {
  const GLint location = UniformLocation(shader, slot, name);
  if (location >= 0) vlmgl.glUniform1i(location, value);
}

void SetUniform(const VLM_SHADER& shader, int slot, const char* name, float value) {
  const GLint location = UniformLocation(shader, slot, name);
  if (location >= 0) vlmgl.glUniform1f(location, value);
}

void SetUniform(const VLM_SHADER& shader, int slot, const char* name, float x, float y) {
  const GLint location = UniformLocation(shader, slot, name);
  const float value[2] = {x, y};
  if (location >= 0) vlmgl.glUniform2fv(location, 1, value);
}

void SetUniform(const VLM_SHADER& shader, int slot, const char* name, const float (&rgba)[4]) {
  const GLint location = UniformLocation(shader, slot, name);
  if (location >= 0) vlmgl.glUniform4fv(location, 1, rgba);
}

void DrawLayerQuad(const VLM_SHADER& shader, GBufferLayer layer) {
  const RenderTargets& targets = Targets();
  SetUniform(shader, slot::kLayerIndex, "fIndex", static_cast<float>(layer));
  gl::BindTextureUnit(0, GL_TEXTURE_2D_ARRAY, targets.gbufferArray);
  gl::SetCapability(GL_BLEND, false);
  gl::SetCapability(GL_DEPTH_TEST, false);
  gl::SetCapability(GL_CULL_FACE, false);
  gl::DrawTriangleStrip(targets.screenQuadArray, 4);
  const RenderStateCache& cache = Render().cache;
  gl::SetCapability(GL_DEPTH_TEST, cache.depthTest != 0);
  gl::SetCapability(GL_CULL_FACE, cache.cullFaces != 0);
}

}  // namespace vlm::render
