// The passes' GL habits as named calls; see gl_state.h.
#include "gpu/gl_state.h"

namespace vlm::gl {

void SetCapability(GLenum capability, bool on) {
  if (on) {
    vlmgl.glEnable(capability);
  } else {
    vlmgl.glDisable(capability);
  }
}

void SetDepthWrites(bool on) { vlmgl.glDepthMask(on ? GL_TRUE : GL_FALSE); }

void SetBlendFunction(GLenum source, GLenum destination) { vlmgl.glBlendFunc(source, destination); }

void SetCullFace(GLenum face) { vlmgl.glCullFace(face); }

void BindFramebuffer(GLuint framebuffer) { vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer); }

void SetViewport(GLsizei width, GLsizei height) { vlmgl.glViewport(0, 0, width, height); }

void SetDrawBuffer(int attachment) {
  vlmgl.glDrawBuffer(GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(attachment));
}

void SetDrawBuffers(const uint32_t* attachments, size_t count) {
  vlmgl.glDrawBuffers(static_cast<GLsizei>(count), reinterpret_cast<const GLenum*>(attachments));
}

void ClearTo(float red, float green, float blue, float alpha, GLbitfield mask) {
  vlmgl.glClearColor(red, green, blue, alpha);
  vlmgl.glClear(mask);
}

void ActivateTextureUnit(int unit) { vlmgl.glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit)); }

void BindTextureUnit(int unit, GLenum target, GLuint texture) {
  ActivateTextureUnit(unit);
  vlmgl.glBindTexture(target, texture);
}

void UseProgram(GLuint program) { vlmgl.glUseProgram(program); }

void DrawTriangleStrip(GLuint vertexArray, GLsizei vertices) {
  vlmgl.glBindVertexArray(vertexArray);
  vlmgl.glDrawArrays(GL_TRIANGLE_STRIP, 0, vertices);
  vlmgl.glBindVertexArray(0);
}

void DrawIndexedTriangles(GLsizei indices) {
  vlmgl.glDrawElements(GL_TRIANGLES, indices, GL_UNSIGNED_INT, nullptr);
}

void DrawIndexedTrianglesInstanced(GLsizei indices, GLsizei instances) {
  vlmgl.glDrawElementsInstanced(GL_TRIANGLES, indices, GL_UNSIGNED_INT, nullptr, instances);
}

}  // namespace vlm::gl
