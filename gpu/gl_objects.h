// Small helpers that create, fill and delete GL objects through the
// engine's function table: buffers, vertex arrays, textures, programs,
// uniform buffers and framebuffers. Subsystems use these instead of raw
// table calls. Each helper calls exactly the entry points it names, in the
// order given, and leaves the binding it used at 0 unless it says otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "gpu/gl_table.h"

namespace vlm::gl {

// ---- Buffers --------------------------------------------------------------
GLuint CreateBuffer();
// glBindBuffer: buffer (0: none) on target.
void BindBuffer(GLenum target, GLuint buffer);
// Binds buffer to target and gives it bytes of data (null: uninitialised);
// the binding stays, as a vertex array records the element buffer's.
void FillBuffer(GLenum target, GLuint buffer, GLsizeiptr bytes, const void* data, GLenum usage);
// Binds buffer to target and replaces bytes of its data from offset
// (glBufferSubData); the binding stays.
void UpdateBuffer(GLenum target, GLuint buffer, GLintptr offset, GLsizeiptr bytes, const void* data);
// Deletes a buffer (0 is ignored) and sets the name to 0.
void DeleteBuffer(GLuint& buffer);

// ---- Vertex arrays -----------------------------------------------------------
// True when vertex arrays and buffers can be made, filled and described.
bool HasVertexArrayFunctions();
GLuint CreateVertexArray();
void BindVertexArray(GLuint array);
void DeleteVertexArray(GLuint& array);

// One attribute of an interleaved vertex; integer data is read as float.
struct VertexAttribute {
  GLuint location;
  GLint size;
  GLenum type;
  size_t offset;
};
// Describes and enables the attributes of the bound vertex array, reading
// the bound array buffer with the given stride.
void DeclareAttributes(GLsizei stride, std::initializer_list<VertexAttribute> attributes);
// As DeclareAttributes, each attribute advancing once per instance (divisor 1).
void DeclareInstanceAttributes(GLsizei stride, std::initializer_list<VertexAttribute> attributes);
// Draws count vertices from first of the bound vertex array, instances times.
void DrawArraysInstanced(GLenum mode, GLint first, GLsizei count, GLsizei instances);

// ---- Textures -------------------------------------------------------------
GLuint CreateTexture();
// Binds texture to GL_TEXTURE_2D and gives level 0 its pixels (null:
// uninitialised); the binding is cleared afterwards.
void FillTexture2D(GLuint texture, GLint internalFormat, GLsizei width, GLsizei height,
                   GLenum format, GLenum type, const void* pixels);
void DeleteTexture(GLuint& texture);
// Sets min and mag filter of the bound texture of `target`, and clamps it to
// its edges on s and t (and r for `clampR`).
void SetFilterAndClamp(GLenum target, GLint filter, bool clampR = false);
// A cube map whose six faces are size x size GL_DEPTH_COMPONENT24 images,
// linear filters, clamped on s, t and r; 0 when it cannot be made.
GLuint CreateDepthCubeMap(GLsizei size);
// A 2D array of `layers` layers, no pixels, clamped on s and t.
GLuint CreateTextureArray(GLint internalFormat, GLsizei width, GLsizei height, GLsizei layers,
                          GLenum format, GLenum type, GLint filter);

// ---- Buffer textures -------------------------------------------------------
// A buffer of bytes from data (null: uninitialised) with the given usage and
// a buffer texture reading it as internalFormat texels; both bindings are
// left at 0. False, with nothing created, when the entry points are missing.
bool CreateTextureBuffer(GLsizeiptr bytes, const void* data, GLenum usage, GLenum internalFormat,
                         GLuint* buffer, GLuint* texture);
// The largest texel count of a buffer texture (GL_MAX_TEXTURE_BUFFER_SIZE),
// 0 when it cannot be asked.
GLint MaxTextureBufferTexels();

// ---- Programs -------------------------------------------------------------
// A compiled shader stage, or 0; log receives the compiler's message.
GLuint CompileShader(GLenum stage, const char* source, std::string* log);
GLuint CreateProgram();
// Links program; false (and the linker's message in log) when it did not link.
bool LinkProgram(GLuint program, std::string* log);
void DeleteShader(GLuint& shader);
void DeleteProgram(GLuint& program);

// ---- Uniform buffers -----------------------------------------------------
// A buffer of bytes (uninitialised, dynamic) bound to a uniform binding point.
GLuint CreateUniformBuffer(GLsizeiptr bytes, GLuint bindingPoint);
void FillUniformBuffer(GLuint buffer, GLintptr offset, GLsizeiptr bytes, const void* data);

// ---- Framebuffers ---------------------------------------------------------
GLuint CreateFramebuffer();
// A renderbuffer name; it becomes a renderbuffer only once bound, so it is
// bound once (and unbound) here.
GLuint CreateRenderbuffer();
// Attaches a renderbuffer or a 2D texture to the framebuffer's attachment point.
void AttachRenderbuffer(GLuint framebuffer, GLenum attachment, GLuint renderbuffer);
void AttachTexture2D(GLuint framebuffer, GLenum attachment, GLuint texture);
// A renderbuffer with storage of the format and size (bound and unbound).
GLuint CreateRenderbufferStorage(GLenum internalFormat, GLsizei width, GLsizei height);
void DeleteFramebuffer(GLuint& framebuffer);
void DeleteRenderbuffer(GLuint& renderbuffer);

}  // namespace vlm::gl
