// Texture objects: sampling parameters, image upload straight from decoded
// rows, storage of texture arrays and reading level 0 back. Every helper
// leaves the texture it worked on bound to its target, as the creators
// set parameters and upload in one binding.
#pragma once

#include <cstdint>

#include "gpu/gl_table.h"
#include "platform/image.h"

namespace vlm::gl {

// True when the entry points the texture helpers call are in the table.
bool HasTextureFunctions();

// Generates a texture and binds it to target.
GLuint CreateBoundTexture(GLenum target);
void BindTexture(GLenum target, GLuint texture);

// Filters, wrap on S and T (and R for cube maps), the mipmap range when
// maxLevel > 0, and the maximum anisotropy when the driver offers it
// (clamped to the driver's limit).
struct TextureSampling {
  GLenum minFilter = GL_LINEAR;
  GLenum magFilter = GL_LINEAR;
  GLenum wrap = GL_REPEAT;
  GLint maxLevel = 0;
  float anisotropy = 0.0f;  // 0: left alone
};
void SetTextureSampling(GLenum target, const TextureSampling& sampling);

// The driver's largest anisotropy, or 0 when it offers none.
float MaxAnisotropy();

// The source format of an image's rows: GL_RGB, GL_BGR, GL_RGBA or GL_BGRA.
GLenum ImageFormat(const platform::Image& image);

// Level 0 of a bound texture from the image, top row of the picture first
// (texture row 0), internal format GL_RGBA. target 0 with layer -65535:
// GL_TEXTURE_2D; target 0 with another layer: that layer of the bound
// GL_TEXTURE_2D_ARRAY; otherwise target itself (a cube face). Rows stored
// top-down are read in place; bottom-up rows are sent one by one.
void UploadImage(const platform::Image& image, GLenum target, int layer);

// Storage of a bound GL_TEXTURE_2D_ARRAY: `layers` uninitialised RGBA layers.
void AllocateTextureArray(GLsizei width, GLsizei height, GLsizei layers);

void GenerateMipmap(GLenum target);

// The texture bound to GL_TEXTURE_2D on the active unit; 0 when none or
// when the driver cannot say.
GLuint BoundTexture2D();

// Level 0 of a texture as `format` bytes (4 per pixel), rows from texture
// row 0, into out (width * height * 4 bytes; for arrays the first layer,
// for cube maps the +X face).
bool ReadTextureLevel(GLuint texture, GLenum target, GLenum format, int width, int height,
                      int layers, uint8_t* out);

}  // namespace vlm::gl
