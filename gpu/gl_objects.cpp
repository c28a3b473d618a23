// GL object helpers over the function table.
#include "gpu/gl_objects.h"

#include <vector>

namespace vlm::gl {
namespace {

std::string InfoLog(GLuint object, bool program) {
  GLint length = 0;
  if (program) {
    if (!vlmgl.glGetProgramiv || !vlmgl.glGetProgramInfoLog) return std::string();
    vlmgl.glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
  } else {
    if (!vlmgl.glGetShaderiv || !vlmgl.glGetShaderInfoLog) return std::string();
    vlmgl.glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
  }
  if (length <= 1) return std::string();
  std::vector<GLchar> text(static_cast<size_t>(length));
  GLsizei written = 0;
  if (program) {
    vlmgl.glGetProgramInfoLog(object, length, &written, text.data());
  } else {
    vlmgl.glGetShaderInfoLog(object, length, &written, text.data());
  }
  return std::string(text.data(), static_cast<size_t>(written));
}

}  // namespace

GLuint CreateBuffer() {
  GLuint buffer = 0;
  if (vlmgl.glGenBuffers) vlmgl.glGenBuffers(1, &buffer);
  return buffer;
}

void FillBuffer(GLenum target, GLuint buffer, GLsizeiptr bytes, const void* data, GLenum usage) {
  vlmgl.glBindBuffer(target, buffer);
  vlmgl.glBufferData(target, bytes, data, usage);
}

void UpdateBuffer(GLenum target, GLuint buffer, GLintptr offset, GLsizeiptr bytes, const void* data) {
  if (!vlmgl.glBindBuffer || !vlmgl.glBufferSubData) return;
  vlmgl.glBindBuffer(target, buffer);
  vlmgl.glBufferSubData(target, offset, bytes, data);
}

void DeleteBuffer(GLuint& buffer) {
  if (buffer && vlmgl.glDeleteBuffers) vlmgl.glDeleteBuffers(1, &buffer);
  buffer = 0;
}

bool HasVertexArrayFunctions() {
  return vlmgl.glGenVertexArrays && vlmgl.glBindVertexArray && vlmgl.glGenBuffers &&
         vlmgl.glBindBuffer && vlmgl.glBufferData && vlmgl.glVertexAttribPointer &&
         vlmgl.glEnableVertexAttribArray;
}

GLuint CreateVertexArray() {
  GLuint array = 0;
  if (vlmgl.glGenVertexArrays) vlmgl.glGenVertexArrays(1, &array);
  return array;
}

void BindBuffer(GLenum target, GLuint buffer) { vlmgl.glBindBuffer(target, buffer); }

void BindVertexArray(GLuint array) {
  if (vlmgl.glBindVertexArray) vlmgl.glBindVertexArray(array);
}

void DeleteVertexArray(GLuint& array) {
  if (array && vlmgl.glDeleteVertexArrays) vlmgl.glDeleteVertexArrays(1, &array);
  array = 0;
}

void DeclareAttributes(GLsizei stride, std::initializer_list<VertexAttribute> attributes) {
  for (const VertexAttribute& a : attributes) {
    vlmgl.glVertexAttribPointer(a.location, a.size, a.type, GL_FALSE, stride,
                                reinterpret_cast<const void*>(a.offset));
    vlmgl.glEnableVertexAttribArray(a.location);
  }
}

void DeclareInstanceAttributes(GLsizei stride, std::initializer_list<VertexAttribute> attributes) {
  DeclareAttributes(stride, attributes);
  if (!vlmgl.glVertexAttribDivisor) return;
  for (const VertexAttribute& a : attributes) vlmgl.glVertexAttribDivisor(a.location, 1);
}

void DrawArraysInstanced(GLenum mode, GLint first, GLsizei count, GLsizei instances) {
  if (vlmgl.glDrawArraysInstanced) vlmgl.glDrawArraysInstanced(mode, first, count, instances);
}

GLuint CreateTexture() {
  GLuint texture = 0;
  if (vlmgl.glGenTextures) vlmgl.glGenTextures(1, &texture);
  return texture;
}

void FillTexture2D(GLuint texture, GLint internalFormat, GLsizei width, GLsizei height,
                   GLenum format, GLenum type, const void* pixels) {
  vlmgl.glBindTexture(GL_TEXTURE_2D, texture);
  vlmgl.glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, format, type, pixels);
  vlmgl.glBindTexture(GL_TEXTURE_2D, 0);
}

void DeleteTexture(GLuint& texture) {
  if (texture && vlmgl.glDeleteTextures) vlmgl.glDeleteTextures(1, &texture);
  texture = 0;
}

bool CreateTextureBuffer(GLsizeiptr bytes, const void* data, GLenum usage, GLenum internalFormat,
                         GLuint* buffer, GLuint* texture) {
  *buffer = 0;
  *texture = 0;
  if (!vlmgl.glGenBuffers || !vlmgl.glBindBuffer || !vlmgl.glBufferData || !vlmgl.glGenTextures ||
      !vlmgl.glBindTexture || !vlmgl.glTexBuffer) {
    return false;
  }
  *buffer = CreateBuffer();
  FillBuffer(GL_TEXTURE_BUFFER, *buffer, bytes, data, usage);
  vlmgl.glBindBuffer(GL_TEXTURE_BUFFER, 0);
  *texture = CreateTexture();
  vlmgl.glBindTexture(GL_TEXTURE_BUFFER, *texture);
  vlmgl.glTexBuffer(GL_TEXTURE_BUFFER, internalFormat, *buffer);
  vlmgl.glBindTexture(GL_TEXTURE_BUFFER, 0);
  return true;
}

GLint MaxTextureBufferTexels() {
  GLint texels = 0;
  if (vlmgl.glGetIntegerv) vlmgl.glGetIntegerv(GL_MAX_TEXTURE_BUFFER_SIZE, &texels);
  return texels;
}

void SetFilterAndClamp(GLenum target, GLint filter, bool clampR) {
  vlmgl.glTexParameteri(target, GL_TEXTURE_MIN_FILTER, filter);
  vlmgl.glTexParameteri(target, GL_TEXTURE_MAG_FILTER, filter);
  vlmgl.glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  vlmgl.glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  if (clampR) vlmgl.glTexParameteri(target, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
}

GLuint CreateDepthCubeMap(GLsizei size) {
  if (size <= 0 || !vlmgl.glGenTextures || !vlmgl.glBindTexture || !vlmgl.glTexParameteri ||
      !vlmgl.glTexImage2D)
    return 0;
  GLuint cube = CreateTexture();
  if (!cube) return 0;
  vlmgl.glBindTexture(GL_TEXTURE_CUBE_MAP, cube);
  SetFilterAndClamp(GL_TEXTURE_CUBE_MAP, GL_LINEAR, true);
  for (GLenum face = 0; face < 6; ++face)
    vlmgl.glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_DEPTH_COMPONENT24, size, size,
                       0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
  vlmgl.glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  return cube;
}

GLuint CreateTextureArray(GLint internalFormat, GLsizei width, GLsizei height, GLsizei layers,
                          GLenum format, GLenum type, GLint filter) {
  if (!vlmgl.glGenTextures || !vlmgl.glBindTexture || !vlmgl.glTexParameteri ||
      !vlmgl.glTexImage3D)
    return 0;
  GLuint texture = CreateTexture();
  if (!texture) return 0;
  vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, texture);
  SetFilterAndClamp(GL_TEXTURE_2D_ARRAY, filter);
  vlmgl.glTexImage3D(GL_TEXTURE_2D_ARRAY, 0, internalFormat, width, height, layers, 0, format, type,
                     nullptr);
  vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
  return texture;
}

GLuint CompileShader(GLenum stage, const char* source, std::string* log) {
  if (log) log->clear();
  if (!vlmgl.glCreateShader || !vlmgl.glShaderSource || !vlmgl.glCompileShader ||
      !vlmgl.glGetShaderiv)
    return 0;
  GLuint shader = vlmgl.glCreateShader(stage);
  if (!shader) return 0;
  vlmgl.glShaderSource(shader, 1, &source, nullptr);
  vlmgl.glCompileShader(shader);
  GLint compiled = GL_FALSE;
  vlmgl.glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
  if (log) *log = InfoLog(shader, false);
  if (compiled != GL_TRUE) DeleteShader(shader);
  return shader;
}

GLuint CreateProgram() { return vlmgl.glCreateProgram ? vlmgl.glCreateProgram() : 0; }

bool LinkProgram(GLuint program, std::string* log) {
  if (log) log->clear();
  if (!program || !vlmgl.glLinkProgram || !vlmgl.glGetProgramiv) return false;
  vlmgl.glLinkProgram(program);
  GLint linked = GL_FALSE;
  vlmgl.glGetProgramiv(program, GL_LINK_STATUS, &linked);
  if (log) *log = InfoLog(program, true);
  return linked == GL_TRUE;
}

void DeleteShader(GLuint& shader) {
  if (shader && vlmgl.glDeleteShader) vlmgl.glDeleteShader(shader);
  shader = 0;
}

void DeleteProgram(GLuint& program) {
  if (program && vlmgl.glDeleteProgram) vlmgl.glDeleteProgram(program);
  program = 0;
}

GLuint CreateUniformBuffer(GLsizeiptr bytes, GLuint bindingPoint) {
  GLuint buffer = CreateBuffer();
  if (!buffer || !vlmgl.glBindBufferBase) return buffer;
  FillBuffer(GL_UNIFORM_BUFFER, buffer, bytes, nullptr, GL_DYNAMIC_DRAW);
  vlmgl.glBindBufferBase(GL_UNIFORM_BUFFER, bindingPoint, buffer);
  vlmgl.glBindBuffer(GL_UNIFORM_BUFFER, 0);
  return buffer;
}

void FillUniformBuffer(GLuint buffer, GLintptr offset, GLsizeiptr bytes, const void* data) {
  vlmgl.glBindBuffer(GL_UNIFORM_BUFFER, buffer);
  vlmgl.glBufferSubData(GL_UNIFORM_BUFFER, offset, bytes, data);
  vlmgl.glBindBuffer(GL_UNIFORM_BUFFER, 0);
}

GLuint CreateFramebuffer() {
  GLuint framebuffer = 0;
  if (vlmgl.glGenFramebuffers) vlmgl.glGenFramebuffers(1, &framebuffer);
  return framebuffer;
}

GLuint CreateRenderbuffer() {
  GLuint renderbuffer = 0;
  if (!vlmgl.glGenRenderbuffers) return 0;
  vlmgl.glGenRenderbuffers(1, &renderbuffer);
  vlmgl.glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
  vlmgl.glBindRenderbuffer(GL_RENDERBUFFER, 0);
  return renderbuffer;
}

void AttachRenderbuffer(GLuint framebuffer, GLenum attachment, GLuint renderbuffer) {
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  vlmgl.glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, renderbuffer);
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void AttachTexture2D(GLuint framebuffer, GLenum attachment, GLuint texture) {
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  vlmgl.glFramebufferTexture2D(GL_FRAMEBUFFER, attachment, GL_TEXTURE_2D, texture, 0);
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

GLuint CreateRenderbufferStorage(GLenum internalFormat, GLsizei width, GLsizei height) {
  GLuint renderbuffer = 0;
  if (!vlmgl.glGenRenderbuffers || !vlmgl.glRenderbufferStorage) return 0;
  vlmgl.glGenRenderbuffers(1, &renderbuffer);
  vlmgl.glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
  vlmgl.glRenderbufferStorage(GL_RENDERBUFFER, internalFormat, width, height);
  vlmgl.glBindRenderbuffer(GL_RENDERBUFFER, 0);
  return renderbuffer;
}

void DeleteFramebuffer(GLuint& framebuffer) {
  if (framebuffer && vlmgl.glDeleteFramebuffers) vlmgl.glDeleteFramebuffers(1, &framebuffer);
  framebuffer = 0;
}

void DeleteRenderbuffer(GLuint& renderbuffer) {
  if (renderbuffer && vlmgl.glDeleteRenderbuffers) vlmgl.glDeleteRenderbuffers(1, &renderbuffer);
  renderbuffer = 0;
}

}  // namespace vlm::gl
