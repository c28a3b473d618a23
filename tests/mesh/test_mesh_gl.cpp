// GPU side of meshes on a real context: buffer sizes and usage, the five
// attributes, the element buffer kept by the vertex array object, updates
// with changed counts, and deletion on release.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/engine_state.h"
#include "gpu/gl_table.h"
#include "mesh/mesh_record.h"
#include "support/gl_context.h"
#include "support/gl_query.h"
#include "velmora.h"

namespace {

using vlmtest::Attribute;
using vlmtest::BufferParameter;

TEST(MeshGL, FinishUpdateAndFreeManageTheBuffers) {
  vlmtest::GLContext gl;
  if (!gl.ok()) GTEST_SKIP() << gl.error();
  ASSERT_TRUE(vlm::Engine().hasGL);

  VLM_MESH* mesh = VLM_CreatePlaneMesh(-1, 2, 1, "");
  ASSERT_NE(mesh, nullptr);
  const auto vao = static_cast<GLuint>(mesh->iVertexArray);
  const auto vbo = static_cast<GLuint>(mesh->iVertexBuffer);
  const auto ibo = static_cast<GLuint>(mesh->iIndexBuffer);
  ASSERT_NE(mesh->iVertexArray, -1);
  ASSERT_NE(mesh->iVertexBuffer, -1);
  ASSERT_NE(mesh->iIndexBuffer, -1);
  EXPECT_TRUE(vlmgl.glIsVertexArray(vao));
  EXPECT_TRUE(vlmgl.glIsBuffer(vbo));
  EXPECT_TRUE(vlmgl.glIsBuffer(ibo));

  vlmgl.glBindVertexArray(vao);
  GLint boundElements = 0;
  vlmgl.glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &boundElements);
  EXPECT_EQ(static_cast<GLuint>(boundElements), ibo);  // recorded in the vertex array object
  EXPECT_EQ(BufferParameter(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE), 4 * 6);
  EXPECT_EQ(BufferParameter(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_USAGE), GL_STATIC_DRAW);
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, vbo);
  EXPECT_EQ(BufferParameter(GL_ARRAY_BUFFER, GL_BUFFER_SIZE), 52 * 6);
  EXPECT_EQ(BufferParameter(GL_ARRAY_BUFFER, GL_BUFFER_USAGE), GL_STATIC_DRAW);
  std::vector<unsigned char> bytes(52 * 6);
  vlmgl.glGetBufferSubData(GL_ARRAY_BUFFER, 0, 52 * 6, bytes.data());
  EXPECT_EQ(std::memcmp(bytes.data(), mesh->aVertices.data(), bytes.size()), 0);

  const struct {
    GLuint location;
    GLint size, type, offset;
  } attributes[] = {{0, 4, GL_FLOAT, 0}, {1, 3, GL_FLOAT, 16}, {6, 3, GL_FLOAT, 28},
                    {2, 2, GL_FLOAT, 40}, {7, 1, GL_INT, 48}};
  for (const auto& a : attributes) {
    SCOPED_TRACE(a.location);
    EXPECT_EQ(Attribute(a.location, GL_VERTEX_ATTRIB_ARRAY_ENABLED), GL_TRUE);
    EXPECT_EQ(Attribute(a.location, GL_VERTEX_ATTRIB_ARRAY_SIZE), a.size);
    EXPECT_EQ(Attribute(a.location, GL_VERTEX_ATTRIB_ARRAY_TYPE), a.type);
    EXPECT_EQ(Attribute(a.location, GL_VERTEX_ATTRIB_ARRAY_STRIDE), 52);
    EXPECT_EQ(Attribute(a.location, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED), GL_FALSE);
    // Read as float by the shaders, so not an integer attribute.
    EXPECT_EQ(Attribute(a.location, GL_VERTEX_ATTRIB_ARRAY_INTEGER), GL_FALSE);
    EXPECT_EQ(Attribute(a.location, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING), static_cast<GLint>(vbo));
    void* pointer = nullptr;
    if (vlmgl.glGetVertexAttribPointerv) {
      vlmgl.glGetVertexAttribPointerv(a.location, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
      EXPECT_EQ(reinterpret_cast<intptr_t>(pointer), a.offset);
    }
  }
  vlmgl.glBindVertexArray(0);

  // Updating re-specifies both buffers whole, with dynamic usage.
  const auto h = reinterpret_cast<VLM_HANDLE>(mesh);
  VLM_SetMeshVertexCount(h, 9);
  VLM_SetMeshTriangleCount(h, 3);
  VLM_UpdateMesh(h);
  EXPECT_EQ(static_cast<GLuint>(mesh->iVertexArray), vao);
  vlmgl.glBindVertexArray(vao);
  EXPECT_EQ(BufferParameter(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE), 4 * 9);
  EXPECT_EQ(BufferParameter(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_USAGE), GL_DYNAMIC_DRAW);
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, vbo);
  EXPECT_EQ(BufferParameter(GL_ARRAY_BUFFER, GL_BUFFER_SIZE), 52 * 9);
  EXPECT_EQ(BufferParameter(GL_ARRAY_BUFFER, GL_BUFFER_USAGE), GL_DYNAMIC_DRAW);
  vlmgl.glBindVertexArray(0);
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, 0);

  // Finishing again replaces the objects; the first set is deleted.
  VLM_FinishMesh(h);
  EXPECT_FALSE(vlmgl.glIsVertexArray(vao));
  const auto vao2 = static_cast<GLuint>(mesh->iVertexArray);
  const auto vbo2 = static_cast<GLuint>(mesh->iVertexBuffer);
  const auto ibo2 = static_cast<GLuint>(mesh->iIndexBuffer);
  EXPECT_TRUE(vlmgl.glIsVertexArray(vao2));

  EXPECT_EQ(VLM_FreeMesh(h), 1);
  EXPECT_FALSE(vlmgl.glIsVertexArray(vao2));
  EXPECT_FALSE(vlmgl.glIsBuffer(vbo2));
  EXPECT_FALSE(vlmgl.glIsBuffer(ibo2));
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(MeshGL, EmptyMeshUploadsEmptyBuffers) {
  vlmtest::GLContext gl;
  if (!gl.ok()) GTEST_SKIP() << gl.error();
  VLM_MESH* mesh = VLM_CreateMesh(-1, "");
  const auto h = reinterpret_cast<VLM_HANDLE>(mesh);
  VLM_FinishMesh(h);
  ASSERT_NE(mesh->iVertexBuffer, -1);
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(mesh->iVertexBuffer));
  EXPECT_EQ(BufferParameter(GL_ARRAY_BUFFER, GL_BUFFER_SIZE), 0);
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, 0);
  VLM_FreeMesh(h);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
