// The GL habits of the renderer's passes, one named call each: switches,
// render targets, texture units, programs and the common draws. Each helper
// makes exactly the table calls its comment names, in that order, and keeps
// no state of its own (the render floor mirrors what it must remember).
#pragma once

#include <cstddef>
#include <cstdint>

#include "gpu/gl_table.h"

namespace vlm::gl {

// ---- Switches ---------------------------------------------------------------
// glEnable or glDisable.
void SetCapability(GLenum capability, bool on);
// glDepthMask.
void SetDepthWrites(bool on);
// glBlendFunc.
void SetBlendFunction(GLenum source, GLenum destination);
// glCullFace: which faces culling removes.
void SetCullFace(GLenum face);

// ---- Render targets ---------------------------------------------------------
// glBindFramebuffer(GL_FRAMEBUFFER, framebuffer); 0 is the window.
void BindFramebuffer(GLuint framebuffer);
// glViewport from the corner (0, 0).
void SetViewport(GLsizei width, GLsizei height);
// glDrawBuffer(GL_COLOR_ATTACHMENT0 + attachment): the one colour target.
void SetDrawBuffer(int attachment);
// glDrawBuffers with `count` attachment enums.
void SetDrawBuffers(const uint32_t* attachments, size_t count);
// glClearColor, then glClear(mask).
void ClearTo(float red, float green, float blue, float alpha, GLbitfield mask);

// ---- Texture units and programs ---------------------------------------------
// glActiveTexture(GL_TEXTURE0 + unit).
void ActivateTextureUnit(int unit);
// glActiveTexture(GL_TEXTURE0 + unit), glBindTexture(target, texture); the
// unit stays active.
void BindTextureUnit(int unit, GLenum target, GLuint texture);
// glUseProgram.
void UseProgram(GLuint program);

// ---- Draws ------------------------------------------------------------------
// Binds the vertex array, draws `vertices` vertices from 0 as a triangle
// strip and unbinds it: the screen quads.
void DrawTriangleStrip(GLuint vertexArray, GLsizei vertices);
// glDrawElements of triangles with 32-bit indices from the bound element
// buffer's start.
void DrawIndexedTriangles(GLsizei indices);
// The same, `instances` times (glDrawElementsInstanced).
void DrawIndexedTrianglesInstanced(GLsizei indices, GLsizei instances);

}  // namespace vlm::gl
