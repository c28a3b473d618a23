// Texture objects through the engine's function table.
#include "gpu/gl_textures.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vlm::gl {

namespace {

constexpr int kArrayLayer2D = -65535;  // the layer value that selects GL_TEXTURE_2D

// "GL_EXT_texture_filter_anisotropic" and its ARB twin, as whole words of
// the extension string.
bool OffersAnisotropy() {
  if (!vlmgl.glGetString) return false;
  const char* list = reinterpret_cast<const char*>(vlmgl.glGetString(GL_EXTENSIONS));
  if (!list) return false;
  for (const char* name : {"GL_EXT_texture_filter_anisotropic", "GL_ARB_texture_filter_anisotropic"}) {
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name)) {
      const bool starts = at == list || at[-1] == ' ';
      const bool ends = at[length] == '\0' || at[length] == ' ';
      if (starts && ends) return true;
    }
  }
  return false;
}

}  // namespace

bool HasTextureFunctions() {
  return vlmgl.glGenTextures && vlmgl.glBindTexture && vlmgl.glTexImage2D &&
         vlmgl.glTexSubImage2D && vlmgl.glTexParameteri && vlmgl.glTexParameterf &&
         vlmgl.glPixelStorei && vlmgl.glGenerateMipmap && vlmgl.glTexImage3D &&
         vlmgl.glTexSubImage3D && vlmgl.glGetTexImage && vlmgl.glDeleteTextures;
}

GLuint CreateBoundTexture(GLenum target) {
  GLuint texture = 0;
  vlmgl.glGenTextures(1, &texture);
  vlmgl.glBindTexture(target, texture);
  return texture;
}

void BindTexture(GLenum target, GLuint texture) { vlmgl.glBindTexture(target, texture); }

float MaxAnisotropy() {
  if (!OffersAnisotropy() || !vlmgl.glGetFloatv) return 0.0f;
  GLfloat limit = 0.0f;
  vlmgl.glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &limit);
  return limit;
}

void SetTextureSampling(GLenum target, const TextureSampling& sampling) {
  vlmgl.glTexParameteri(target, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(sampling.minFilter));
  vlmgl.glTexParameteri(target, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(sampling.magFilter));
  vlmgl.glTexParameteri(target, GL_TEXTURE_WRAP_S, static_cast<GLint>(sampling.wrap));
  vlmgl.glTexParameteri(target, GL_TEXTURE_WRAP_T, static_cast<GLint>(sampling.wrap));
  if (target == GL_TEXTURE_CUBE_MAP)
    vlmgl.glTexParameteri(target, GL_TEXTURE_WRAP_R, static_cast<GLint>(sampling.wrap));
  if (sampling.maxLevel > 0) {
    vlmgl.glTexParameteri(target, GL_TEXTURE_BASE_LEVEL, 0);
    vlmgl.glTexParameteri(target, GL_TEXTURE_MAX_LEVEL, sampling.maxLevel);
  }
  if (sampling.anisotropy > 0.0f) {
    const float limit = MaxAnisotropy();
    if (limit >= 1.0f)
      vlmgl.glTexParameterf(target, GL_TEXTURE_MAX_ANISOTROPY_EXT, std::min(sampling.anisotropy, limit));
  }
}

GLenum ImageFormat(const platform::Image& image) {
  const bool blueFirst = image.Order() == platform::ChannelOrder::BlueFirst;
  if (image.BytesPerPixel() == 3) return blueFirst ? GL_BGR : GL_RGB;
  return blueFirst ? GL_BGRA : GL_RGBA;
}

void UploadImage(const platform::Image& image, GLenum target, int layer) {
  if (!image) return;
  const GLenum format = ImageFormat(image);
  const GLsizei width = image.Width();
  const GLsizei height = image.Height();
  // Rows are packed without padding; 3-byte rows need alignment 1.
  vlmgl.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  const bool toArray = target == 0 && layer != kArrayLayer2D;
  const GLenum face = target != 0 ? target : GL_TEXTURE_2D;
  if (!image.BottomUp()) {
    if (toArray) {
      vlmgl.glTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, 0, layer, width, height, 1, format,
                            GL_UNSIGNED_BYTE, image.Pixels());
    } else {
      vlmgl.glTexImage2D(face, 0, GL_RGBA, width, height, 0, format, GL_UNSIGNED_BYTE,
                         image.Pixels());
    }
  } else {
    // GL takes no negative row stride: the picture's rows go one by one,
    // top row to texture row 0, without a flipped copy.
    if (!toArray)
      vlmgl.glTexImage2D(face, 0, GL_RGBA, width, height, 0, format, GL_UNSIGNED_BYTE, nullptr);
    for (int y = 0; y < height; ++y) {
      if (toArray) {
        vlmgl.glTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, y, layer, width, 1, 1, format,
                              GL_UNSIGNED_BYTE, image.PictureRow(y));
      } else {
        vlmgl.glTexSubImage2D(face, 0, 0, y, width, 1, format, GL_UNSIGNED_BYTE, image.PictureRow(y));
      }
    }
  }
  vlmgl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

void AllocateTextureArray(GLsizei width, GLsizei height, GLsizei layers) {
  vlmgl.glTexImage3D(GL_TEXTURE_2D_ARRAY, 0, GL_RGBA, width, height, layers, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, nullptr);
}

void GenerateMipmap(GLenum target) { vlmgl.glGenerateMipmap(target); }

GLuint BoundTexture2D() {
  if (!vlmgl.glGetIntegerv) return 0;
  GLint bound = 0;
  vlmgl.glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  return bound > 0 ? static_cast<GLuint>(bound) : 0;
}

bool ReadTextureLevel(GLuint texture, GLenum target, GLenum format, int width, int height,
                      int layers, uint8_t* out) {
  if (texture == 0 || width <= 0 || height <= 0) return false;
  vlmgl.glBindTexture(target, texture);
  vlmgl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
  const size_t layerBytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
  if (target == GL_TEXTURE_2D_ARRAY && layers > 1) {
    // The whole level comes back at once; keep its first layer.
    std::vector<uint8_t> level(layerBytes * static_cast<size_t>(layers));
    vlmgl.glGetTexImage(target, 0, format, GL_UNSIGNED_BYTE, level.data());
    std::memcpy(out, level.data(), layerBytes);
  } else {
    const GLenum read = target == GL_TEXTURE_CUBE_MAP ? GL_TEXTURE_CUBE_MAP_POSITIVE_X : target;
    vlmgl.glGetTexImage(read, 0, format, GL_UNSIGNED_BYTE, out);
  }
  vlmgl.glPixelStorei(GL_PACK_ALIGNMENT, 4);
  vlmgl.glBindTexture(target, 0);
  return true;
}

}  // namespace vlm::gl
