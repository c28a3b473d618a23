// Shadow maps: the directional depth map, the point-light depth cube and
// the spot lights' depth map with their framebuffers, and the six view
// matrices of the cube's faces.
#include <cmath>

#include "gpu/gl_context.h"
#include "gpu/gl_objects.h"
#include "gpu/gl_state.h"
#include "gpu/gl_textures.h"
#include "render/shader_state.h"
#include "render/targets.h"
#include "scene/scene_state.h"
#include "velmora/core.h"
#include "velmora/render.h"

namespace vlm::render {
namespace {

constexpr const char* kProc = "VLM_InitShadowMaps";
constexpr const char* kTooLarge = "Fail: The shadow map sizes are beyond what the graphics driver can make!";

v4f Cross(const v4f& a, const v4f& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0.0f};
}
float Dot(const v4f& a, const v4f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
v4f Unit(const v4f& v) {
  const float length = std::sqrt(Dot(v, v));
  return length > 0.0f ? v4f{v.x / length, v.y / length, v.z / length, 0.0f} : v;
}

bool Complete(GLuint framebuffer) {
  gl::BindFramebuffer(framebuffer);
  const bool complete = vlmgl.glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  gl::BindFramebuffer(0);
  return complete;
}

// A size x size 32-bit float depth texture, filtered linearly and clamped.
GLuint CreateDepthTexture(GLsizei size) {
  const GLuint texture = gl::CreateTexture();
  gl::BindTexture(GL_TEXTURE_2D, texture);
  gl::SetFilterAndClamp(GL_TEXTURE_2D, GL_LINEAR);
  vlmgl.glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32F, size, size, 0, GL_DEPTH_COMPONENT, GL_FLOAT,
                     nullptr);
  gl::BindTexture(GL_TEXTURE_2D, 0);
  return texture;
}

// A framebuffer drawing into nothing but the depth texture; `renderbuffer`
// (or 0) is attached first and then replaced by the texture.
GLuint CreateDepthFramebuffer(GLuint texture, GLuint renderbuffer) {
  const GLuint framebuffer = gl::CreateFramebuffer();
  vlmgl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
  if (renderbuffer)
    vlmgl.glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, renderbuffer);
  vlmgl.glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, texture, 0);
  vlmgl.glDrawBuffer(GL_NONE);
  vlmgl.glReadBuffer(GL_NONE);
  vlmgl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  return framebuffer;
}

// The directional map, with a renderbuffer of its format and size.
void CreateDirectionalMap(RenderTargets& t, GLsizei size) {
  t.shadowMap = CreateDepthTexture(size);
  t.shadowRenderbuffer = gl::CreateRenderbufferStorage(GL_DEPTH_COMPONENT32F, size, size);
  t.shadowFramebuffer = CreateDepthFramebuffer(t.shadowMap, t.shadowRenderbuffer);
  if (!Complete(t.shadowFramebuffer)) {
    gl::DeleteTexture(t.shadowMap);
    gl::DeleteRenderbuffer(t.shadowRenderbuffer);
  }
}

// The spot lights' map: the same texture, without a renderbuffer.
void CreateSpotMap(RenderTargets& t, GLsizei size) {
  t.spotShadowMap = CreateDepthTexture(size);
  t.spotShadowFramebuffer = CreateDepthFramebuffer(t.spotShadowMap, 0);
  if (!Complete(t.spotShadowFramebuffer)) {
    gl::DeleteTexture(t.spotShadowMap);
    gl::DeleteFramebuffer(t.spotShadowFramebuffer);
  }
}

// The point-light cube: six 24-bit depth faces and a framebuffer whose
// depth attachment the shadow pass switches face by face (the +x face to
// begin with, so that it can be checked).
void CreateCubeMap(RenderTargets& t, GLsizei size) {
  t.shadowCube = gl::CreateDepthCubeMap(size);
  t.cubeRenderbuffer = gl::CreateRenderbufferStorage(GL_DEPTH_COMPONENT24, size, size);
  t.cubeFramebuffer = gl::CreateFramebuffer();
  gl::BindFramebuffer(t.cubeFramebuffer);
  vlmgl.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                  t.cubeRenderbuffer);
  vlmgl.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_CUBE_MAP_POSITIVE_X,
                               t.shadowCube, 0);
  vlmgl.glDrawBuffer(GL_NONE);
  vlmgl.glReadBuffer(GL_NONE);
  gl::BindFramebuffer(0);
  if (!Complete(t.cubeFramebuffer)) {
    gl::DeleteTexture(t.shadowCube);
    gl::DeleteRenderbuffer(t.cubeRenderbuffer);
  }
}

}  // namespace

m4f LookAt(const v4f& eye, const v4f& target, const v4f& up) {
  const v4f f = Unit({target.x - eye.x, target.y - eye.y, target.z - eye.z, 0.0f});
  const v4f s = Unit(Cross(f, up));
  const v4f u = Cross(s, f);
  // Row-vector form: the camera's axes are the columns.
  return m4f{{s.x, u.x, -f.x, 0.0f,  //
              s.y, u.y, -f.y, 0.0f,  //
              s.z, u.z, -f.z, 0.0f,  //
              -Dot(s, eye), -Dot(u, eye), Dot(f, eye), 1.0f}};
}

void DeleteShadowMaps() {
  RenderTargets& t = Targets();
  gl::DeleteFramebuffer(t.shadowFramebuffer);
  gl::DeleteRenderbuffer(t.shadowRenderbuffer);
  gl::DeleteTexture(t.shadowMap);
  gl::DeleteFramebuffer(t.cubeFramebuffer);
  gl::DeleteRenderbuffer(t.cubeRenderbuffer);
  gl::DeleteTexture(t.shadowCube);
  gl::DeleteFramebuffer(t.spotShadowFramebuffer);
  gl::DeleteTexture(t.spotShadowMap);
}

}  // namespace vlm::render

extern "C" {

int VLM_InitShadowMaps(int size, int cubeSize) {
  using namespace vlm::render;
  RenderTargets& t = Targets();
  static const struct {
    v4f axis, up;
  } kFaces[6] = {{{1, 0, 0, 0}, {0, -1, 0, 0}},  {{-1, 0, 0, 0}, {0, -1, 0, 0}},
                 {{0, 1, 0, 0}, {0, 0, 1, 0}},   {{0, -1, 0, 0}, {0, 0, -1, 0}},
                 {{0, 0, 1, 0}, {0, -1, 0, 0}},  {{0, 0, -1, 0}, {0, -1, 0, 0}}};
  const v4f origin{0.0f, 0.0f, 0.0f, 1.0f};
  for (size_t face = 0; face < 6; ++face)
    t.cubeFaceViews[face] = LookAt(origin, kFaces[face].axis, kFaces[face].up);
  if (size <= 0 || cubeSize <= 0) {
    VLM_LogMessage("Fail: The shadow map sizes must be positive!", VLM_COLOR_FAIL, 0, "", kProc);
    return 0;
  }
  // Without GL only the sizes are kept; with GL the driver must be able to
  // make them: the 32-bit maps with their renderbuffer, the six-face cube.
  if (HasGL() && !(vlm::gl::ImageFits({size, size, 1, 4, true}, kProc, kTooLarge) &&
                   vlm::gl::ImageFits({cubeSize, cubeSize, 6, 4, true}, kProc, kTooLarge)))
    return 0;
  t.shadowSize = size;
  t.cubeSize = cubeSize;
  vlm::Scene().shadowCubeSize = cubeSize;  // lights' own cubes match the dynamic one
  if (!HasGL() || !vlm::gl::HasFunctions(kProc, {"glGenTextures", "glBindTexture", "glTexImage2D",
                                                 "glTexParameteri", "glGenFramebuffers",
                                                 "glBindFramebuffer", "glFramebufferTexture2D",
                                                 "glFramebufferRenderbuffer", "glGenRenderbuffers",
                                                 "glBindRenderbuffer", "glRenderbufferStorage",
                                                 "glCheckFramebufferStatus", "glDrawBuffer",
                                                 "glReadBuffer"}))
    return 0;
  DeleteShadowMaps();  // a second call replaces them, leaking nothing
  CreateDirectionalMap(t, size);
  CreateCubeMap(t, cubeSize);
  CreateSpotMap(t, size);
  return 0;
}

}  // extern "C"
