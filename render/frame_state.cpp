// GL-state helpers of the frame's passes and the presentation.
#include "render/frame_state.h"

#include "render/gl/gl_table.h"
#include "render/material_apply.h"
#include "render/render_state.h"
#include "render/shader_state.h"
#include "render/targets.h"

namespace vlm::render {

void SetCapability(uint32_t capability, bool on) {
  if (on) {
    vlmgl.glEnable(capability);
  } else {
    vlmgl.glDisable(capability);
  }
}

void SetCulling(bool on) {
  SetCapability(GL_CULL_FACE, on);
  Render().cache.cullFaces = on ? 1 : 0;
}

void SetDepthTest(bool on) {
  SetCapability(GL_DEPTH_TEST, on);
  Render().cache.depthTest = on ? 1 : 0;
}

void SetBlendFactors(uint32_t source, uint32_t destination) {
  vlmgl.glBlendFunc(source, destination);
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
  SetCapability(GL_ALPHA_TEST, on);
}

const VLM_SHADER* UseBuiltIn(int number) {
  if (number <= 0 || number > kBuiltInProgramCount) return nullptr;
  const VLM_SHADER* shader = Shaders().builtIn[static_cast<size_t>(number)];
  if (!shader || shader->iProgram == 0) return nullptr;
  UseProgram(*shader);
  return shader;
}

void SetFloatUniform(const VLM_SHADER& shader, const char* name, float value) {
  const GLint location = vlmgl.glGetUniformLocation(shader.iProgram, name);
  if (location >= 0) vlmgl.glUniform1f(location, value);
}

void DrawLayerQuad(const VLM_SHADER& shader, float layer) {
  const RenderTargets& targets = Targets();
  SetFloatUniform(shader, "fIndex", layer);
  vlmgl.glActiveTexture(GL_TEXTURE0);
  vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, targets.gbufferArray);
  vlmgl.glDisable(GL_BLEND);
  vlmgl.glDisable(GL_DEPTH_TEST);
  vlmgl.glDisable(GL_CULL_FACE);
  vlmgl.glBindVertexArray(targets.screenQuadArray);
  vlmgl.glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  vlmgl.glBindVertexArray(0);
  const RenderStateCache& cache = Render().cache;
  SetCapability(GL_DEPTH_TEST, cache.depthTest != 0);
  SetCapability(GL_CULL_FACE, cache.cullFaces != 0);
}

}  // namespace vlm::render
