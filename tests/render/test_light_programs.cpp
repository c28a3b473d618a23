// The light programs on a real context: a G-buffer filled by hand, the
// direct light over the screen quad and one instanced point light around
// the eye, summed into the lit-scene layer, with colours worked out from
// the lighting rules.
#include <gtest/gtest.h>

#include <vector>

#include "render/targets.h"
#include "render/uniform_buffers.h"
#include "shader_test_util.h"

namespace {

using vlm::render::RenderTargets;
using vlm::render::Targets;

// Every pixel of G-buffer layer `layer` set to one RGBA value.
void FillLayer(const RenderTargets& t, int layer, float r, float g, float b, float a) {
  const std::vector<float> pixels = [&] {
    std::vector<float> p(static_cast<size_t>(t.width) * t.height * 4);
    for (size_t i = 0; i < p.size(); i += 4) {
      p[i] = r;
      p[i + 1] = g;
      p[i + 2] = b;
      p[i + 3] = a;
    }
    return p;
  }();
  vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, t.gbufferArray);
  vlmgl.glTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, 0, layer, t.width, t.height, 1, GL_RGBA, GL_FLOAT,
                        pixels.data());
  vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
}

std::vector<float> LitPixel(int x, int y) {
  std::vector<float> rgba(4);
  vlmgl.glReadBuffer(GL_COLOR_ATTACHMENT0);  // layer 6
  vlmgl.glReadPixels(x, y, 1, 1, GL_RGBA, GL_FLOAT, rgba.data());
  return rgba;
}

TEST(LightPrograms, DirectAndInstancedPointLightSumIntoTheLitLayer) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  VLM_InitCamera(vlmtest::GLContext::kWidth, vlmtest::GLContext::kHeight);
  const RenderTargets& t = Targets();
  ASSERT_EQ(t.width, vlmtest::GLContext::kWidth);
  // A surface one unit ahead facing the eye: grey diffuse, no specular,
  // no wrap lighting, drawn everywhere.
  FillLayer(t, 0, 0.0f, 0.0f, -1.0f, 0.0f);
  FillLayer(t, 1, 0.0f, 0.0f, 1.0f, 1.0f);
  FillLayer(t, 2, 0.5f, 0.5f, 0.5f, 0.0f);
  FillLayer(t, 3, 0.0f, 0.0f, 0.0f, 0.0f);
  FillLayer(t, 4, 0.0f, 0.0f, 0.0f, 1.0f);

  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, t.framebuffers[1].framebuffer);
  const GLenum drawBuffer = GL_COLOR_ATTACHMENT0;
  vlmgl.glDrawBuffers(1, &drawBuffer);
  vlmgl.glViewport(0, 0, t.width, t.height);
  vlmgl.glClearColor(0, 0, 0, 0);
  vlmgl.glClear(GL_COLOR_BUFFER_BIT);
  vlmgl.glDisable(GL_DEPTH_TEST);
  vlmgl.glDisable(GL_BLEND);
  vlmgl.glDisable(GL_CULL_FACE);
  vlmgl.glActiveTexture(GL_TEXTURE0);
  vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, t.gbufferArray);

  // Direct light along the view axis into the screen, ambient 0.2:
  // 0.5 x 0.2 + 0.5 x (N.L = 1) = 0.6.
  const auto& slots = t.direct.locations;
  // The samplers start on units 0 and 1, as built: a 2D and an array
  // sampler on one unit could not draw.
  vlmgl.glUseProgram(t.direct.program);
  const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f}, direction[3] = {0, 0, -1}, white[3] = {1, 1, 1};
  vlmgl.glUniform4fv(slots[vlm::render::kDirectAmbientColor], 1, ambient);
  vlmgl.glUniform1i(slots[vlm::render::kDirectLightState], 1);
  vlmgl.glUniform3fv(slots[vlm::render::kDirectLightDirection], 1, direction);
  vlmgl.glUniform3fv(slots[vlm::render::kDirectLightColor], 1, white);
  vlmgl.glUniform1f(slots[vlm::render::kDirectLightIntensity], 1.0f);
  vlmgl.glBindVertexArray(t.directQuadArray);
  vlmgl.glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{320, 240}, std::pair{639, 479}}) {
    const std::vector<float> p = LitPixel(x, y);
    EXPECT_NEAR(p[0], 0.6f, 1e-5f) << x << "," << y;
    EXPECT_NEAR(p[1], 0.6f, 1e-5f);
    EXPECT_EQ(p[3], 1.0f);
  }

  // A red point light at the eye, range 2: the surface lies halfway, so it
  // adds 0.5 x 0.5 = 0.25 to red (and 0.5 to alpha) through the back faces
  // of the volume around the eye.
  vlm::render::PointLightInstance light{};
  light.modelView = m4f{{2.02f, 0, 0, 0, 0, 2.02f, 0, 0, 0, 0, 2.02f, 0, 0, 0, 0, 1}};
  light.range = 2.0f;
  light.colour[0] = 1.0f;
  light.intensity = 1.0f;
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, t.instanceBuffer);
  vlmgl.glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof light, &light);
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, 0);
  vlmgl.glEnable(GL_BLEND);
  vlmgl.glBlendFunc(GL_ONE, GL_ONE);
  vlmgl.glEnable(GL_CULL_FACE);
  vlmgl.glCullFace(GL_FRONT);
  vlmgl.glUseProgram(t.point.program);
  vlmgl.glBindVertexArray(t.instancedSphereArray);
  vlmgl.glDrawElementsInstanced(GL_TRIANGLES, vlm::render::kIcosphereIndices, GL_UNSIGNED_INT, nullptr, 1);
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{320, 240}, std::pair{639, 479}}) {
    const std::vector<float> p = LitPixel(x, y);
    EXPECT_NEAR(p[0], 0.85f, 1e-5f) << x << "," << y;
    EXPECT_NEAR(p[1], 0.6f, 1e-5f);
    EXPECT_NEAR(p[3], 1.5f, 1e-5f);
  }

  vlmgl.glCullFace(GL_BACK);
  vlmgl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  vlmgl.glDisable(GL_BLEND);
  vlmgl.glBindVertexArray(0);
  vlmgl.glUseProgram(0);
  vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
