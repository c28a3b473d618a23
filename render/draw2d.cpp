// 2D drawing: one material made current, then quads from the quad batch or
// an element's own vertex array.
#include "render/draw2d.h"

#include <algorithm>
#include <cstring>

#include "definition/texture_material_records.h"
#include "gpu/gl_objects.h"
#include "gpu/gl_state.h"
#include "gpu/gl_textures.h"
#include "render/render_state.h"
#include "render/shader_state.h"
#include "render/uniform_buffers.h"

namespace vlm::render {

namespace {

// The quad batch's vertex array, made once: it records the batch's element
// buffer and attributes, so a draw only uploads vertices.
GLuint BatchArray() {
  QuadBatch& batch = Render().quadBatch;
  if (batch.vertexArray || !batch.vertexBuffer || !batch.elementBuffer) return batch.vertexArray;
  if (!gl::HasVertexArrayFunctions()) return 0;
  batch.vertexArray = gl::CreateVertexArray();
  gl::BindVertexArray(batch.vertexArray);
  gl::BindBuffer(GL_ELEMENT_ARRAY_BUFFER, batch.elementBuffer);
  gl::BindBuffer(GL_ARRAY_BUFFER, batch.vertexBuffer);
  gl::DeclareAttributes(sizeof(Vertex2D), {{0, 4, GL_FLOAT, 0}, {2, 2, GL_FLOAT, 16}});
  gl::BindVertexArray(0);
  gl::BindBuffer(GL_ARRAY_BUFFER, 0);
  return batch.vertexArray;
}

}  // namespace

bool Begin2D(const VLM_MATERIAL& material, const m4f& model) {
  if (!HasGL() || !vlmgl.glUseProgram || !vlmgl.glDrawElements) return false;
  const VLM_SHADER* shader = material.pShader;
  // A material may outlive its program; a stale pointer is never followed.
  if (!shader || ShaderRegistry().Resolve(shader->iHandle) != shader || !shader->iProgram) return false;
  gl::UseProgram(shader->iProgram);
  gl::ActivateTextureUnit(0);
  const VLM_TEXTURE* texture = material.apTextures[VLM_SLOT_COLOUR];
  gl::BindTexture(texture && texture->iTarget ? texture->iTarget : GL_TEXTURE_2D,
                      texture ? texture->iTexture : 0);
  const GLint colour = vlmgl.glGetUniformLocation(shader->iProgram, "vColor");
  if (colour >= 0) vlmgl.glUniform4fv(colour, 1, &material.v4fColor.x);
  std::memcpy(&Shaders().buffers.model.data.mModelViewMatrix, &model, sizeof(m4f));
  UploadBlockRange(Block::kModel, 0, sizeof(m4f));
  gl::SetCapability(GL_BLEND, true);
  gl::SetBlendFunction(material.iBlendSource, material.iBlendDestination);
  gl::SetCapability(GL_DEPTH_TEST, false);
  gl::SetCapability(GL_CULL_FACE, false);
  return true;
}

void End2D() {
  const RenderStateCache& cache = Render().cache;
  gl::SetCapability(GL_DEPTH_TEST, cache.depthTest != 0);
  gl::SetCapability(GL_CULL_FACE, cache.cullFaces != 0);
  gl::SetBlendFunction(static_cast<GLenum>(cache.blendSource), static_cast<GLenum>(cache.blendDestination));
  gl::BindVertexArray(0);
  gl::UseProgram(0);
}

void DrawQuadBatch(const Vertex2D* vertices, int quads) {
  quads = std::min(quads, QuadBatch::kQuads);
  if (quads <= 0) return;
  const GLuint array = BatchArray();
  if (!array) return;
  gl::BindBuffer(GL_ARRAY_BUFFER, Render().quadBatch.vertexBuffer);
  vlmgl.glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(quads) * 4 * sizeof(Vertex2D), vertices);
  gl::BindBuffer(GL_ARRAY_BUFFER, 0);
  gl::BindVertexArray(array);
  gl::DrawIndexedTriangles(quads * 6);
  gl::BindVertexArray(0);
}

}  // namespace vlm::render
