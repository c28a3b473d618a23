// A small drawing bench for the shader pixel tests: render targets, test
// textures, a vertex format carrying every attribute the built-in programs
// read, uniform setters, and the engine's uniform blocks set for a draw.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "render/shader_state.h"
#include "shader_test_util.h"

namespace pixeltest {

using vlm::render::Block;

// Every attribute: 0 position, 1 normal, 2 and 3 texture coordinates,
// 4 colour, 6 tangent, 7 group / particle position, 8 size, 9 rotation.
struct Vertex {
  float position[4] = {0, 0, 0, 1};
  float normal[3] = {0, 0, 1};
  float uv0[2] = {0, 0};
  float uv1[2] = {0, 0};
  float colour[4] = {1, 1, 1, 1};
  float tangent[3] = {1, 0, 0};
  float extra[4] = {0, 0, 0, 1};
  float size = 1.0f;
  float rotation = 0.0f;
};

// RGBA of pixel (x, y), y = 0 at the bottom.
struct Image {
  int width = 0, height = 0;
  std::vector<float> rgba;
  const float* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

inline m4f Identity() {
  m4f m{};
  m.e[0] = m.e[5] = m.e[10] = m.e[15] = 1.0f;
  return m;
}

class Bench {
 public:
  Bench() {
    vlmgl.glGenVertexArrays(1, &vao_);
    vlmgl.glGenBuffers(1, &vbo_);
    while (vlmgl.glGetError() != GL_NO_ERROR) {
    }
    vlmgl.glDisable(GL_BLEND);
    vlmgl.glDisable(GL_DEPTH_TEST);
    vlmgl.glDisable(GL_CULL_FACE);
    saved_ = vlm::render::Shaders().buffers;
  }
  ~Bench() {
    vlmgl.glUseProgram(0);
    vlmgl.glBindVertexArray(0);
    vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
    vlmgl.glDeleteBuffers(1, &vbo_);
    vlmgl.glDeleteVertexArrays(1, &vao_);
    for (GLuint t : textures_) vlmgl.glDeleteTextures(1, &t);
    for (GLuint f : framebuffers_) vlmgl.glDeleteFramebuffers(1, &f);
    for (GLuint b : buffers_) vlmgl.glDeleteBuffers(1, &b);
    vlmgl.glViewport(0, 0, vlmtest::GLContext::kWidth, vlmtest::GLContext::kHeight);
    vlmgl.glEnable(GL_BLEND);
    vlmgl.glEnable(GL_DEPTH_TEST);
    vlmgl.glEnable(GL_CULL_FACE);
    // The blocks go back to what start-up left in them.
    vlm::render::Shaders().buffers = saved_;
    for (int i = 0; i < vlm::render::kBlockCount; ++i) vlm::render::UploadBlock(static_cast<Block>(i));
  }

  // A w x h target with `outputs` colour attachments (float or 8-bit),
  // bound and cleared to 0 with the viewport set.
  void Target(int w, int h, bool floating = true, int outputs = 1) {
    width_ = w;
    height_ = h;
    GLuint fb = 0;
    vlmgl.glGenFramebuffers(1, &fb);
    framebuffers_.push_back(fb);
    vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, fb);
    std::vector<GLenum> draw;
    for (int i = 0; i < outputs; ++i) {
      GLuint t = 0;
      vlmgl.glGenTextures(1, &t);
      textures_.push_back(t);
      vlmgl.glBindTexture(GL_TEXTURE_2D, t);
      vlmgl.glTexImage2D(GL_TEXTURE_2D, 0, floating ? GL_RGBA32F : GL_RGBA8, w, h, 0, GL_RGBA,
                         floating ? GL_FLOAT : GL_UNSIGNED_BYTE, nullptr);
      vlmgl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
      vlmgl.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, GL_TEXTURE_2D, t, 0);
      draw.push_back(GL_COLOR_ATTACHMENT0 + i);
    }
    vlmgl.glDrawBuffers(outputs, draw.data());
    EXPECT_EQ(vlmgl.glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    vlmgl.glViewport(0, 0, w, h);
    vlmgl.glClearColor(0, 0, 0, 0);
    vlmgl.glClear(GL_COLOR_BUFFER_BIT);
    Misc().vMapSize[0] = static_cast<float>(w);
    Misc().vMapSize[1] = static_cast<float>(h);
    vlm::render::UploadBlock(Block::kMisc);
  }

  Image Read(int attachment = 0) const {
    Image image;
    image.width = width_;
    image.height = height_;
    image.rgba.resize(static_cast<size_t>(width_) * height_ * 4);
    vlmgl.glReadBuffer(GL_COLOR_ATTACHMENT0 + attachment);
    vlmgl.glReadPixels(0, 0, width_, height_, GL_RGBA, GL_FLOAT, image.rgba.data());
    return image;
  }

  // Float RGBA textures; texel (x, y) at rgba[4 (y w + x)]. Making one
  // binds it to the active unit (0): make textures before binding them.
  GLuint Texture2D(int w, int h, const std::vector<float>& rgba, GLenum filter = GL_NEAREST) {
    const GLuint t = NewTexture(GL_TEXTURE_2D, filter);
    vlmgl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, w, h, 0, GL_RGBA, GL_FLOAT, rgba.data());
    return t;
  }
  GLuint TextureArray(int w, int h, int layers, const std::vector<float>& rgba, GLenum filter = GL_NEAREST) {
    const GLuint t = NewTexture(GL_TEXTURE_2D_ARRAY, filter);
    vlmgl.glTexImage3D(GL_TEXTURE_2D_ARRAY, 0, GL_RGBA32F, w, h, layers, 0, GL_RGBA, GL_FLOAT, rgba.data());
    return t;
  }
  GLuint DepthTexture(int w, int h, const std::vector<float>& depth) {
    const GLuint t = NewTexture(GL_TEXTURE_2D, GL_NEAREST);
    vlmgl.glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32F, w, h, 0, GL_DEPTH_COMPONENT, GL_FLOAT,
                       depth.data());
    return t;
  }
  GLuint CubeMap(const float rgba[4]) {
    const GLuint t = NewTexture(GL_TEXTURE_CUBE_MAP, GL_NEAREST);
    for (int face = 0; face < 6; ++face)
      vlmgl.glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGBA32F, 1, 1, 0, GL_RGBA, GL_FLOAT, rgba);
    return t;
  }
  GLuint TextureBuffer(const std::vector<float>& rgba) {
    GLuint b = 0;
    vlmgl.glGenBuffers(1, &b);
    buffers_.push_back(b);
    vlmgl.glBindBuffer(GL_TEXTURE_BUFFER, b);
    vlmgl.glBufferData(GL_TEXTURE_BUFFER, static_cast<GLsizeiptr>(rgba.size() * 4), rgba.data(), GL_STATIC_DRAW);
    const GLuint t = NewTexture(GL_TEXTURE_BUFFER, 0);
    vlmgl.glTexBuffer(GL_TEXTURE_BUFFER, GL_RGBA32F, b);
    return t;
  }
  void Bind(int unit, GLenum target, GLuint texture) const {
    vlmgl.glActiveTexture(GL_TEXTURE0 + unit);
    vlmgl.glBindTexture(target, texture);
    vlmgl.glActiveTexture(GL_TEXTURE0);
  }

  GLuint Use(int number) {
    program_ = VLM_GetBuiltInShader(number)->iProgram;
    vlmgl.glUseProgram(program_);
    return program_;
  }
  GLint Location(const char* name) const { return vlmgl.glGetUniformLocation(program_, name); }
  void Set(const char* name, int v) const { vlmgl.glUniform1i(Location(name), v); }
  void Set(const char* name, float v) const { vlmgl.glUniform1f(Location(name), v); }
  void Set2(const char* name, float x, float y) const {
    const float v[2] = {x, y};
    vlmgl.glUniform2fv(Location(name), 1, v);
  }
  void Set4(const char* name, const float v[4]) const { vlmgl.glUniform4fv(Location(name), 1, v); }

  // The engine's blocks, as the renderer fills them.
  vlm::render::ProjectionBlock& Projection() { return vlm::render::Shaders().buffers.projection.data; }
  vlm::render::ModelBlock& Model() { return vlm::render::Shaders().buffers.model.data; }
  vlm::render::MaterialBlock& Material() { return vlm::render::Shaders().buffers.material.data; }
  vlm::render::MiscBlock& Misc() { return vlm::render::Shaders().buffers.misc.data; }
  // Pixels of the current target through mScreenMatrix; identity
  // projection and model-view; a unit normal matrix.
  void Upload() {
    vlm::render::SetProjectionMatrices(Projection(), width_, height_, 45.0f, 0.1f, 128.0f);
    Projection().mProjectionMatrix = projection_;
    Model().mModelViewMatrix = Identity();
    const float normal[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    std::memcpy(Model().mNormalMatrix, normal, sizeof normal);
    for (int i = 0; i < vlm::render::kBlockCount; ++i) vlm::render::UploadBlock(static_cast<Block>(i));
  }
  void SetProjection(const m4f& m) { projection_ = m; }

  // A quad over the whole target in pixels (texture row 0 at the bottom,
  // as the engine's screen quad), or in clip space for the 3D programs.
  std::vector<Vertex> ScreenQuad() const {
    std::vector<Vertex> q(4);
    const float w = static_cast<float>(width_), h = static_cast<float>(height_);
    // x, y in pixels (y down); u, v. The second coordinate is mirrored in u.
    const float corners[4][4] = {{0, 0, 0, 1}, {0, h, 0, 0}, {w, 0, 1, 1}, {w, h, 1, 0}};
    for (int i = 0; i < 4; ++i) {
      q[i].position[0] = corners[i][0];
      q[i].position[1] = corners[i][1];
      q[i].uv0[0] = corners[i][2];
      q[i].uv0[1] = corners[i][3];
      q[i].uv1[0] = 1.0f - corners[i][2];
      q[i].uv1[1] = corners[i][3];
    }
    return q;
  }
  static std::vector<Vertex> ClipQuad(float x0 = -1, float y0 = -1, float x1 = 1, float y1 = 1) {
    std::vector<Vertex> q(4);
    const float corners[4][4] = {{x0, y0, 0, 0}, {x0, y1, 0, 1}, {x1, y0, 1, 0}, {x1, y1, 1, 1}};
    for (int i = 0; i < 4; ++i) {
      q[i].position[0] = corners[i][0];
      q[i].position[1] = corners[i][1];
      q[i].uv0[0] = q[i].uv1[0] = corners[i][2];
      q[i].uv0[1] = q[i].uv1[1] = corners[i][3];
    }
    return q;
  }

  void Draw(const std::vector<Vertex>& quad, int instances = 1) {
    Upload();
    vlmgl.glBindVertexArray(vao_);
    vlmgl.glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    vlmgl.glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(quad.size() * sizeof(Vertex)), quad.data(),
                       GL_STREAM_DRAW);
    const struct {
      GLuint location;
      GLint size;
      size_t offset;
    } attributes[] = {{0, 4, offsetof(Vertex, position)}, {1, 3, offsetof(Vertex, normal)},
                      {2, 2, offsetof(Vertex, uv0)},      {3, 2, offsetof(Vertex, uv1)},
                      {4, 4, offsetof(Vertex, colour)},   {6, 3, offsetof(Vertex, tangent)},
                      {7, 4, offsetof(Vertex, extra)},    {8, 1, offsetof(Vertex, size)},
                      {9, 1, offsetof(Vertex, rotation)}};
    for (const auto& a : attributes) {
      vlmgl.glEnableVertexAttribArray(a.location);
      vlmgl.glVertexAttribPointer(a.location, a.size, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                                  reinterpret_cast<const void*>(a.offset));
    }
    vlmgl.glDrawArraysInstanced(GL_TRIANGLE_STRIP, 0, static_cast<GLsizei>(quad.size()), instances);
    vlmgl.glBindVertexArray(0);
  }

  int width() const { return width_; }
  int height() const { return height_; }

 private:
  GLuint NewTexture(GLenum target, GLenum filter) {
    GLuint t = 0;
    vlmgl.glGenTextures(1, &t);
    textures_.push_back(t);
    vlmgl.glBindTexture(target, t);
    if (target != GL_TEXTURE_BUFFER) {
      vlmgl.glTexParameteri(target, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(filter));
      vlmgl.glTexParameteri(target, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(filter));
      vlmgl.glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
      vlmgl.glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    return t;
  }

  GLuint vao_ = 0, vbo_ = 0, program_ = 0;
  int width_ = 0, height_ = 0;
  m4f projection_ = Identity();
  std::vector<GLuint> textures_, framebuffers_, buffers_;
  vlm::render::UniformBuffers saved_;
};

// Within 1e-4 of the expected value, relative (and 1e-6 absolute near 0).
inline ::testing::AssertionResult Near(float actual, float expected, float relative = 1e-4f) {
  const float allowed = relative * std::fabs(expected) + 1e-6f;
  if (std::fabs(actual - expected) <= allowed) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << actual << " is not " << expected << " (within " << allowed << ")";
}

}  // namespace pixeltest
