// GL start-up and shutdown steps of the engine.
#include "render/gl_init.h"

#include <cstdio>
#include <string>
#include <vector>

#include "core/context.h"
#include "platform/screen.h"
#include "render/gl_table.h"
#include "velmora/core.h"

namespace vlm::gl {
namespace {

constexpr const char* kProc = "VLM_Init";

// Errors of calls that the context refuses on purpose are not left for the
// next user of glGetError. A lost context may report errors for ever.
void DrainErrors() {
  if (!vlmgl.glGetError) return;
  for (int i = 0; i < 32 && vlmgl.glGetError() != GL_NO_ERROR; ++i) {
  }
}

std::string GLText(GLenum name) {
  if (!vlmgl.glGetString) return std::string();
  const GLubyte* text = vlmgl.glGetString(name);
  return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

bool IsCoreContext() {
  GLint mask = 0;
  vlmgl.glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);  // an error before 3.2: stays 0
  DrainErrors();
  return (mask & GL_CONTEXT_CORE_PROFILE_BIT) != 0;
}

}  // namespace

void LoadFunctionTable() {
#define VLM_GL_LOAD(name) \
  vlmgl.name = reinterpret_cast<decltype(vlmgl.name)>(platform::GetGLProcAddress(#name));
  VLM_GL_FUNCTIONS(VLM_GL_LOAD)
#undef VLM_GL_LOAD
}

void SetInitialState() {
  if (!HasFunctions(kProc, {"glClearColor", "glEnable", "glDisable", "glDepthFunc", "glCullFace",
                            "glBlendFunc", "glHint", "glPointSize", "glGetIntegerv",
                            "glGetError"}))
    return;
  const bool compatibility = !IsCoreContext();
  vlmgl.glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  vlmgl.glEnable(GL_DEPTH_TEST);
  if (compatibility && vlmgl.glShadeModel) vlmgl.glShadeModel(GL_SMOOTH);
  vlmgl.glDepthFunc(GL_LEQUAL);
  if (compatibility) {
    vlmgl.glDisable(GL_LIGHTING);
    vlmgl.glEnable(GL_TEXTURE_2D);
  }
  vlmgl.glEnable(GL_CULL_FACE);
  vlmgl.glCullFace(GL_BACK);
  vlmgl.glEnable(GL_BLEND);
  if (compatibility) vlmgl.glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
  vlmgl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  vlmgl.glEnable(GL_PROGRAM_POINT_SIZE);
  vlmgl.glPointSize(1.0f);
  DrainErrors();
}

void LogSystemInfo() {
  const std::string renderer = GLText(GL_RENDERER);
  const std::string version = GLText(GL_VERSION);
  const std::string glsl = GLText(GL_SHADING_LANGUAGE_VERSION);
  VLM_BeginLogSection("System", 0);
  VLM_LogMessage(renderer.c_str(), VLM_COLOR_INFO, 0, "", kProc);
  VLM_LogMessage(("OpenGL " + version).c_str(), VLM_COLOR_INFO, 0, "", kProc);
  VLM_LogMessage(("GLSL " + glsl).c_str(), VLM_COLOR_INFO, 0, "", kProc);
  VLM_EndLogSection();
  // The renderer is written for 3.3; an older driver is told in the log
  // rather than found out by its first failing feature.
  int major = 0, minor = 0;
  if (std::sscanf(version.c_str(), "%d.%d", &major, &minor) != 2 ||
      major * 10 + minor < 33) {
    const std::string text = "Fail: OpenGL 3.3 or later is needed, the driver offers \"" +
                             version + "\"!";
    VLM_LogMessage(text.c_str(), VLM_COLOR_FAIL, 0, "", kProc);
  }
}

void CreateDepthFramebuffer() {
  if (!HasFunctions(kProc, {"glGenRenderbuffers", "glBindRenderbuffer", "glGenFramebuffers",
                            "glBindFramebuffer", "glFramebufferRenderbuffer"}))
    return;
  TimingState& timing = Ctx().timing;
  GLuint renderbuffer = 0, framebuffer = 0;
  vlmgl.glGenRenderbuffers(1, &renderbuffer);
  // A generated name becomes a renderbuffer only when it is first bound.
  vlmgl.glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
  vlmgl.glBindRenderbuffer(GL_RENDERBUFFER, 0);
  vlmgl.glGenFramebuffers(1, &framebuffer);
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  vlmgl.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                  renderbuffer);
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
  timing.depthRenderbuffer = renderbuffer;
  timing.depthFramebuffer = framebuffer;
}

void CreateQuadBatch() {
  if (!HasFunctions(kProc, {"glGenBuffers", "glBindBuffer", "glBufferData"})) return;
  QuadBatch& batch = Ctx().quadBatch;
  std::vector<GLuint> indices;
  indices.reserve(QuadBatch::kQuads * 6);
  for (GLuint i = 0; i < QuadBatch::kQuads; ++i) {
    const GLuint base = 4 * i;
    for (GLuint corner : {3u, 1u, 0u, 3u, 2u, 1u}) indices.push_back(base + corner);
  }
  GLuint buffers[2] = {0, 0};
  vlmgl.glGenBuffers(2, buffers);
  // Uploaded through the array target: binding an element buffer needs a
  // vertex array on a core context, and buffers have no fixed target.
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
  vlmgl.glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(GLuint)),
                     indices.data(), GL_STATIC_DRAW);
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, buffers[1]);
  vlmgl.glBufferData(GL_ARRAY_BUFFER, QuadBatch::kQuads * 4 * QuadBatch::kVertexBytes, nullptr,
                     GL_DYNAMIC_DRAW);
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, 0);
  if (vlmgl.glBindVertexArray) vlmgl.glBindVertexArray(0);
  batch.elementBuffer = buffers[0];
  batch.vertexBuffer = buffers[1];
}

void DeleteGlobalObjects() {
  Context& ctx = Ctx();
  QuadBatch& batch = ctx.quadBatch;
  if (vlmgl.glDeleteBuffers) {
    const GLuint buffers[2] = {batch.elementBuffer, batch.vertexBuffer};
    vlmgl.glDeleteBuffers(2, buffers);  // zero names are ignored
  }
  batch = QuadBatch{};
  if (vlmgl.glDeleteFramebuffers && ctx.timing.depthFramebuffer) {
    const GLuint framebuffer = ctx.timing.depthFramebuffer;
    vlmgl.glDeleteFramebuffers(1, &framebuffer);
  }
  if (vlmgl.glDeleteRenderbuffers && ctx.timing.depthRenderbuffer) {
    const GLuint renderbuffer = ctx.timing.depthRenderbuffer;
    vlmgl.glDeleteRenderbuffers(1, &renderbuffer);
  }
  ctx.timing.depthFramebuffer = 0;
  ctx.timing.depthRenderbuffer = 0;
}

}  // namespace vlm::gl
