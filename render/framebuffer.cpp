// The render targets: the 8-layer G-buffer array, the depth texture, the
// half-size array, the three framebuffers over them and the screen quad.
#include <algorithm>
#include <cmath>
#include <string>

#include "core/fail.h"
#include "gpu/gl_context.h"
#include "gpu/gl_objects.h"
#include "gpu/gl_state.h"
#include "gpu/gl_textures.h"
#include "render/shader_state.h"
#include "render/targets.h"
#include "velmora/core.h"
#include "velmora/render.h"

namespace vlm::render {
namespace {

constexpr const char* kProc = "VLM_InitFrameBuffer";
constexpr uint32_t kColorOk = 0xFF11u;
constexpr uint32_t kColorError = 0xFFu;

bool HasTargetFunctions() {
  return HasGL() &&
         gl::HasFunctions(kProc, {"glGenTextures", "glBindTexture", "glTexParameteri",
                                  "glTexImage2D", "glTexImage3D", "glGenFramebuffers",
                                  "glBindFramebuffer", "glFramebufferTexture2D",
                                  "glFramebufferTextureLayer", "glFramebufferRenderbuffer",
                                  "glCheckFramebufferStatus", "glDrawBuffers",
                                  "glGenRenderbuffers", "glBindRenderbuffer",
                                  "glRenderbufferStorage"}) &&
         gl::HasVertexArrayFunctions();
}

// Nearest integer, ties to even.
int32_t Half(int32_t size) { return static_cast<int32_t>(std::nearbyint(size * 0.5)); }

GLuint CreateDepthTexture(GLsizei width, GLsizei height) {
  const GLuint texture = gl::CreateTexture();
  gl::BindTexture(GL_TEXTURE_2D, texture);
  gl::SetFilterAndClamp(GL_TEXTURE_2D, GL_NEAREST);
  vlmgl.glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, width, height, 0, GL_DEPTH_COMPONENT,
                     GL_FLOAT, nullptr);
  gl::BindTexture(GL_TEXTURE_2D, 0);
  return texture;
}

// Screen quad: position (pixels) at attribute 0, texture coordinate at 2;
// texture row 0 lands at the bottom of the screen.
void CreateScreenQuad(RenderTargets& t) {
  const float w = static_cast<float>(t.width), h = static_cast<float>(t.height);
  const float vertices[4][6] = {{0, 0, 0, 1, 0, 1},
                                {0, h, 0, 1, 0, 0},
                                {w, 0, 0, 1, 1, 1},
                                {w, h, 0, 1, 1, 0}};
  t.screenQuadArray = gl::CreateVertexArray();
  gl::BindVertexArray(t.screenQuadArray);
  t.screenQuadBuffer = gl::CreateBuffer();
  gl::FillBuffer(GL_ARRAY_BUFFER, t.screenQuadBuffer, sizeof vertices, vertices, GL_STATIC_DRAW);
  gl::DeclareAttributes(24, {{0, 4, GL_FLOAT, 0}, {2, 2, GL_FLOAT, 16}});
  gl::BindVertexArray(0);
  gl::BindBuffer(GL_ARRAY_BUFFER, 0);
}

void AttachLayer(GLenum attachment, GLuint array, int layer) {
  vlmgl.glFramebufferTextureLayer(GL_FRAMEBUFFER, attachment, array, 0, layer);
}

// Attaches record `index` as the table of the render targets says.
void AttachRecord(RenderTargets& t, int index) {
  FramebufferRecord& record = t.framebuffers[static_cast<size_t>(index)];
  switch (index) {
    case kGBufferFramebuffer:
      // Layers 0..5 at attachments 0..5; the geometry pass draws the five
      // it writes, up to the misc layer.
      for (int layer = kLayerPosition; layer <= kLayerGlow; ++layer)
        AttachLayer(GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(layer), t.gbufferArray, layer);
      record.drawBuffers = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2,
                            GL_COLOR_ATTACHMENT3, GL_COLOR_ATTACHMENT4};
      break;
    case kForwardFramebuffer:
      for (int attachment = 0; attachment < 4; ++attachment)
        AttachLayer(GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(attachment), t.gbufferArray,
                    kForwardAttachments[attachment]);
      record.drawBuffers = {GL_COLOR_ATTACHMENT0 + ForwardAttachment(kLayerLitScene),
                            GL_COLOR_ATTACHMENT0 + ForwardAttachment(kLayerGlow)};
      break;
    default:
      AttachLayer(GL_COLOR_ATTACHMENT0, t.halfArray, 0);
      AttachLayer(GL_COLOR_ATTACHMENT1, t.halfArray, 1);
      record.drawBuffers = {GL_COLOR_ATTACHMENT0};
      return;  // no depth
  }
  // The depth renderbuffer comes first and the depth texture then takes
  // its place.
  vlmgl.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                  t.framebuffers[kGBufferFramebuffer].depthRenderbuffer);
  vlmgl.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, t.depthTexture, 0);
}

// The targets of the screen's size: the G-buffer array, the depth texture,
// the half-size array, the three framebuffers and the screen quad. Without
// a `resizer` (start-up) each framebuffer gets its title and "OK" or error
// row; when the procedure `resizer` makes them again at a new size, only a
// framebuffer that cannot be completed is reported.
bool CreateSizedTargets(RenderTargets& t, const char* resizer) {
  const bool log = resizer == nullptr;
  ScreenSize(&t.width, &t.height);
  if (t.width <= 0) t.width = 1;
  if (t.height <= 0) t.height = 1;
  t.halfWidth = Half(t.width) > 0 ? Half(t.width) : 1;
  t.halfHeight = Half(t.height) > 0 ? Half(t.height) : 1;
  t.halfScaleX = t.halfScaleY = 0.5f;

  CreateScreenQuad(t);
  t.gbufferArray = vlm::gl::CreateTextureArray(GL_RGBA32F, t.width, t.height, kGBufferLayers,
                                               GL_RGBA, GL_FLOAT, GL_LINEAR);
  t.depthTexture = CreateDepthTexture(t.width, t.height);
  t.halfArray = vlm::gl::CreateTextureArray(GL_RGBA8, t.halfWidth, t.halfHeight, kHalfLayers,
                                            GL_RGBA, GL_UNSIGNED_BYTE, GL_LINEAR);

  static const char* const kNames[kFramebufferCount] = {"GBuffer", "FBuffer", "SBuffer"};
  for (int i = 0; i < kFramebufferCount; ++i) {
    FramebufferRecord& record = t.framebuffers[static_cast<size_t>(i)];
    const std::string title = "Framebuffer(" + std::to_string(i) + "): " + kNames[i];
    if (log) VLM_LogMessage(title.c_str(), VLM_COLOR_INFO, 0, "", kProc);
    if (i == 0) {
      record.depthRenderbuffer =
          vlm::gl::CreateRenderbufferStorage(GL_DEPTH_COMPONENT24, t.width, t.height);
    }
    record.framebuffer = vlm::gl::CreateFramebuffer();
    vlm::gl::BindFramebuffer(record.framebuffer);
    AttachRecord(t, i);
    vlm::gl::SetDrawBuffers(record.drawBuffers.data(), record.drawBuffers.size());
    const GLenum status = vlmgl.glCheckFramebufferStatus(GL_FRAMEBUFFER);
    vlm::gl::BindFramebuffer(0);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
      if (log) {
        const std::string row = "ERROR " + std::to_string(status) + " !";
        VLM_LogMessage(row.c_str(), kColorError, 0, "", kProc);
      } else {
        Fail("Fail: " + title + " cannot be completed at " + std::to_string(t.width) + " x " +
                 std::to_string(t.height) + " pixels (status " + std::to_string(status) + ")!",
             resizer);
      }
      vlm::gl::DeleteRenderbuffer(record.depthRenderbuffer);
      vlm::gl::DeleteFramebuffer(record.framebuffer);
      return false;
    }
    if (log) VLM_LogMessage("OK", kColorOk, 0, "", kProc);
  }
  return true;
}

}  // namespace

bool ScreenTargetsFit(int width, int height, const char* procedure) {
  constexpr const char* kTooLarge = "Fail: The screen is larger than the graphics driver can draw into!";
  return gl::ImageFits({width, height, kGBufferLayers, 16, true}, procedure, kTooLarge);
}

namespace {

// Whether the screen's present size can be made; a size the driver cannot
// make keeps the targets there are.
bool PresentSizeFits(const char* procedure) {
  int width = 0, height = 0;
  ScreenSize(&width, &height);
  return ScreenTargetsFit(std::max(width, 1), std::max(height, 1), procedure);
}

}  // namespace

bool RemakeSizedTargets(const char* procedure) {
  if (!HasTargetFunctions() || !PresentSizeFits(procedure)) return false;
  DeleteFramebuffers();
  const bool made = CreateSizedTargets(Targets(), procedure);
  RemakeDirectQuad();
  return made;
}

void DeleteFramebuffers() {
  RenderTargets& t = Targets();
  for (FramebufferRecord& record : t.framebuffers) {
    gl::DeleteFramebuffer(record.framebuffer);
    gl::DeleteRenderbuffer(record.depthRenderbuffer);
    record = FramebufferRecord{};
  }
  gl::DeleteTexture(t.gbufferArray);
  gl::DeleteTexture(t.depthTexture);
  gl::DeleteTexture(t.halfArray);
  gl::DeleteVertexArray(t.screenQuadArray);
  gl::DeleteBuffer(t.screenQuadBuffer);
}

}  // namespace vlm::render

extern "C" {

int VLM_InitFrameBuffer(void) {
  using namespace vlm::render;
  VLM_BeginLogSection("FrameBuffer", VLM_COLOR_SUBSYSTEM);
  if (HasTargetFunctions() && PresentSizeFits(kProc)) {
    DeleteFramebuffers();  // a second start-up replaces the targets, leaking nothing
    CreateSizedTargets(Targets(), nullptr);
  }
  VLM_EndLogSection();
  return 0;
}

}  // extern "C"
