// GL context set-up: filling the function table, the initial state and the
// driver strings in the log.
#include "gpu/gl_context.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "core/fail.h"
#include "gpu/gl_table.h"
#include "platform/screen.h"
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

// The context's version as major * 10 + minor, 0 when it cannot be read.
int VersionNumber() {
  int major = 0, minor = 0;
  if (std::sscanf(GLText(GL_VERSION).c_str(), "%d.%d", &major, &minor) != 2) return 0;
  return major * 10 + minor;
}

SizeLimits limits;

int ReadInteger(GLenum name) {
  if (!vlmgl.glGetIntegerv) return 0;
  GLint value = 0;
  vlmgl.glGetIntegerv(name, &value);
  DrainErrors();
  return value > 0 ? value : 0;
}

}  // namespace

const SizeLimits& Limits() { return limits; }

bool ImageFits(const ImageRequest& image, const char* procedure, const char* text) {
  const int side = image.renderbuffer ? std::min(limits.texture, limits.renderbuffer) : limits.texture;
  const double bytes = static_cast<double>(image.width) * image.height * image.layers * image.texelBytes;
  const bool fits = image.width > 0 && image.height > 0 && image.layers > 0 && image.width <= side &&
                    image.height <= side && bytes <= kMaxImageBytes;
  if (!fits && procedure) vlm::Fail(text, procedure);
  return fits;
}

void LoadFunctionTable() {
#define VLM_GL_LOAD(name) \
  vlmgl.name = reinterpret_cast<decltype(vlmgl.name)>(platform::GetGLProcAddress(#name));
  VLM_GL_FUNCTIONS(VLM_GL_LOAD)
#undef VLM_GL_LOAD
  // A window system may hand out an entry point for any name: the one
  // beyond 3.3 that the frame uses when it can (layer copies, 4.3) stays
  // only where the context's version has it.
  if (VersionNumber() < 43) vlmgl.glCopyImageSubData = nullptr;
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
  // The first frame starts from a cleared back buffer, as later ones do
  // after each swap.
  if (vlmgl.glClear) vlmgl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  DrainErrors();
}

std::string RendererText() { return GLText(GL_RENDERER); }

std::string SoftwareRasteriserName(std::string_view renderer) {
  std::string lower(renderer);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* name : {"llvmpipe", "softpipe", "swrast"}) {
    if (lower.find(name) != std::string::npos) return name;
  }
  return std::string();
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
  limits.texture = ReadInteger(GL_MAX_TEXTURE_SIZE);
  limits.renderbuffer = ReadInteger(GL_MAX_RENDERBUFFER_SIZE);
  // The renderer is written for 3.3; an older driver is told in the log
  // rather than found out by its first failing feature.
  if (VersionNumber() < 33) {
    const std::string text = "Fail: OpenGL 3.3 or later is needed, the driver offers \"" +
                             version + "\"!";
    vlm::Fail(text.c_str(), kProc);
  }
}

}  // namespace vlm::gl
