// An emitter's GL objects on a real context: the quad and instance layout,
// the upload of only the drawn records, the draw loop and the release.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/engine_state.h"
#include "gpu/gl_table.h"
#include "particle_fixture.h"
#include "support/gl_context.h"
#include "support/gl_query.h"

namespace {

using ptest::H;
using vlmtest::Attribute;

GLint BufferParameter(GLuint buffer, GLenum name) {
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, buffer);
  return vlmtest::BufferParameter(GL_ARRAY_BUFFER, name);
}

TEST(ParticleGL, LayoutUploadDrawAndRelease) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  vlm::ResetParticles();
  VLM_PARTICLE_EMITTER* e = VLM_CreateParticleEmitter(-1, -1, "");
  ASSERT_NE(e, nullptr);
  ASSERT_TRUE(vlmgl.glIsVertexArray(e->iVertexArray));
  EXPECT_EQ(BufferParameter(e->iQuadBuffer, GL_BUFFER_SIZE), 208);
  EXPECT_EQ(BufferParameter(e->iQuadBuffer, GL_BUFFER_USAGE), GL_STATIC_DRAW);
  EXPECT_EQ(BufferParameter(e->iInstanceBuffer, GL_BUFFER_SIZE), 256 * 40);
  EXPECT_EQ(BufferParameter(e->iInstanceBuffer, GL_BUFFER_USAGE), GL_STREAM_DRAW);

  vlmgl.glBindVertexArray(e->iVertexArray);
  const struct {
    GLuint location;
    GLint size, stride, offset, divisor;
    GLuint buffer;
  } attributes[] = {{0, 4, 52, 0, 0, e->iQuadBuffer},      {1, 3, 52, 16, 0, e->iQuadBuffer},
                    {6, 3, 52, 28, 0, e->iQuadBuffer},     {2, 2, 52, 40, 0, e->iQuadBuffer},
                    {7, 4, 40, 0, 1, e->iInstanceBuffer},  {4, 4, 40, 16, 1, e->iInstanceBuffer},
                    {8, 1, 40, 32, 1, e->iInstanceBuffer}, {9, 1, 40, 36, 1, e->iInstanceBuffer}};
  for (const auto& a : attributes) {
    SCOPED_TRACE(a.location);
    EXPECT_EQ(Attribute(a.location, GL_VERTEX_ATTRIB_ARRAY_ENABLED), GL_TRUE);
    EXPECT_EQ(Attribute(a.location, GL_VERTEX_ATTRIB_ARRAY_SIZE), a.size);
    EXPECT_EQ(Attribute(a.location, GL_VERTEX_ATTRIB_ARRAY_TYPE), GL_FLOAT);
    EXPECT_EQ(Attribute(a.location, GL_VERTEX_ATTRIB_ARRAY_STRIDE), a.stride);
    EXPECT_EQ(Attribute(a.location, GL_VERTEX_ATTRIB_ARRAY_DIVISOR), a.divisor);
    EXPECT_EQ(Attribute(a.location, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING), static_cast<GLint>(a.buffer));
    void* pointer = nullptr;
    vlmgl.glGetVertexAttribPointerv(a.location, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
    EXPECT_EQ(reinterpret_cast<intptr_t>(pointer), a.offset);
  }
  vlmgl.glBindVertexArray(0);

  // Five particles, three drawn: the buffer is re-allocated to three
  // records, and exactly those are uploaded.
  ASSERT_EQ(VLM_SetParticleMaxDrawn(H(e), 3), 1);
  EXPECT_EQ(BufferParameter(e->iInstanceBuffer, GL_BUFFER_SIZE), 3 * 40);
  VLM_SetParticleRange(H(e), VLM_PARTICLE_FORCE, 0.0f, 0.0f);
  VLM_SetParticleRange(H(e), VLM_PARTICLE_LIFETIME, 1e6f, 1e6f);
  for (int k = 0; k < 5; ++k) vlm::particles::Spawn(*e, 1, 0.0f, 0.0f, static_cast<float>(-k), 1000);
  VLM_PARTICLE_EMITTER* empty = VLM_CreateParticleEmitter(-1, -1, "");
  VLM_SetParticleEmissionRate(H(empty), 0.0f);
  vlm::particles::UpdateEmitters(1000, 0.0f, ptest::Identity());
  EXPECT_EQ(VLM_CountParticles(H(e)), 5);
  ASSERT_EQ(e->iDrawn, 3);
  std::vector<vlm::ParticleInstance> uploaded(3);
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, e->iInstanceBuffer);
  vlmgl.glGetBufferSubData(GL_ARRAY_BUFFER, 0, 3 * 40, uploaded.data());
  EXPECT_EQ(std::memcmp(uploaded.data(), e->aInstances.data(), 3 * 40), 0);
  // The first three emitted (at 0, -1 and -2), back to front.
  EXPECT_EQ(uploaded[0].v4fPosition.z, -2.0f);
  EXPECT_EQ(uploaded[2].v4fPosition.z, 0.0f);

  // The draw loop asks only for the emitter with drawn particles.
  std::vector<const VLM_PARTICLE_EMITTER*> asked;
  const int drawn = vlm::particles::DrawEmitters([&](const VLM_PARTICLE_EMITTER& x) {
    asked.push_back(&x);
    return true;
  });
  EXPECT_EQ(drawn, 1);
  EXPECT_EQ(asked, std::vector<const VLM_PARTICLE_EMITTER*>{e});
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  const GLuint array = e->iVertexArray, instances = e->iInstanceBuffer;
  EXPECT_EQ(VLM_FreeParticleEmitter(H(e)), 1);
  EXPECT_FALSE(vlmgl.glIsVertexArray(array));
  EXPECT_FALSE(vlmgl.glIsBuffer(instances));
  VLM_Shutdown();  // releases the rest
  EXPECT_EQ(VLM_CountParticles(-1), 0);
  EXPECT_TRUE(vlm::Particles().drawOrder.empty());
}

}  // namespace
