// The GL object helpers of gpu/, read back from a real context: what
// they fill is what the driver holds, deleting forgets the name, failures
// of compiling and linking come with the driver's message.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gpu/gl_objects.h"
#include "support/gl_context.h"

namespace {

namespace gl = vlm::gl;

constexpr const char* kVertex =
    "#version 330\nlayout(location = 0) in vec4 p;\nvoid main() { gl_Position = p; }\n";
constexpr const char* kFragment =
    "#version 330\nlayout(std140) uniform Tint { vec4 colour; };\nout vec4 o;\n"
    "void main() { o = colour; }\n";

TEST(GLObjects, BuffersHoldWhatTheyWereFilledWithAndDeleteForgetsThem) {
  vlmtest::GLContext context;
  REQUIRE_GL(context);
  const std::vector<uint32_t> data = {1, 2, 3, 0xDEADBEEF};
  GLuint buffer = gl::CreateBuffer();
  ASSERT_NE(buffer, 0u);
  gl::FillBuffer(GL_ARRAY_BUFFER, buffer, 16, data.data(), GL_STATIC_DRAW);
  std::vector<uint32_t> back(4);
  vlmgl.glGetBufferSubData(GL_ARRAY_BUFFER, 0, 16, back.data());
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, 0);
  EXPECT_EQ(back, data);

  // A uniform buffer: sized, bound to its point, filled in part.
  GLuint uniforms = gl::CreateUniformBuffer(32, 3);
  ASSERT_NE(uniforms, 0u);
  const float tint[4] = {0.25f, 0.5f, 0.75f, 1.0f};
  gl::FillUniformBuffer(uniforms, 16, 16, tint);
  float read[8] = {};
  vlmgl.glBindBuffer(GL_UNIFORM_BUFFER, uniforms);
  GLint size = 0;
  vlmgl.glGetBufferParameteriv(GL_UNIFORM_BUFFER, GL_BUFFER_SIZE, &size);
  vlmgl.glGetBufferSubData(GL_UNIFORM_BUFFER, 16, 16, read);
  vlmgl.glBindBuffer(GL_UNIFORM_BUFFER, 0);
  EXPECT_EQ(size, 32);
  EXPECT_EQ(read[0], 0.25f);
  EXPECT_EQ(read[3], 1.0f);

  const GLuint old = buffer;
  gl::DeleteBuffer(buffer);
  gl::DeleteBuffer(uniforms);
  EXPECT_EQ(buffer, 0u);
  EXPECT_FALSE(vlmgl.glIsBuffer(old));
  gl::DeleteBuffer(buffer);  // a zero name is left alone
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(GLObjects, TextureAttachedToAFramebufferIsComplete) {
  vlmtest::GLContext context;
  REQUIRE_GL(context);
  const uint8_t pixels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 9, 8, 7, 6};
  GLuint texture = gl::CreateTexture();
  ASSERT_NE(texture, 0u);
  gl::FillTexture2D(texture, GL_RGBA8, 2, 2, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  uint8_t back[16] = {};
  vlmgl.glBindTexture(GL_TEXTURE_2D, texture);
  vlmgl.glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back);
  vlmgl.glBindTexture(GL_TEXTURE_2D, 0);
  EXPECT_EQ(std::vector<uint8_t>(back, back + 16), std::vector<uint8_t>(pixels, pixels + 16));

  GLuint framebuffer = gl::CreateFramebuffer();
  GLuint depth = gl::CreateRenderbuffer();
  ASSERT_NE(framebuffer, 0u);
  ASSERT_NE(depth, 0u);
  gl::AttachTexture2D(framebuffer, GL_COLOR_ATTACHMENT0, texture);
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  EXPECT_EQ(vlmgl.glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
  gl::DeleteFramebuffer(framebuffer);
  gl::DeleteRenderbuffer(depth);
  gl::DeleteTexture(texture);
  EXPECT_EQ(framebuffer, 0u);
  EXPECT_EQ(texture, 0u);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(GLObjects, ProgramsLinkAndBrokenStagesReportTheDriversMessage) {
  vlmtest::GLContext context;
  REQUIRE_GL(context);
  std::string log = "stale";
  EXPECT_EQ(gl::CompileShader(GL_VERTEX_SHADER, "#version 330\nvoid main() { nonsense; }\n", &log), 0u);
  EXPECT_FALSE(log.empty());
  EXPECT_NE(log, "stale");

  GLuint vertex = gl::CompileShader(GL_VERTEX_SHADER, kVertex, &log);
  GLuint fragment = gl::CompileShader(GL_FRAGMENT_SHADER, kFragment, &log);
  ASSERT_NE(vertex, 0u) << log;
  ASSERT_NE(fragment, 0u) << log;
  // A stage that calls a function no stage defines compiles but does not link.
  GLuint unfed = gl::CompileShader(
      GL_VERTEX_SHADER, "#version 330\nvec4 Elsewhere();\nvoid main() { gl_Position = Elsewhere(); }\n", &log);
  ASSERT_NE(unfed, 0u) << log;
  GLuint broken = gl::CreateProgram();
  vlmgl.glAttachShader(broken, unfed);
  vlmgl.glAttachShader(broken, fragment);
  EXPECT_FALSE(gl::LinkProgram(broken, &log));
  EXPECT_FALSE(log.empty());

  GLuint program = gl::CreateProgram();
  vlmgl.glAttachShader(program, vertex);
  vlmgl.glAttachShader(program, fragment);
  EXPECT_TRUE(gl::LinkProgram(program, &log)) << log;
  gl::DeleteShader(vertex);
  gl::DeleteShader(fragment);
  gl::DeleteShader(unfed);
  gl::DeleteProgram(broken);
  gl::DeleteProgram(program);
  EXPECT_EQ(program, 0u);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
