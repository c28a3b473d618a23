// Programs with a closed-form result draw with known inputs; every texel
// read back is compared with the row's formula worked out on the CPU
// (1e-4 relative on float targets, 1/255 on 8-bit ones). The remaining
// programs draw one frame without GL errors or NaN.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "pixel_harness.h"
#include "render/shader_builtin.h"

namespace {

using pixeltest::Bench;
using pixeltest::Image;
using pixeltest::Near;

constexpr float kWeights[6] = {0.1750f, 0.1550f, 0.1250f, 0.1000f, 0.0600f, 0.0380f};

class ShaderPixels : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gl_.ok()) GTEST_SKIP() << "no GL context: " << gl_.error();
  }
  vlmtest::GLContext gl_;
};

// Texel values that differ per texel and channel, all in [0, 1].
std::vector<float> Pattern(int w, int h, int layers = 1, float seed = 0.0f) {
  std::vector<float> v(static_cast<size_t>(w) * h * layers * 4);
  for (size_t i = 0; i < v.size(); ++i) v[i] = std::fmod(0.137f * static_cast<float>(i) + 0.05f + seed, 1.0f);
  return v;
}

void ExpectImage(const Image& image, const std::function<void(int, int, float*)>& expected,
                 float tolerance8 = 0.0f) {
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      float want[4];
      expected(x, y, want);
      for (int c = 0; c < 4; ++c) {
        const float got = image.At(x, y)[c];
        if (tolerance8 > 0)
          EXPECT_NEAR(got, want[c], tolerance8) << x << "," << y << " channel " << c;
        else
          EXPECT_TRUE(Near(got, want[c])) << x << "," << y << " channel " << c;
      }
    }
}

// ---- Post-processing -------------------------------------------------------

TEST_F(ShaderPixels, CopyAndGammaOnTexturesAndLayers) {
  Bench bench;
  const int w = 8, h = 4;
  const std::vector<float> texels = Pattern(w, h);
  std::vector<float> layers = Pattern(w, h, 3, 0.3f);
  // Both ends of the curve appear.
  layers[4 * w * h] = 0.0f;
  layers[4 * w * h + 1] = 1.0f;
  const GLuint texture = bench.Texture2D(w, h, texels);
  const GLuint array = bench.TextureArray(w, h, 3, layers);
  auto texel = [&](const std::vector<float>& t, int layer, int x, int y, int c) {
    return t[((static_cast<size_t>(layer) * h + y) * w + x) * 4 + c];
  };
  struct Case {
    int program;
    bool layered;
    float gamma;  // 0: a copy
  };
  for (const Case& c : {Case{41, false, 0}, Case{42, true, 0}, Case{43, false, 2.2f}, Case{44, true, 1.8f}}) {
    SCOPED_TRACE(c.program);
    bench.Target(w, h);
    bench.Use(c.program);
    bench.Bind(0, c.layered ? GL_TEXTURE_2D_ARRAY : GL_TEXTURE_2D, c.layered ? array : texture);
    bench.Set("ColorMap", 0);
    if (c.layered) bench.Set("fIndex", 1.0f);
    if (c.gamma > 0) bench.Set("fGamma", c.gamma);
    bench.Draw(bench.ScreenQuad());
    ExpectImage(bench.Read(), [&](int x, int y, float* out) {
      for (int ch = 0; ch < 4; ++ch) {
        const float v = texel(c.layered ? layers : texels, c.layered ? 1 : 0, x, y, ch);
        out[ch] = c.gamma > 0 && ch < 3 ? std::pow(v, 1.0f / c.gamma) : v;
      }
    });
  }
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Bilinear sample of a w-texel row at texel coordinate u (clamped to edge).
float Sample(const std::vector<float>& row, float u) {
  const int w = static_cast<int>(row.size());
  const float t = u - 0.5f;
  const int i = static_cast<int>(std::floor(t));
  const float f = t - static_cast<float>(i);
  auto at = [&](int k) { return row[static_cast<size_t>(std::clamp(k, 0, w - 1))]; };
  return at(i) * (1.0f - f) + at(i + 1) * f;
}

TEST_F(ShaderPixels, ElevenTapBlursAlongTheirShift) {
  Bench bench;
  const int n = 32;
  std::vector<float> row(n);
  for (int i = 0; i < n; ++i) row[static_cast<size_t>(i)] = (i / 31.0f) * (i / 31.0f);
  // The weights: 0.175 + 2 (0.155 + 0.125 + 0.1 + 0.06 + 0.038) = 1.131.
  float sum = kWeights[0];
  for (int k = 1; k < 6; ++k) sum += 2 * kWeights[k];
  EXPECT_NEAR(sum, 1.131f, 1e-6);

  // "PP Blur": along x, one texel per tap, result x 1.25.
  std::vector<float> texels(static_cast<size_t>(n) * 4);
  for (int i = 0; i < n; ++i)
    for (int c = 0; c < 4; ++c) texels[static_cast<size_t>(4 * i + c)] = row[static_cast<size_t>(i)] * (c + 1) / 4.0f;
  bench.Target(n, 1);
  bench.Use(45);
  bench.Bind(0, GL_TEXTURE_2D, bench.Texture2D(n, 1, texels, GL_LINEAR));
  bench.Set("ColorMap", 0);
  bench.Set2("vShift", 1.0f / n, 0.0f);
  bench.Draw(bench.ScreenQuad());
  ExpectImage(bench.Read(), [&](int x, int, float* out) {
    float v = row[static_cast<size_t>(x)] * kWeights[0];
    for (int k = 1; k < 6; ++k) v += (Sample(row, x + 0.5f + k) + Sample(row, x + 0.5f - k)) * kWeights[k];
    for (int c = 0; c < 4; ++c) out[c] = 1.25f * v * (c + 1) / 4.0f;
  });

  // "PP Blur TA": along y on layer 2 of an array; an even layer makes the
  // whole result 1.25 x 1.131 x its value.
  std::vector<float> layered(static_cast<size_t>(4) * n * 3 * 4, 0.0f);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < 4; ++x)
      for (int c = 0; c < 4; ++c) {
        layered[((static_cast<size_t>(2) * n + y) * 4 + x) * 4 + c] = row[static_cast<size_t>(y)];
        layered[((static_cast<size_t>(1) * n + y) * 4 + x) * 4 + c] = 0.4f;
      }
  const GLuint array = bench.TextureArray(4, n, 3, layered, GL_LINEAR);
  for (float layer : {2.0f, 1.0f}) {
    bench.Target(4, n);
    bench.Use(46);
    bench.Bind(0, GL_TEXTURE_2D_ARRAY, array);
    bench.Set("ColorMap", 0);
    bench.Set("fIndex", layer);
    bench.Set2("vShift", 0.0f, 1.0f / n);
    bench.Draw(bench.ScreenQuad());
    ExpectImage(bench.Read(), [&](int, int y, float* out) {
      float v = 0.4f * 1.131f;
      if (layer == 2.0f) {
        v = row[static_cast<size_t>(y)] * kWeights[0];
        for (int k = 1; k < 6; ++k) v += (Sample(row, y + 0.5f + k) + Sample(row, y + 0.5f - k)) * kWeights[k];
      }
      for (int c = 0; c < 4; ++c) out[c] = 1.25f * v;
    });
  }
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// ---- G-buffer passes ---------------------------------------------------------

TEST_F(ShaderPixels, DepthLinearisationAndOcclusion) {
  Bench bench;
  const std::vector<float> depth = {0.0f, 0.1f, 0.25f, 0.5f, 0.9f, 0.99f, 0.999f, 1.0f};
  const float n = 0.1f, f = 128.0f;
  for (int program : {1, 3}) {
    SCOPED_TRACE(program);
    bench.Target(8, 1);
    bench.Use(program);
    bench.Bind(0, GL_TEXTURE_2D, bench.DepthTexture(8, 1, depth));
    bench.Set("DepthMap", 0);
    bench.Draw(bench.ScreenQuad());
    ExpectImage(bench.Read(), [&](int x, int, float* out) {
      // Distance over far, from the device depth 2d - 1.
      const float z = 2.0f * depth[static_cast<size_t>(x)] - 1.0f;
      const float d = depth[static_cast<size_t>(x)];
      out[0] = 2.0f * n / (f + n - z * (f - n));
      out[1] = 1.0f;  // no occlusion
      out[2] = 0.0f;
      out[3] = d < 1.0f ? 1.0f : 0.0f;
    });
  }
}

TEST_F(ShaderPixels, BloomGlowMap) {
  Bench bench;
  const int w = 8;
  std::vector<float> layers(static_cast<size_t>(w) * 7 * 4, 0.0f);
  auto at = [&](int layer, int x, int c) -> float& { return layers[(static_cast<size_t>(layer) * w + x) * 4 + c]; };
  for (int x = 0; x < w; ++x) {
    for (int c = 0; c < 3; ++c) {
      at(2, x, c) = 0.1f * (x + 1) * (c + 1) / 3.0f;
      at(6, x, c) = 0.8f + 0.025f * x + 0.01f * c;
    }
    at(2, x, 3) = x / 7.0f;
    at(6, x, 3) = 1.0f;
  }
  const float glow = 1.0f, bloom = 0.5f;
  bench.Target(w, 1);
  bench.Use(2);
  bench.Bind(0, GL_TEXTURE_2D_ARRAY, bench.TextureArray(w, 1, 7, layers));
  bench.Set("BufferMap", 0);
  bench.Set("fGlow", glow);
  bench.Set("fBloom", bloom);
  bench.Draw(bench.ScreenQuad());
  ExpectImage(bench.Read(), [&](int x, int, float* out) {
    float c[3];
    for (int i = 0; i < 3; ++i) c[i] = std::pow(at(6, x, i), 12.0f);
    const float luminance = 0.299f * c[0] + 0.587f * c[1] + 0.114f * c[2];
    for (int i = 0; i < 3; ++i)
      out[i] = at(2, x, i) * 2.0f * at(2, x, 3) * glow + (0.025f * c[i] + 0.025f * luminance) * bloom;
    out[3] = at(2, x, 3);
  });
}

// ---- 2D programs -----------------------------------------------------------

TEST_F(ShaderPixels, TwoDimensionalPrograms) {
  Bench bench;
  const int w = 6, h = 4;
  const std::vector<float> texels = Pattern(w, h);
  const std::vector<float> layers = Pattern(w, h, 2, 0.6f);
  const std::vector<float> mask = Pattern(w, h, 1, 0.2f);
  const float colour[4] = {0.9f, 0.5f, 0.25f, 0.75f};
  auto texel = [&](const std::vector<float>& t, int layer, int x, int y, int c) {
    return t[((static_cast<size_t>(layer) * h + y) * w + x) * 4 + c];
  };
  const GLuint texture = bench.Texture2D(w, h, texels);
  const GLuint array = bench.TextureArray(w, h, 2, layers);
  const GLuint maskTexture = bench.Texture2D(w, h, mask);
  for (int program : {8, 9, 10, 11, 12, 14}) {
    SCOPED_TRACE(program);
    // "2D Default" also on an 8-bit target.
    for (bool floating : program == 8 ? std::vector<bool>{true, false} : std::vector<bool>{true}) {
      bench.Target(w, h, floating);
      bench.Use(program);
      bench.Bind(0, program == 9 ? GL_TEXTURE_2D_ARRAY : GL_TEXTURE_2D, program == 9 ? array : texture);
      bench.Bind(1, GL_TEXTURE_2D, maskTexture);
      if (program != 10) bench.Set("ColorMap", 0);
      if (program == 11) bench.Set("MaskMap", 1);
      if (program == 9) bench.Set("fIndex", 1.0f);
      if (program != 14) bench.Set4("vColor", colour);
      std::vector<pixeltest::Vertex> quad = bench.ScreenQuad();
      for (auto& v : quad) std::copy(colour, colour + 4, v.colour);
      bench.Draw(quad);
      ExpectImage(
          bench.Read(),
          [&](int x, int y, float* out) {
            for (int c = 0; c < 4; ++c) {
              const float t = texel(program == 9 ? layers : texels, program == 9 ? 1 : 0, x, y, c);
              out[c] = program == 10 ? colour[c] : t * colour[c];
            }
            if (program == 9 || program == 12) out[3] = 1.0f;
            // The mask is read at the mirrored second coordinate.
            if (program == 11) out[3] *= texel(mask, 0, w - 1 - x, y, 0);
          },
          floating ? 0.0f : 1.0f / 255.0f);
    }
  }
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ShaderPixels, TwoDimensionalBlurOfTheScreenBehind) {
  Bench bench;
  const int n = 32;
  std::vector<float> row(n), texels(static_cast<size_t>(n) * 4), mask(static_cast<size_t>(n) * 4);
  for (int i = 0; i < n; ++i) {
    row[static_cast<size_t>(i)] = (i / 31.0f) * (i / 31.0f);
    for (int c = 0; c < 4; ++c) {
      texels[static_cast<size_t>(4 * i + c)] = row[static_cast<size_t>(i)];
      mask[static_cast<size_t>(4 * i + c)] = c == 0 ? 0.5f + i / 64.0f : 0.0f;
    }
  }
  const float colour[4] = {1.0f, 0.5f, 0.25f, 0.8f};
  const GLuint screen = bench.Texture2D(n, 1, texels, GL_LINEAR);
  const GLuint maskTexture = bench.Texture2D(n, 1, mask);
  bench.Target(n, 1);
  bench.Use(13);
  bench.Bind(0, GL_TEXTURE_2D, screen);
  bench.Bind(1, GL_TEXTURE_2D, maskTexture);
  bench.Set("ColorMap", 0);
  bench.Set("MaskMap", 1);
  bench.Set4("vColor", colour);
  bench.Set("fUShift", 1.0f / n);
  bench.Set("fVShift", 0.0f);
  bench.Draw(bench.ScreenQuad());
  auto blur = [&](int x, float step) {
    float v = 0;
    for (int k = -5; k <= 5; ++k) v += Sample(row, x + 0.5f + k * step) * kWeights[std::abs(k)];
    return v / 1.131f;
  };
  ExpectImage(bench.Read(), [&](int x, int, float* out) {
    const float v = (0.8f * blur(x, 1.0f) + 1.0f * blur(x, 0.5f)) / 1.8f;
    for (int c = 0; c < 3; ++c) out[c] = v * colour[c];
    out[3] = (0.5f + x / 64.0f) * colour[3];
  });
}

// ---- 3D programs ------------------------------------------------------------

TEST_F(ShaderPixels, ForwardThreeDimensionalPrograms) {
  Bench bench;
  const int w = 8, h = 6;
  const std::vector<float> texels = Pattern(w, h);
  const GLuint texture = bench.Texture2D(w, h, texels);
  bench.Material() = {};
  bench.Material().vColor = {0.8f, 0.6f, 0.4f, 0.9f};
  const float colour[4] = {0.8f, 0.6f, 0.4f, 0.9f};
  for (int program : {15, 17, 18, 19}) {
    SCOPED_TRACE(program);
    bench.Target(w, h);
    bench.Use(program);
    bench.Bind(0, GL_TEXTURE_2D, texture);
    if (program >= 18) bench.Set("ColorMap", 0);
    bench.Draw(Bench::ClipQuad());
    ExpectImage(bench.Read(), [&](int x, int y, float* out) {
      // Identity projection and model-view: the view position is the clip
      // position of the pixel centre, on z = 0, facing +z.
      const float px = 2.0f * (x + 0.5f) / w - 1.0f, py = 2.0f * (y + 0.5f) / h - 1.0f;
      if (program == 15) {
        const float lx = -px, ly = 5.0f - py, lz = 5.0f;
        const float l = std::max(0.1f, lz / std::sqrt(lx * lx + ly * ly + lz * lz));
        for (int c = 0; c < 3; ++c) out[c] = colour[c] * l + (1.0f - l) * colour[c] * 0.25f;
        out[3] = colour[3];
        return;
      }
      for (int c = 0; c < 4; ++c)
        out[c] = colour[c] * (program == 17 ? 1.0f : texels[(static_cast<size_t>(y) * w + x) * 4 + c]);
    });
  }
}

TEST_F(ShaderPixels, PerlinNoiseStaysInRangeAndContinuous) {
  Bench bench;
  const int size = 64;
  const float white[4] = {1, 1, 1, 1};
  bench.Material() = {};
  bench.Material().vColor = {1, 1, 1, 1};
  // Noise coordinates x, y in [-1/32, 4 - 1/32] over the target: pixel
  // (i, j) samples (i / 16, j / 16, 0).
  m4f p = pixeltest::Identity();
  p.e[0] = p.e[5] = 0.5f;
  p.e[12] = p.e[13] = 1.0f / 64.0f - 1.0f;
  bench.SetProjection(p);
  bench.Target(size, size);
  bench.Use(40);
  bench.Bind(0, GL_TEXTURE_2D, bench.Texture2D(1, 1, std::vector<float>(white, white + 4)));
  bench.Set("ColorMap", 0);
  const float lo = -1.0f / 32.0f, hi = 4.0f - 1.0f / 32.0f;
  bench.Draw(Bench::ClipQuad(lo, lo, hi, hi));
  const Image image = bench.Read();
  float least = 1, most = 0, steepest = 0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const float v = image.At(x, y)[0];
      ASSERT_TRUE(std::isfinite(v));
      least = std::min(least, v);
      most = std::max(most, v);
      if (x > 0) steepest = std::max(steepest, std::fabs(v - image.At(x - 1, y)[0]));
      if (y > 0) steepest = std::max(steepest, std::fabs(v - image.At(x, y - 1)[0]));
      EXPECT_EQ(image.At(x, y)[1], v);
      // Gradient noise is 0 on the lattice: the colour is half there.
      if (x % 16 == 0 && y % 16 == 0) {
        EXPECT_TRUE(Near(v, 0.5f)) << x << "," << y;
      }
    }
  EXPECT_GE(least, 0.0f);
  EXPECT_LE(most, 1.0f);
  EXPECT_GT(most - least, 0.2f);  // it does vary
  // Edge gradients have length sqrt 2 and the blend is smooth: a step of
  // 1/16 changes the colour by far less than 0.15.
  EXPECT_LT(steepest, 0.15f);
}

// ---- Every other program draws a clean frame ------------------------------

TEST_F(ShaderPixels, EveryOtherProgramDrawsWithoutErrorsOrNaN) {
  Bench bench;
  const int w = 8, h = 8;
  const std::vector<float> texels = Pattern(w, h);
  const GLuint texture = bench.Texture2D(w, h, texels, GL_LINEAR);
  const GLuint array = bench.TextureArray(w, h, 8, Pattern(w, h, 8), GL_LINEAR);
  const GLuint depth = bench.DepthTexture(w, h, std::vector<float>(static_cast<size_t>(w) * h, 1.0f));
  const float sky[4] = {0.2f, 0.4f, 0.6f, 1.0f};
  const GLuint cube = bench.CubeMap(sky);
  // Identity instance matrices (4 or 5 texels per instance) and a colour.
  std::vector<float> instances;
  for (int i = 0; i < 2; ++i) {
    const m4f id = pixeltest::Identity();
    instances.insert(instances.end(), id.e, id.e + 16);
    instances.insert(instances.end(), {1.0f, 0.5f, 0.5f, 1.0f});
  }
  const GLuint buffer = bench.TextureBuffer(instances);
  auto& material = bench.Material();
  material = {{1, 1, 1, 1}, 1.0f, 8.0f, 0.1f, 0.2f, {0.5f, 0.5f, 0.5f, 1.0f}};

  const std::vector<int> closedForm = {1, 2, 3, 8, 9, 10, 11, 12, 13, 14, 15, 17, 18, 19, 40, 41, 42, 43, 44, 45, 46};
  for (int number : shadertest::ProgramNumbers()) {
    if (std::find(closedForm.begin(), closedForm.end(), number) != closedForm.end()) continue;
    SCOPED_TRACE(VLM_GetBuiltInShader(number)->sName);
    bench.Target(w, h, true, 5);
    const GLuint program = bench.Use(number);
    // Every sampler gets a unit of its own with a texture of its kind: the
    // depth texture for depth maps, the array for array samplers.
    const GLint count = shadertest::ProgramInteger(program, GL_ACTIVE_UNIFORMS);
    int unit = 0;
    for (GLuint i = 0; i < static_cast<GLuint>(count); ++i) {
      GLint type = 0, size = 0;
      vlmgl.glGetActiveUniformsiv(program, 1, &i, GL_UNIFORM_TYPE, &type);
      vlmgl.glGetActiveUniformsiv(program, 1, &i, GL_UNIFORM_SIZE, &size);
      char name[64] = {};
      vlmgl.glGetActiveUniformName(program, i, sizeof name, nullptr, name);
      const GLint location = vlmgl.glGetUniformLocation(program, name);
      const std::string n = name;
      switch (type) {
        case GL_SAMPLER_2D:
          bench.Bind(unit, GL_TEXTURE_2D, n == "DepthMap" ? depth : texture);
          vlmgl.glUniform1i(location, unit++);
          break;
        case GL_SAMPLER_2D_ARRAY:
          bench.Bind(unit, GL_TEXTURE_2D_ARRAY, array);
          vlmgl.glUniform1i(location, unit++);
          break;
        case GL_SAMPLER_CUBE:
          bench.Bind(unit, GL_TEXTURE_CUBE_MAP, cube);
          vlmgl.glUniform1i(location, unit++);
          break;
        case GL_SAMPLER_BUFFER:
          bench.Bind(unit, GL_TEXTURE_BUFFER, buffer);
          vlmgl.glUniform1i(location, unit++);
          break;
        case GL_FLOAT: vlmgl.glUniform1f(location, n == "fBlend" ? 10.0f : 0.5f); break;
        case GL_INT: vlmgl.glUniform1i(location, 2); break;
        case GL_FLOAT_VEC2: bench.Set2(name, 0.01f, 0.02f); break;
        case GL_FLOAT_VEC3: {
          const float v[3] = {0.2f, 1.0f, 0.3f};
          vlmgl.glUniform3fv(location, 1, v);
          break;
        }
        case GL_FLOAT_VEC4: bench.Set4(name, sky); break;
        case GL_FLOAT_MAT4: {
          const m4f id = pixeltest::Identity();
          vlmgl.glUniformMatrix4fv(location, 1, GL_FALSE, id.e);
          break;
        }
        default: break;  // block members
      }
    }
    std::vector<pixeltest::Vertex> quad = Bench::ClipQuad(-0.9f, -0.9f, 0.9f, 0.9f);
    for (auto& v : quad) {
      v.position[2] = 0.25f;
      v.extra[0] = 0.5f;  // group, or a particle at (0.5, 0, 0)
      v.size = 1.0f;
      v.rotation = 0.3f;
    }
    bench.Draw(quad, 2);
    EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // Shadow programs write depth only; forward ones one colour, deferred five.
    const int group = VLM_GetBuiltInShader(number)->iGroup;
    const bool deferred = (number >= 20 && number <= 29) || number == 31 || number == 32;
    const int outputs = group == VLM_SHADERGROUP_SHADOW ? 0 : deferred ? 5 : 1;
    for (int attachment = 0; attachment < outputs; ++attachment) {
      const Image image = bench.Read(attachment);
      for (float v : image.rgba) ASSERT_TRUE(std::isfinite(v)) << "attachment " << attachment;
    }
  }
}

}  // namespace
