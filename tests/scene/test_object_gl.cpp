// Instanced objects on a real context: the buffer and its RGBA32F buffer
// texture, re-instancing, and 10,000 create / re-instance / release cycles
// that leave no GL name, queue entry or memory behind.
#include <cstring>
#include <fstream>
#include <vector>

#include "gpu/gl_table.h"
#include "scene_fixture.h"
#include "support/gl_context.h"
#include "support/test_support.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's count of live heap bytes (its allocator interface, whose
// header not every compiler ships).
extern "C" size_t __sanitizer_get_current_allocated_bytes(void);
#endif

namespace {

using namespace scenetest;

GLint BufferInteger(GLuint buffer, GLenum name) {
  GLint value = -1;
  vlmgl.glBindBuffer(GL_TEXTURE_BUFFER, buffer);
  vlmgl.glGetBufferParameteriv(GL_TEXTURE_BUFFER, name, &value);
  vlmgl.glBindBuffer(GL_TEXTURE_BUFFER, 0);
  return value;
}

GLint BufferTextureInteger(GLuint texture, GLenum name) {
  GLint value = -1;
  vlmgl.glBindTexture(GL_TEXTURE_BUFFER, texture);
  vlmgl.glGetTexLevelParameteriv(GL_TEXTURE_BUFFER, 0, name, &value);
  vlmgl.glBindTexture(GL_TEXTURE_BUFFER, 0);
  return value;
}

// Live buffer and texture names among 1..limit.
int LiveNames(GLuint limit) {
  int live = 0;
  for (GLuint name = 1; name <= limit; ++name)
    live += (vlmgl.glIsBuffer(name) ? 1 : 0) + (vlmgl.glIsTexture(name) ? 1 : 0);
  return live;
}

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * 4;
}

TEST_F(SceneTest, InstancedObjectHasItsBufferTexture) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  VLM_OBJECT* object = VLM_CreateObject(1, -1, -1, 3, "");
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->iInstanceCount, 3);
  const GLuint buffer = object->iInstanceBuffer;
  const GLuint texture = object->iInstanceTexture;
  ASSERT_TRUE(vlmgl.glIsBuffer(buffer));
  ASSERT_TRUE(vlmgl.glIsTexture(texture));
  EXPECT_EQ(BufferInteger(buffer, GL_BUFFER_SIZE), 3 * 80);
  EXPECT_EQ(BufferInteger(buffer, GL_BUFFER_USAGE), GL_STATIC_DRAW);
  EXPECT_EQ(BufferTextureInteger(texture, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA32F);
  EXPECT_EQ(BufferTextureInteger(texture, GL_TEXTURE_BUFFER_DATA_STORE_BINDING), static_cast<GLint>(buffer));
  // Every instance starts as the identity matrix and white.
  std::vector<float> texels(3 * 20);
  vlmgl.glBindBuffer(GL_TEXTURE_BUFFER, buffer);
  vlmgl.glGetBufferSubData(GL_TEXTURE_BUFFER, 0, 3 * 80, texels.data());
  vlmgl.glBindBuffer(GL_TEXTURE_BUFFER, 0);
  const float first[20] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 1, 1, 1};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(std::memcmp(&texels[20 * i], first, sizeof(first)), 0) << i;
  EXPECT_EQ(std::memcmp(object->pInstanceData.get(), texels.data(), 3 * 80), 0);

  // Re-instanced: a new store of the new size; back to single: no GL objects.
  EXPECT_EQ(VLM_SetObjectInstances(1, 5), 5);
  EXPECT_EQ(BufferInteger(object->iInstanceBuffer, GL_BUFFER_SIZE), 5 * 80);
  EXPECT_EQ(BufferTextureInteger(object->iInstanceTexture, GL_TEXTURE_BUFFER_DATA_STORE_BINDING),
            static_cast<GLint>(object->iInstanceBuffer));
  const GLuint last[2] = {object->iInstanceBuffer, object->iInstanceTexture};
  EXPECT_EQ(VLM_SetObjectInstances(1, 1), 1);
  EXPECT_EQ(object->iInstanceCount, 1);
  EXPECT_EQ(object->iInstanceBuffer, 0u);
  EXPECT_EQ(object->pInstanceData, nullptr);
  EXPECT_FALSE(vlmgl.glIsBuffer(last[0]));
  EXPECT_FALSE(vlmgl.glIsTexture(last[1]));

  // More instances than a buffer texture holds: refused, nothing changed.
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  GLint maxTexels = 0;
  vlmgl.glGetIntegerv(GL_MAX_TEXTURE_BUFFER_SIZE, &maxTexels);
  const int tooMany = maxTexels / 5 + 1;
  VLM_SetObjectInstances(1, 2);
  EXPECT_EQ(VLM_SetObjectInstances(1, tooMany), 0);
  EXPECT_EQ(object->iInstanceCount, 2);
  EXPECT_EQ(VLM_CreateObject(2, -1, -1, tooMany, ""), nullptr);
  EXPECT_EQ(VLM_ResolveObject(2), nullptr);
  VLM_OpenLogFile("", 1, 1);
  EXPECT_NE(vlmtest::LogBody(log).find(
                vlmtest::FailRow("VLM_SetObjectInstances", "Fail: Too many instances for one object!")),
            std::string::npos);
}

TEST_F(SceneTest, TenThousandCyclesLeaveNoGLObjectQueueEntryOrMemory) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  Mesh(1);
  VLM_MATERIAL* material = Material(2, "Churn");
  auto cycle = [&](GLuint* highest) {
    VLM_OBJECT* object = VLM_CreateObject(-1, 1, 2, 16, "");
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(VLM_SetObjectInstances(H(object), 64), 64);
    *highest = std::max({*highest, object->iInstanceBuffer, object->iInstanceTexture});
    ASSERT_EQ(VLM_FreeObject(H(object)), 1);
  };
  // Warm-up: the registry's reuse queue fills, the allocators settle.
  GLuint highest = 0;
  for (int i = 0; i < 5000; ++i) cycle(&highest);
  // Names may or may not be reused; every name ever given is counted.
  const int namesBefore = LiveNames(highest + 256);
  const long residentBefore = ResidentKiB();
#if defined(__SANITIZE_ADDRESS__)
  const size_t heapBefore = __sanitizer_get_current_allocated_bytes();
#endif
  for (int i = 0; i < 10000; ++i) cycle(&highest);
  EXPECT_EQ(LiveNames(highest + 256), namesBefore);
  EXPECT_TRUE(material->instances.empty());
  EXPECT_EQ(vlm::ObjectRegistry().Count(), 0u);
  // Each cycle holds 64 x 320 bytes of arrays and 64 x 80 bytes of buffer:
  // a leak of either would grow memory by 50 MiB or more.
#if defined(__SANITIZE_ADDRESS__)
  // Freed memory is held back by the sanitizer, so its live heap is counted.
  EXPECT_LT(__sanitizer_get_current_allocated_bytes(), heapBefore + 1024 * 1024);
#else
  EXPECT_LT(ResidentKiB() - residentBefore, 4096);
#endif
  (void)residentBefore;
}

}  // namespace
