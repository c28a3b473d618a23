// The five uniform buffers on a real context: sizes, usage and contents as
// created at start-up, the projection defaults worked out by hand, range
// uploads, and shutdown.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "render/shader_state.h"
#include "shader_test_util.h"
#include "support/test_support.h"

namespace {

using vlm::render::Block;

GLint BufferParameter(GLuint buffer, GLenum name) {
  GLint value = -1;
  vlmgl.glBindBuffer(GL_UNIFORM_BUFFER, buffer);
  vlmgl.glGetBufferParameteriv(GL_UNIFORM_BUFFER, name, &value);
  vlmgl.glBindBuffer(GL_UNIFORM_BUFFER, 0);
  return value;
}

std::vector<float> BufferFloats(GLuint buffer, int bytes) {
  std::vector<float> values(static_cast<size_t>(bytes) / 4);
  vlmgl.glBindBuffer(GL_UNIFORM_BUFFER, buffer);
  vlmgl.glGetBufferSubData(GL_UNIFORM_BUFFER, 0, bytes, values.data());
  vlmgl.glBindBuffer(GL_UNIFORM_BUFFER, 0);
  return values;
}

// Row vector times row-major matrix.
void Transform(const m4f& m, const float in[4], float out[4]) {
  for (int c = 0; c < 4; ++c) {
    out[c] = 0;
    for (int r = 0; r < 4; ++r) out[c] += in[r] * m.e[4 * r + c];
  }
}

TEST(UniformBuffers, StartUpCreatesTheFiveBlocks) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  const struct {
    Block block;
    const char* name;
    int binding, size;
    GLenum usage;
  } blocks[] = {{Block::kProjection, "Projection", 0, 192, GL_STATIC_DRAW},
                {Block::kModel, "Model", 1, 112, GL_DYNAMIC_DRAW},
                {Block::kMaterial, "Material", 2, 48, GL_DYNAMIC_DRAW},
                {Block::kLight, "Light", 3, 52, GL_DYNAMIC_DRAW},
                {Block::kMisc, "Misc", 4, 16, GL_STATIC_DRAW}};
  for (const auto& b : blocks) {
    SCOPED_TRACE(b.name);
    const vlm::render::UniformBufferHeader& h = vlm::render::Header(b.block);
    EXPECT_STREQ(h.sName, b.name);
    EXPECT_EQ(h.iBinding, b.binding);
    EXPECT_EQ(h.iSize, b.size);
    EXPECT_EQ(h.iSizeAgain, b.size);
    EXPECT_EQ(h.iReserved[0], 0);
    EXPECT_EQ(h.iReserved[1], 0);
    ASSERT_NE(h.iBuffer, 0u);
    EXPECT_EQ(BufferParameter(h.iBuffer, GL_BUFFER_SIZE), b.size);
    EXPECT_EQ(BufferParameter(h.iBuffer, GL_BUFFER_USAGE), static_cast<GLint>(b.usage));
    GLint bound = -1;
    vlmgl.glGetIntegeri_v(GL_UNIFORM_BUFFER_BINDING, static_cast<GLuint>(b.binding), &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), h.iBuffer);
  }
  EXPECT_GT(vlm::render::Shaders().buffers.maxFragmentUniformComponents, 0);

  // Misc: the screen size and the camera's near and far planes.
  const std::vector<float> misc = BufferFloats(vlm::render::BlockBuffer(Block::kMisc), 16);
  EXPECT_EQ(misc, (std::vector<float>{640.0f, 480.0f, 0.1f, 128.0f}));

  // Projection: 45 degrees, 640 x 480, near 0.1, far 128; its inverse; the
  // pixel matrix with y downward.
  const std::vector<float> p = BufferFloats(vlm::render::BlockBuffer(Block::kProjection), 192);
  const float f = 1.0f / std::tan(22.5f * 3.14159265f / 180.0f);  // 2.41421
  EXPECT_NEAR(p[0], f * 480.0f / 640.0f, 1e-5);
  EXPECT_NEAR(p[5], f, 1e-5);
  EXPECT_NEAR(p[10], -128.1f / 127.9f, 1e-6);
  EXPECT_EQ(p[11], -1.0f);
  EXPECT_NEAR(p[14], -2.0f * 12.8f / 127.9f, 1e-6);
  EXPECT_EQ(p[15], 0.0f);
  const auto& cpu = vlm::render::Shaders().buffers.projection.data;
  EXPECT_EQ(std::memcmp(p.data(), &cpu, 192), 0);
  // A point on the near plane maps to depth -1 and back through the inverse.
  const float point[4] = {0.02f, -0.03f, -0.1f, 1.0f};
  float clip[4], back[4];
  Transform(cpu.mProjectionMatrix, point, clip);
  EXPECT_NEAR(clip[2] / clip[3], -1.0f, 1e-5);
  Transform(cpu.mInvProjectionMatrix, clip, back);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(back[i] / back[3], point[i], 1e-6) << i;
  const float corners[2][4] = {{0, 0, 0, 1}, {640, 480, 0, 1}};
  const float expected[2][2] = {{-1, 1}, {1, -1}};
  for (int i = 0; i < 2; ++i) {
    Transform(cpu.mScreenMatrix, corners[i], clip);
    EXPECT_FLOAT_EQ(clip[0], expected[i][0]);
    EXPECT_FLOAT_EQ(clip[1], expected[i][1]);
    EXPECT_FLOAT_EQ(clip[3], 1.0f);
  }
}

TEST(UniformBuffers, RangeUploadsRewriteOnlyTheirBytes) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  auto& material = vlm::render::Shaders().buffers.material.data;
  material = {};
  ASSERT_TRUE(vlm::render::UploadBlock(Block::kMaterial));
  material.vColor = {0.25f, 0.5f, 0.75f, 1.0f};
  material.fHardness = 7.0f;
  // Only vColor goes up.
  ASSERT_TRUE(vlm::render::UploadBlockRange(Block::kMaterial, 0, 16));
  std::vector<float> g = BufferFloats(vlm::render::BlockBuffer(Block::kMaterial), 48);
  EXPECT_EQ(g[0], 0.25f);
  EXPECT_EQ(g[3], 1.0f);
  EXPECT_EQ(g[5], 0.0f);
  ASSERT_TRUE(vlm::render::UploadBlockRange(Block::kMaterial, 20, 4));
  g = BufferFloats(vlm::render::BlockBuffer(Block::kMaterial), 48);
  EXPECT_EQ(g[5], 7.0f);
  // Ranges beyond the block are refused with a row.
  EXPECT_FALSE(vlm::render::UploadBlockRange(Block::kMaterial, 40, 16));
  EXPECT_FALSE(vlm::render::UploadBlockRange(Block::kLight, 53, 0));
  EXPECT_TRUE(vlm::render::UploadBlockRange(Block::kLight, 52, 0));
  EXPECT_EQ(vlmtest::LogBody(log),
            vlmtest::FailRow("VLM_UploadShaderBuffer", "Fail: The uniform buffer range does not exist!") +
                vlmtest::FailRow("VLM_UploadShaderBuffer", "Fail: The uniform buffer range does not exist!"));
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(UniformBuffers, ShutdownDeletesBuffersAndShaders) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  std::vector<GLuint> buffers;
  for (int i = 0; i < vlm::render::kBlockCount; ++i)
    buffers.push_back(vlm::render::BlockBuffer(static_cast<Block>(i)));
  ASSERT_GT(vlm::render::ShaderRegistry().Count(), 40u);
  // Deleted while the context is still current.
  vlm::render::DeleteUniformBuffers();
  for (GLuint b : buffers) EXPECT_FALSE(vlmgl.glIsBuffer(b));
  VLM_Shutdown();
  EXPECT_EQ(vlm::render::ShaderRegistry().Count(), 0u);
  for (int n = 1; n <= 47; ++n) EXPECT_EQ(VLM_GetBuiltInShader(n), nullptr) << n;
  for (const auto& list : vlm::render::Shaders().renderLists) EXPECT_TRUE(list.empty());
  for (int i = 0; i < vlm::render::kBlockCount; ++i)
    EXPECT_EQ(vlm::render::BlockBuffer(static_cast<Block>(i)), 0u);
}

}  // namespace
