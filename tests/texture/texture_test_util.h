// Helpers of the texture and material tests: pictures written as files,
// GL texture parameters read back, and counting rows of the log.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "gpu/gl_table.h"
#include "platform/image.h"
#include "support/test_support.h"

namespace texturetest {

// A width x height RGBA picture whose texel (x, y) encodes its place:
// r = 10x + 1, g = 10y + 2, b = x ^ y, a = 255 - x.
inline std::vector<uint8_t> Picture(int width, int height) {
  std::vector<uint8_t> rgba(static_cast<size_t>(width * height * 4));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &rgba[static_cast<size_t>((y * width + x) * 4)];
      p[0] = static_cast<uint8_t>(10 * x + 1);
      p[1] = static_cast<uint8_t>(10 * y + 2);
      p[2] = static_cast<uint8_t>(x ^ y);
      p[3] = static_cast<uint8_t>(255 - x);
    }
  return rgba;
}

// PNG bytes of a picture of one colour (RGB).
inline std::vector<uint8_t> SolidPng(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width * height * 3));
  for (size_t i = 0; i < rgb.size(); i += 3) {
    rgb[i] = r;
    rgb[i + 1] = g;
    rgb[i + 2] = b;
  }
  return vlm::platform::EncodePng(rgb.data(), width, height, 3, static_cast<size_t>(width) * 3);
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  vlmtest::WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

// A texture parameter as GL reports it (GLint or GLfloat).
template <class T>
T TexParameter(GLenum target, GLuint texture, GLenum name) {
  T value = -1;
  vlmgl.glBindTexture(target, texture);
  if constexpr (std::is_same_v<T, GLfloat>) {
    vlmgl.glGetTexParameterfv(target, name, &value);
  } else {
    vlmgl.glGetTexParameteriv(target, name, &value);
  }
  vlmgl.glBindTexture(target, 0);
  return value;
}
inline GLint TexInt(GLenum target, GLuint texture, GLenum name) {
  return TexParameter<GLint>(target, texture, name);
}
inline float TexFloat(GLenum target, GLuint texture, GLenum name) {
  return TexParameter<GLfloat>(target, texture, name);
}

// The anisotropy a creator that asks for `asked` leaves: that within the
// driver's limit, or the untouched 1 when the driver offers none.
inline float ExpectedAnisotropy(float asked) {
  const char* list = reinterpret_cast<const char*>(vlmgl.glGetString(GL_EXTENSIONS));
  const std::string extensions = list ? list : "";
  if (extensions.find("_texture_filter_anisotropic") == std::string::npos) return 1.0f;
  GLfloat limit = 1.0f;
  vlmgl.glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &limit);
  return limit < asked ? limit : asked;
}

inline int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace texturetest
