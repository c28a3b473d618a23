// The function table, the initial GL state and the start-up GL objects, read
// back from a real context; the "System" rows of the start-up log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/engine_state.h"
#include "gpu/gl_context.h"
#include "gpu/gl_table.h"
#include "platform/screen.h"
#include "platform/screen_state.h"
#include "render/render_state.h"
#include "support/gl_context.h"
#include "support/test_support.h"
#include "velmora/core.h"
#include "velmora/texture.h"

namespace {

GLint Integer(GLenum name) {
  GLint value = -1;
  vlmgl.glGetIntegerv(name, &value);
  return value;
}

std::string GLString(GLenum name) {
  const GLubyte* text = vlmgl.glGetString(name);
  return text ? reinterpret_cast<const char*>(text) : "";
}

TEST(GLTable, EverySlotFilledByName) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  for (int i = 0; i < vlm::gl::kFunctionCount; ++i)
    EXPECT_NE(vlm::gl::FunctionAddress(vlm::gl::FunctionName(i)), nullptr)
        << vlm::gl::FunctionName(i);
  EXPECT_EQ(vlm::gl::FunctionName(vlm::gl::kFunctionCount), nullptr);
  EXPECT_EQ(vlm::gl::FunctionName(-1), nullptr);
  EXPECT_EQ(vlm::gl::FunctionAddress("glNoSuchEntryPoint"), nullptr);
  EXPECT_EQ(vlm::gl::FunctionAddress(nullptr), nullptr);
  EXPECT_EQ(vlm::gl::FunctionAddress("glEnable"), reinterpret_cast<const void*>(vlmgl.glEnable));
}

TEST(GLTable, InitialStateReadBack) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  EXPECT_TRUE(vlmgl.glIsEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(Integer(GL_DEPTH_FUNC), GL_LEQUAL);
  EXPECT_TRUE(vlmgl.glIsEnabled(GL_CULL_FACE));
  EXPECT_EQ(Integer(GL_CULL_FACE_MODE), GL_BACK);
  EXPECT_TRUE(vlmgl.glIsEnabled(GL_BLEND));
  EXPECT_EQ(Integer(GL_BLEND_SRC_RGB), GL_SRC_ALPHA);
  EXPECT_EQ(Integer(GL_BLEND_DST_RGB), GL_ONE_MINUS_SRC_ALPHA);
  EXPECT_EQ(Integer(GL_BLEND_SRC_ALPHA), GL_SRC_ALPHA);
  EXPECT_EQ(Integer(GL_BLEND_DST_ALPHA), GL_ONE_MINUS_SRC_ALPHA);
  GLfloat clear[4] = {-1, -1, -1, -1};
  vlmgl.glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_FLOAT_EQ(clear[0], 0.0f);
  EXPECT_FLOAT_EQ(clear[1], 0.0f);
  EXPECT_FLOAT_EQ(clear[2], 0.0f);
  EXPECT_FLOAT_EQ(clear[3], 1.0f);
  EXPECT_TRUE(vlmgl.glIsEnabled(GL_PROGRAM_POINT_SIZE));
  GLfloat pointSize = 0;
  vlmgl.glGetFloatv(GL_POINT_SIZE, &pointSize);
  EXPECT_FLOAT_EQ(pointSize, 1.0f);
  // The compatibility-only part, where the context has it.
  if ((Integer(GL_CONTEXT_PROFILE_MASK) & GL_CONTEXT_CORE_PROFILE_BIT) == 0) {
    EXPECT_FALSE(vlmgl.glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(vlmgl.glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(Integer(GL_SHADE_MODEL), GL_SMOOTH);
    EXPECT_EQ(Integer(GL_PERSPECTIVE_CORRECTION_HINT), GL_FASTEST);
  }
  // Start-up leaves no error behind for the first feature to trip over.
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  // The render-state cache mirrors the same state.
  const vlm::RenderStateCache& cache = vlm::Render().cache;
  EXPECT_EQ(cache.depthTest, 1);
  EXPECT_EQ(cache.cullFaces, 1);
  EXPECT_EQ(cache.blendSource, GL_SRC_ALPHA);
  EXPECT_EQ(cache.blendDestination, GL_ONE_MINUS_SRC_ALPHA);
}

TEST(GLTable, ContextIsThreeThreeOrLaterWithDepth) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  const int version = Integer(GL_MAJOR_VERSION) * 10 + Integer(GL_MINOR_VERSION);
  EXPECT_GE(version, 33);
  const vlm::ScreenState& screen = vlm::Screen();
  EXPECT_EQ(screen.width, vlmtest::GLContext::kWidth);
  EXPECT_EQ(screen.height, vlmtest::GLContext::kHeight);
  EXPECT_EQ(screen.colourBits, 32);
  // 32 depth bits where the driver has them, else the 24-bit fallback.
  EXPECT_TRUE(screen.depthBits == 32 || screen.depthBits == 24) << screen.depthBits;
  EXPECT_FLOAT_EQ(vlm::Timing().gamma, 1.0f);
  EXPECT_EQ(vlm::Timing().counterFrequency, 1000000000);
}

TEST(GLTable, QuadBatchAndDepthFramebuffer) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  const vlm::QuadBatch& batch = vlm::Render().quadBatch;
  ASSERT_NE(batch.elementBuffer, 0u);
  ASSERT_NE(batch.vertexBuffer, 0u);
  EXPECT_EQ(Integer(GL_VERTEX_ARRAY_BINDING), 0);

  GLint size = 0, usage = 0;
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, batch.elementBuffer);
  vlmgl.glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
  vlmgl.glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_USAGE, &usage);
  EXPECT_EQ(size, 256 * 6 * 4);
  EXPECT_EQ(usage, GL_STATIC_DRAW);
  std::vector<GLuint> indices(256 * 6);
  vlmgl.glGetBufferSubData(GL_ARRAY_BUFFER, 0, size, indices.data());
  // Quad i: 4i+3, 4i+1, 4i, 4i+3, 4i+2, 4i+1.
  const std::vector<GLuint> firstTwo = {3, 1, 0, 3, 2, 1, 7, 5, 4, 7, 6, 5};
  EXPECT_EQ(std::vector<GLuint>(indices.begin(), indices.begin() + 12), firstTwo);
  const std::vector<GLuint> last = {1023, 1021, 1020, 1023, 1022, 1021};
  EXPECT_EQ(std::vector<GLuint>(indices.end() - 6, indices.end()), last);

  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, batch.vertexBuffer);
  vlmgl.glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
  vlmgl.glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_USAGE, &usage);
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, 0);
  EXPECT_EQ(size, 24576);
  EXPECT_EQ(usage, GL_DYNAMIC_DRAW);

  const vlm::RenderState& render = vlm::Render();
  ASSERT_NE(render.depthFramebuffer, 0u);
  ASSERT_NE(render.depthRenderbuffer, 0u);
  EXPECT_EQ(Integer(GL_FRAMEBUFFER_BINDING), 0);
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, render.depthFramebuffer);
  GLint type = 0, name = 0;
  const auto attachment = reinterpret_cast<decltype(&glGetFramebufferAttachmentParameteriv)>(
      vlm::platform::GetGLProcAddress("glGetFramebufferAttachmentParameteriv"));
  ASSERT_NE(attachment, nullptr);
  attachment(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
  attachment(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &name);
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
  EXPECT_EQ(type, GL_RENDERBUFFER);
  EXPECT_EQ(static_cast<GLuint>(name), render.depthRenderbuffer);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The three rows of the "System" section, byte for byte, and the sections
// of the start-up log in their order.
TEST(GLTable, SystemSectionInStartupLog) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  const std::string log = vlmtest::LogBody(gl.LogPath());
  auto row = [](const std::string& text) {
    return "<tr><td>\xC2\x95</td><td></td><td></td><td colspan=2><i style='color:#404040;'>" +
           text + "</i></td></tr>";
  };
  const std::string system =
      "</table><big style='color:#000000;font-size:12px;'>System</big><blockquote><table>" +
      row(GLString(GL_RENDERER)) + row("OpenGL " + GLString(GL_VERSION)) +
      row("GLSL " + GLString(GL_SHADING_LANGUAGE_VERSION)) + "</table></blockquote><table><br>";
  const std::string top =
      "</table><big style='color:#51BC31;font-size:14px;'>[VLM] Velmora Engine</big>"
      "<blockquote><table><tr><td>\xC2\x95</td><td></td><td></td><td colspan=2><i "
      "style='color:#000000;'>0.3.2.b (2016-03-30)</i></td></tr>";
  EXPECT_EQ(log.rfind(top, 0), 0u) << log.substr(0, 400);
  const size_t at = log.find(system);
  EXPECT_NE(at, std::string::npos) << log;
  EXPECT_EQ(at, top.size());  // right after the version row
  // A software rasteriser is named in the next row, which lowers the
  // maximum anisotropy; any other renderer keeps 8 and adds no row.
  const std::string software = vlm::gl::SoftwareRasteriserName(GLString(GL_RENDERER));
  const std::string lowered =
      "<tr><td>\xC2\x95</td><td></td><td></td><td colspan=2><i style='color:#0000FF;'>Info: Software "
      "rasteriser (" + software + "): maximum anisotropy lowered from 8 to 1</i></td></tr>";
  if (!software.empty()) {
    EXPECT_EQ(log.compare(at + system.size(), lowered.size(), lowered), 0) << log.substr(at + system.size(), 300);
    EXPECT_EQ(VLM_GetTextureAnisotropy(), 1.0f);
  } else {
    EXPECT_EQ(log.find("maximum anisotropy"), std::string::npos);
    EXPECT_EQ(VLM_GetTextureAnisotropy(), 8.0f);
  }
  const size_t program = log.find(">Program</big>");
  EXPECT_NE(program, std::string::npos);
  EXPECT_GT(program, at);
  EXPECT_EQ(log.find("Fail:"), std::string::npos) << log;
}

// The renderer strings of Mesa's software rasterisers, in any case; chips
// (whose strings may name the LLVM that compiles their shaders) are none.
TEST(GLTable, SoftwareRasteriserNames) {
  using vlm::gl::SoftwareRasteriserName;
  EXPECT_EQ(SoftwareRasteriserName("llvmpipe (LLVM 15.0.6, 256 bits)"), "llvmpipe");
  EXPECT_EQ(SoftwareRasteriserName("Gallium 0.4 on softpipe"), "softpipe");
  EXPECT_EQ(SoftwareRasteriserName("Mesa DRI SWRAST"), "swrast");
  EXPECT_EQ(SoftwareRasteriserName("AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49, 6.1.0)"), "");
  EXPECT_EQ(SoftwareRasteriserName("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"), "");
  EXPECT_EQ(SoftwareRasteriserName(""), "");
}

TEST(GLTable, HasFunctionsLogsEachMissingEntryPoint) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  vlmtest::TempDir dir;
  const std::string path = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  EXPECT_TRUE(vlm::gl::HasFunctions("VLM_Feature", {"glEnable", "glGenBuffers"}));
  const auto saved = vlmgl.glGenBuffers;
  vlmgl.glGenBuffers = nullptr;
  EXPECT_FALSE(vlm::gl::HasFunctions("VLM_Feature", {"glEnable", "glGenBuffers", "glNoSuch"}));
  vlmgl.glGenBuffers = saved;
  VLM_OpenLogFile(nullptr, 0, 1);
  auto missing = [](const std::string& name) {
    return vlmtest::FailRow("VLM_Feature", "Fail: The OpenGL entry point " + name + " is missing!");
  };
  EXPECT_EQ(vlmtest::LogBody(path), missing("glGenBuffers") + missing("glNoSuch"));
}

}  // namespace
