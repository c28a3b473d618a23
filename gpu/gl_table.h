// The engine's table of OpenGL entry points, filled by name once a context
// is current. Every engine GL call goes through it: `vlmgl.glGenBuffers(...)`.
// A slot is null when the driver does not offer the entry point; features
// check the slots they need when they start (HasFunctions).
#pragma once

// Prototypes only give each slot its exact type; calls go through the table.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <initializer_list>

// X(name) for every entry point the engine calls.
#define VLM_GL_FUNCTIONS(X)                                              \
  /* state */                                                            \
  X(glEnable)                                           \
  X(glDisable)                                         \
  X(glCullFace)                                       \
  X(glDepthFunc)                                     \
  X(glDepthMask)                                     \
  X(glDepthRange)                                   \
  X(glBlendFunc)                                     \
  X(glHint)                                               \
  X(glPointSize)                                     \
  X(glLineWidth)                                     \
  X(glPolygonMode)                                 \
  X(glViewport)                                       \
  X(glScissor)                                         \
  X(glClear)                                             \
  X(glClearColor)                                   \
  X(glGetIntegerv)                                 \
  X(glGetFloatv)                                     \
  X(glIsEnabled)                                     \
  X(glGetString)                                     \
  X(glGetError)                                       \
  X(glPrimitiveRestartIndex)             \
  X(glFinish)                                           \
  X(glPixelStorei)                                 \
  X(glShadeModel)                                   \
  /* buffers and vertex arrays */                                        \
  X(glGenBuffers)                                   \
  X(glDeleteBuffers)                             \
  X(glBindBuffer)                                   \
  X(glBufferData)                                   \
  X(glBufferSubData)                             \
  X(glGetBufferSubData)                       \
  X(glGetBufferParameteriv)               \
  X(glBindBufferBase)                           \
  X(glGenVertexArrays)                         \
  X(glDeleteVertexArrays)                   \
  X(glBindVertexArray)                         \
  X(glIsVertexArray)                             \
  X(glIsBuffer)                                       \
  X(glVertexAttribPointer)                 \
  X(glVertexAttribIPointer)               \
  X(glEnableVertexAttribArray)         \
  X(glGetVertexAttribiv)                     \
  X(glGetVertexAttribPointerv)         \
  X(glVertexAttribDivisor)                 \
  X(glTexBuffer)                                     \
  /* drawing */                                                          \
  X(glDrawArrays)                                   \
  X(glDrawArraysInstanced)                 \
  X(glDrawElements)                               \
  X(glDrawElementsInstanced)             \
  /* textures */                                                         \
  X(glGenTextures)                                 \
  X(glDeleteTextures)                           \
  X(glBindTexture)                                 \
  X(glActiveTexture)                             \
  X(glTexImage2D)                                   \
  X(glTexImage3D)                                   \
  X(glTexSubImage2D)                                   \
  X(glTexSubImage3D)                             \
  X(glCopyImageSubData)                          \
  X(glTexParameteri)                             \
  X(glTexParameterf)                             \
  X(glGenerateMipmap)                           \
  X(glGetTexImage)                                 \
  X(glGetTexParameteriv)                                 \
  X(glGetTexParameterfv)                                 \
  X(glGetTexLevelParameteriv)                                 \
  X(glIsTexture)                                     \
  X(glReadPixels)                                   \
  X(glReadBuffer)                                   \
  /* framebuffers */                                                     \
  X(glGenFramebuffers)                         \
  X(glDeleteFramebuffers)                   \
  X(glBindFramebuffer)                         \
  X(glFramebufferTexture2D)               \
  X(glFramebufferTextureLayer)         \
  X(glBlitFramebuffer)                 \
  X(glFramebufferRenderbuffer)         \
  X(glCheckFramebufferStatus)           \
  X(glDrawBuffer)                                   \
  X(glDrawBuffers)                                 \
  X(glGenRenderbuffers)                       \
  X(glDeleteRenderbuffers)                 \
  X(glBindRenderbuffer)                       \
  X(glRenderbufferStorage)                 \
  X(glGetRenderbufferParameteriv)          \
  X(glGetFramebufferAttachmentParameteriv) \
  X(glIsFramebuffer)                       \
  X(glIsRenderbuffer)                      \
  /* shaders and programs */                                             \
  X(glCreateShader)                               \
  X(glShaderSource)                               \
  X(glCompileShader)                             \
  X(glGetShaderiv)                                 \
  X(glGetShaderInfoLog)                       \
  X(glAttachShader)                               \
  X(glDetachShader)                               \
  X(glGetAttachedShaders)                   \
  X(glDeleteShader)                               \
  X(glCreateProgram)                             \
  X(glLinkProgram)                                 \
  X(glGetProgramiv)                               \
  X(glGetProgramInfoLog)                     \
  X(glDeleteProgram)                             \
  X(glUseProgram)                                   \
  X(glBindAttribLocation)                   \
  X(glBindFragDataLocation)               \
  X(glGetUniformLocation)                   \
  X(glGetUniformBlockIndex)               \
  X(glUniformBlockBinding)                 \
  X(glGetUniformIndices)                     \
  X(glGetActiveUniformsiv)                 \
  X(glGetActiveUniformName)               \
  X(glGetActiveUniformBlockiv)         \
  X(glGetAttribLocation)                     \
  X(glGetFragDataLocation)                 \
  X(glGetUniformiv)                               \
  X(glIsProgram)                                     \
  X(glGetIntegeri_v)                             \
  /* uniforms */                                                         \
  X(glUniform1i)                                     \
  X(glUniform1f)                                     \
  X(glUniform2fv)                                   \
  X(glUniform3fv)                                   \
  X(glUniform4fv)                                   \
  X(glUniformMatrix4fv)

namespace vlm::gl {

struct FunctionTable {
#define VLM_GL_SLOT(name) decltype(&::name) name = nullptr;
  VLM_GL_FUNCTIONS(VLM_GL_SLOT)
#undef VLM_GL_SLOT
};

// Number of slots and the name of slot i, in table order.
constexpr int kFunctionCount = 0
#define VLM_GL_COUNT(name) +1
    VLM_GL_FUNCTIONS(VLM_GL_COUNT)
#undef VLM_GL_COUNT
    ;
const char* FunctionName(int index);
// The address in the slot named `name`; nullptr when the slot is empty or
// no slot has that name.
const void* FunctionAddress(const char* name);
// True when every named slot is filled. Otherwise writes one failure row per
// missing entry point, with the caller's procedure name, and returns false:
// a feature calls this when it starts and gives up instead of calling null.
bool HasFunctions(const char* procedure, std::initializer_list<const char*> names);

}  // namespace vlm::gl

extern vlm::gl::FunctionTable vlmgl;
