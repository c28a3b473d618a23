// Textures: creation from image files, definitions, raw files, memory and
// six cube faces; array textures; reading level 0 back; release.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "core/engine_state.h"
#include "core/fail.h"
#include "core/finite.h"
#include "core/registries.h"
#include "definition/definition_internal.h"
#include "definition/texture_internal.h"
#include "definition/texture_material_records.h"
#include "gpu/gl_objects.h"
#include "gpu/gl_textures.h"
#include "velmora/core.h"
#include "velmora/definition.h"
#include "velmora/registry.h"
#include "velmora/texture.h"

namespace vlm {

std::string DefinitionKeyword(std::string_view text) {
  while (!text.empty() && text.front() == '#') text.remove_prefix(1);
  while (!text.empty() && text.back() == '#') text.remove_suffix(1);
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

namespace {

constexpr const char* kModule = "VLM Textures";
constexpr const char* kImageNotFound = "Fail: Image not found!";

const GLenum kCubeFaces[6] = {GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_X,
                              GL_TEXTURE_CUBE_MAP_POSITIVE_Y, GL_TEXTURE_CUBE_MAP_NEGATIVE_Y,
                              GL_TEXTURE_CUBE_MAP_POSITIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z};

// GL work is skipped without a context: records, sizes and rows still
// come out as with one, and the texture object stays 0.
bool GLReady() { return Engine().hasGL && gl::HasTextureFunctions(); }

void Headline(const std::string& text, const char* procedure) {
  VLM_LogMessage(text.c_str(), VLM_COLOR_INFO, __LINE__, kModule, procedure);
}

void Ok(const char* procedure) { VLM_LogMessage("OK", VLM_COLOR_OK, 0, "", procedure); }

GLenum ResolveFilter(int filter) {
  return static_cast<GLenum>(filter == VLM_DEFAULT ? VLM_GetTextureFilter() : filter);
}

std::string NameOrFilePart(const char* name, const char* fileName) {
  if (name && *name) return name;
  return std::string(DefinitionFilePart(fileName ? fileName : ""));
}

// 2D and cube parameters: the filter on both ends, or trilinear filtering
// up to `mipmaps`; repeat (2D) or clamp to the edge (cube).
gl::TextureSampling Sampling(GLenum target, GLenum filter, int mipmaps, float anisotropy) {
  gl::TextureSampling sampling;
  sampling.minFilter = mipmaps > 0 ? GL_LINEAR_MIPMAP_LINEAR : filter;
  sampling.magFilter = mipmaps > 0 ? GL_LINEAR : filter;
  sampling.wrap = target == GL_TEXTURE_CUBE_MAP ? GL_CLAMP_TO_EDGE : GL_REPEAT;
  sampling.maxLevel = mipmaps > 0 ? mipmaps : 0;
  sampling.anisotropy = anisotropy;
  return sampling;
}

void SetSize(VLM_TEXTURE* texture, int width, int height) {
  texture->iWidth = width;
  texture->iHeight = height;
  texture->aiRegion[0] = 0;
  texture->aiRegion[1] = 0;
  texture->aiRegion[2] = width;
  texture->aiRegion[3] = height;
}

// Generates and binds the record's texture and sets its parameters.
void CreateGLTexture(VLM_TEXTURE* texture, GLenum target, const gl::TextureSampling& sampling) {
  texture->iTarget = target;
  if (!GLReady()) return;
  texture->iTexture = gl::CreateBoundTexture(target);
  gl::SetTextureSampling(target, sampling);
}

void Upload(const platform::Image& image, GLenum face) {
  if (GLReady()) gl::UploadImage(image, face, VLM_DEFAULT);
}

// Whether no texel has alpha 0: rows without alpha go up as opaque, and
// alpha is the last byte of a 4-byte pixel in either channel order.
// Mipmaps and filtering only average such texels, so they stay above 0 too.
bool NoTransparentTexel(const platform::Image& image) {
  if (!image) return false;
  if (image.BytesPerPixel() == 3) return true;
  if (image.BytesPerPixel() != 4) return false;
  const uint8_t* pixel = image.Pixels();
  for (size_t i = 3; i < image.SizeBytes(); i += 4)
    if (pixel[i] == 0) return false;
  return true;
}

// A 2D texture takes the whole image: the texture is as opaque as it.
void UploadWhole(VLM_TEXTURE* texture, const platform::Image& image) {
  Upload(image, 0);
  texture->iOpaque = NoTransparentTexel(image) ? 1 : 0;
}

void FinishGLTexture(const VLM_TEXTURE* texture, bool mipmaps) {
  if (!GLReady() || texture->iTexture == 0) return;
  if (mipmaps) gl::GenerateMipmap(texture->iTarget);
  gl::BindTexture(texture->iTarget, 0);
}

// Takes a record out again after a failed load, with its GL object.
void Discard(VLM_TEXTURE* texture) {
  if (texture) VLM_FreeTexture(texture->iHandle);
}

int ClampMipmaps(int64_t mipmaps) { return static_cast<int>(std::clamp<int64_t>(mipmaps, 0, 1000)); }

// The six faces of a cube map, loaded one after another; a face that cannot
// be had ends the texture.
template <class LoadFace>
VLM_TEXTURE* BuildCubeMap(VLM_HANDLE id, const std::string& name, int filter, int mipmaps,
                          LoadFace&& load, const char* procedure) {
  VLM_HANDLE handle = id;
  VLM_TEXTURE* texture = VLM_CreateTextureListEntry(&handle, name.c_str());
  if (!texture) return nullptr;
  mipmaps = std::max(mipmaps, 0);
  int side = 0;
  for (int face = 0; face < 6; ++face) {
    platform::Image image = load(face);
    if (!image) {
      if (procedure) Fail(kImageNotFound, procedure);
      Discard(texture);
      return nullptr;
    }
    if (face == 0) {
      side = image.Width();
      texture->iMipmaps = mipmaps;
      SetSize(texture, image.Width(), image.Height());
      CreateGLTexture(texture, GL_TEXTURE_CUBE_MAP,
                      Sampling(GL_TEXTURE_CUBE_MAP, ResolveFilter(filter), mipmaps, VLM_GetTextureAnisotropy()));
    }
    // GL takes only square faces of one size; anything else would leave
    // the cube map incomplete (black) without a word.
    if (image.Width() != side || image.Height() != side) {
      if (procedure) Fail("Fail: Cube map faces must be square and of one size!", procedure);
      Discard(texture);
      return nullptr;
    }
    Upload(image, kCubeFaces[face]);
  }
  FinishGLTexture(texture, mipmaps != 0);
  return texture;
}

VLM_TEXTURE* Resolve(VLM_HANDLE handle) { return TextureRegistry().Resolve(handle); }

}  // namespace

}  // namespace vlm

using vlm::platform::Image;

extern "C" {

// ---- Images ---------------------------------------------------------------

VLM_IMAGE* VLM_LoadImage(const char* fileName) {
  Image image = vlm::platform::LoadImageFile(fileName);
  return image ? new VLM_IMAGE{std::move(image)} : nullptr;
}

VLM_IMAGE* VLM_CatchImage(const void* memory, size_t size) {
  Image image = vlm::platform::DecodeImage(memory, size);
  return image ? new VLM_IMAGE{std::move(image)} : nullptr;
}

VLM_IMAGE* VLM_CreateImage(int width, int height, int bytesPerPixel, int flags) {
  Image image = Image::Allocate(
      width, height, bytesPerPixel,
      (flags & VLM_IMAGE_BLUEFIRST) ? vlm::platform::ChannelOrder::BlueFirst
                                    : vlm::platform::ChannelOrder::RedFirst,
      (flags & VLM_IMAGE_BOTTOMUP) != 0);
  return image ? new VLM_IMAGE{std::move(image)} : nullptr;
}

int VLM_ImageWidth(const VLM_IMAGE* image) { return image ? image->image.Width() : 0; }
int VLM_ImageHeight(const VLM_IMAGE* image) { return image ? image->image.Height() : 0; }
int VLM_ImageBytesPerPixel(const VLM_IMAGE* image) { return image ? image->image.BytesPerPixel() : 0; }

int VLM_ImageFlags(const VLM_IMAGE* image) {
  if (!image) return 0;
  return (image->image.Order() == vlm::platform::ChannelOrder::BlueFirst ? VLM_IMAGE_BLUEFIRST : 0) |
         (image->image.BottomUp() ? VLM_IMAGE_BOTTOMUP : 0);
}

uint8_t* VLM_ImagePixels(VLM_IMAGE* image) { return image ? image->image.Pixels() : nullptr; }

int VLM_FreeImage(VLM_IMAGE* image) {
  if (!image) return 0;
  delete image;
  return 1;
}

// ---- Textures ---------------------------------------------------------------

VLM_TEXTURE* VLM_LoadTextureFile(VLM_HANDLE id, const char* fileName, int filter, int mipmaps,
                                 const char* name) {
  constexpr const char* kProc = "VLM_LoadTextureFile";
  const std::string file = fileName ? fileName : "";
  vlm::Headline("Load Texture: " + file, kProc);
  VLM_HANDLE handle = id;
  VLM_TEXTURE* texture = VLM_CreateTextureListEntry(&handle, vlm::NameOrFilePart(name, fileName).c_str());
  if (!texture) return nullptr;
  const Image image = vlm::platform::LoadImageFile(file.c_str());
  if (!image) {
    vlm::Fail(vlm::kImageNotFound, kProc);
    vlm::Discard(texture);
    return nullptr;
  }
  mipmaps = std::max(mipmaps, 0);
  texture->iMipmaps = mipmaps;
  vlm::SetSize(texture, image.Width(), image.Height());
  vlm::CreateGLTexture(texture, GL_TEXTURE_2D,
                       vlm::Sampling(GL_TEXTURE_2D, vlm::ResolveFilter(filter), mipmaps, VLM_GetTextureAnisotropy()));
  vlm::UploadWhole(texture, image);
  vlm::FinishGLTexture(texture, mipmaps != 0);
  vlm::Ok(kProc);
  return texture;
}

VLM_TEXTURE* VLM_LoadTextureDefinition(VLM_HANDLE id, VLM_DEFINITION_NODE* node, const char* name) {
  constexpr const char* kProc = "VLM_LoadTextureDefinition";
  const std::string wanted = name ? name : "";
  VLM_DEFINITION_NODE* block = VLM_FindDefinitionNode(node, "Texture", wanted.c_str(), 1);
  if (!block) {
    vlm::Headline("Texture: " + wanted, kProc);
    vlm::Fail("FAIL: Texture Node not found!", kProc);
    return nullptr;
  }
  const std::string value = vlm::DefinitionValue(block);
  vlm::Headline("Texture: " + value, kProc);
  VLM_HANDLE handle = id;
  VLM_TEXTURE* texture = VLM_CreateTextureListEntry(&handle, value.c_str());
  if (!texture) return nullptr;

  const std::string filterName = vlm::DefinitionKeyword(
      VLM_ReadDefinitionString(VLM_FindDefinitionNode(block, "\\Filter", "", 0), ""));
  GLenum filter = GL_NEAREST;
  if (filterName == "VLM_TEXTUREFILTER_LINEARFILTERING" || filterName == "LINEAR") filter = GL_LINEAR;
  const int mipmaps =
      vlm::ClampMipmaps(VLM_ReadDefinitionInteger(VLM_FindDefinitionNode(block, "\\Mipmaps", "", 0), 0));
  texture->iMipmaps = mipmaps;
  vlm::CreateGLTexture(texture, GL_TEXTURE_2D,
                       vlm::Sampling(GL_TEXTURE_2D, filter, mipmaps, VLM_GetTextureAnisotropy()));

  const std::string file =
      std::string(VLM_GetDefinitionDirectory(node)) +
      VLM_ReadDefinitionString(VLM_FindDefinitionNode(block, "\\File", "", 0), "");
  bool hasImage = false;
  const size_t dot = file.find_last_of('.');
  if (dot != std::string::npos && file.compare(dot, std::string::npos, ".vlt") == 0) {
    vlm::RawTextureStatus status;
    const Image image = vlm::ReadRawTexture(file, &status);
    if (status == vlm::RawTextureStatus::Damaged) {
      // A raw file whose header does not match its length is refused like
      // an image that cannot be decoded.
      vlm::Fail("Fail: Raw texture file is damaged!", kProc);
      vlm::Discard(texture);
      return nullptr;
    }
    if (image) {
      vlm::SetSize(texture, image.Width(), image.Height());
      vlm::UploadWhole(texture, image);
      hasImage = true;
    }
  } else {
    VLM_LogMessage(("File: " + file).c_str(), 0xFF000000u, 0, "", kProc);
    const Image image = vlm::platform::LoadImageFile(vlm::SystemPath(file).c_str());
    if (!image) {
      vlm::Fail(vlm::kImageNotFound, kProc);
      vlm::Discard(texture);
      return nullptr;
    }
    vlm::SetSize(texture, image.Width(), image.Height());
    vlm::UploadWhole(texture, image);
    hasImage = true;
  }
  vlm::SetSize(texture, texture->iWidth, texture->iHeight);
  vlm::FinishGLTexture(texture, hasImage && mipmaps != 0);
  vlm::Ok(kProc);
  return texture;
}

VLM_TEXTURE* VLM_LoadCubeMapTexture(VLM_HANDLE id, const char* directory, const char* posX,
                                    const char* negX, const char* posY, const char* negY,
                                    const char* posZ, const char* negZ, int filter, int mipmaps,
                                    const char* name) {
  constexpr const char* kProc = "VLM_LoadCubeMapTexture";
  const char* files[6] = {posX, negX, posY, negY, posZ, negZ};
  const std::string folder = directory ? directory : "";
  std::string headline = "Load CubeMap Textures: " + folder;
  for (int face = 0; face < 6; ++face) {
    if (face) headline += ", ";
    headline += files[face] ? files[face] : "";
  }
  vlm::Headline(headline, kProc);
  auto load = [&](int face) {
    return vlm::platform::LoadImageFile((folder + (files[face] ? files[face] : "")).c_str());
  };
  VLM_TEXTURE* texture =
      vlm::BuildCubeMap(id, vlm::NameOrFilePart(name, posX), filter, mipmaps, load, kProc);
  if (texture) vlm::Ok(kProc);
  return texture;
}

VLM_TEXTURE* VLM_CatchCubeMapTexture(VLM_HANDLE id, const void* const images[6],
                                     const size_t sizes[6], int filter, int mipmaps,
                                     const char* name) {
  auto load = [&](int face) {
    return images && sizes ? vlm::platform::DecodeImage(images[face], sizes[face]) : Image();
  };
  return vlm::BuildCubeMap(id, name ? name : "", filter, mipmaps, load, nullptr);
}

VLM_TEXTURE* VLM_CatchTexture(VLM_HANDLE id, const void* memory, size_t size, int filter,
                              const char* name) {
  constexpr const char* kProc = "VLM_CatchTexture";
  // Decoded before the record is made, so a bad image leaves a texture of
  // the same ID or name in place.
  const Image image = vlm::platform::DecodeImage(memory, size);
  if (!image) {
    vlm::Fail(vlm::kImageNotFound, kProc);
    return nullptr;
  }
  VLM_HANDLE handle = id;
  VLM_TEXTURE* texture = VLM_CreateTextureListEntry(&handle, name ? name : "");
  if (!texture) return nullptr;
  vlm::SetSize(texture, image.Width(), image.Height());
  vlm::CreateGLTexture(texture, GL_TEXTURE_2D,
                       vlm::Sampling(GL_TEXTURE_2D, vlm::ResolveFilter(filter), 0, 0.0f));
  // Rows without alpha are sent as RGB: GL fills alpha with 255.
  vlm::UploadWhole(texture, image);
  vlm::FinishGLTexture(texture, false);
  return texture;
}

VLM_TEXTURE* VLM_CreateTextureArray(VLM_HANDLE id, int width, int height, int layers, int filter,
                                    const char* name) {
  constexpr const char* kProc = "VLM_CreateTextureArray";
  if (width <= 0 || height <= 0 || layers <= 0 || width > vlm::platform::kMaxImageSide ||
      height > vlm::platform::kMaxImageSide || layers > 2048 ||
      int64_t{width} * height * layers > vlm::platform::kMaxImagePixels) {
    vlm::Fail("Fail: Texture array size not possible!", kProc);
    return nullptr;
  }
  VLM_HANDLE handle = id;
  VLM_TEXTURE* texture = VLM_CreateTextureListEntry(&handle, name ? name : "");
  if (!texture) return nullptr;
  vlm::SetSize(texture, width, height);
  texture->iLayers = layers;
  vlm::CreateGLTexture(texture, GL_TEXTURE_2D_ARRAY,
                       vlm::Sampling(GL_TEXTURE_2D_ARRAY, vlm::ResolveFilter(filter), 0, 0.0f));
  if (texture->iTexture) {
    vlm::gl::AllocateTextureArray(width, height, layers);
    vlm::gl::BindTexture(GL_TEXTURE_2D_ARRAY, 0);
  }
  return texture;
}

int VLM_AddTextureToTextureArray(VLM_HANDLE arrayTexture, const char* fileName, int layer) {
  constexpr const char* kProc = "VLM_AddTextureToTextureArray";
  const std::string file = fileName ? fileName : "";
  vlm::Headline("Load Texture: " + file, kProc);
  const Image image = vlm::platform::LoadImageFile(file.c_str());
  if (!image) {
    vlm::Fail(vlm::kImageNotFound, kProc);
    return 0;
  }
  VLM_TEXTURE* texture = vlm::Resolve(arrayTexture);
  if (!texture || texture->iTarget != GL_TEXTURE_2D_ARRAY) {
    vlm::Fail("Fail: Not a texture array!", kProc);
    return 0;
  }
  // GL would refuse a layer outside the storage or an image of another
  // size without a word, leaving the layer empty.
  if (layer < 0 || layer >= texture->iLayers || image.Width() != texture->iWidth ||
      image.Height() != texture->iHeight) {
    vlm::Fail("Fail: Image does not fit the texture array!", kProc);
    return 0;
  }
  if (vlm::GLReady() && texture->iTexture) {
    vlm::gl::BindTexture(GL_TEXTURE_2D_ARRAY, texture->iTexture);
    vlm::gl::UploadImage(image, 0, layer);
    vlm::gl::BindTexture(GL_TEXTURE_2D_ARRAY, 0);
  }
  vlm::Ok(kProc);
  return 1;
}

int VLM_UploadTextureImage(const VLM_IMAGE* image, uint32_t target, int layer) {
  if (!image || !vlm::GLReady()) return 0;
  // The bound 2D texture gets new texels: it no longer promises opacity.
  const bool into2D = target == GL_TEXTURE_2D || (target == 0 && layer == VLM_DEFAULT);
  if (into2D) {
    const GLuint bound = vlm::gl::BoundTexture2D();
    vlm::TextureRegistry().ForEach([bound](VLM_TEXTURE* texture) {
      if (texture->iTarget == GL_TEXTURE_2D && texture->iTexture == bound) texture->iOpaque = 0;
    });
  }
  vlm::gl::UploadImage(image->image, target, layer);
  return 0;
}

int VLM_SetTextureRegion(VLM_HANDLE handle, int x, int y, int width, int height) {
  VLM_TEXTURE* texture = vlm::Resolve(handle);
  if (!texture) return 0;
  if (width == -1) width = texture->iWidth;
  if (height == -1) height = texture->iHeight;
  // Corner and size each within the texture; a full-size region may start
  // inside it (8, 8, -1, -1 is 8, 8 and the whole size).
  const bool inside = x >= 0 && y >= 0 && width >= 0 && height >= 0 && x <= texture->iWidth &&
                      y <= texture->iHeight && width <= texture->iWidth && height <= texture->iHeight;
  if (!vlm::RefuseUnless(inside, "VLM_SetTextureRegion", "Fail: The region must lie inside the texture!")) return 0;
  texture->aiRegion[0] = x;
  texture->aiRegion[1] = y;
  texture->aiRegion[2] = width;
  texture->aiRegion[3] = height;
  return 1;
}

int VLM_GetTextureWidth(VLM_HANDLE handle) {
  const VLM_TEXTURE* texture = vlm::Resolve(handle);
  return texture ? texture->iWidth : 0;
}

int VLM_GetTextureHeight(VLM_HANDLE handle) {
  const VLM_TEXTURE* texture = vlm::Resolve(handle);
  return texture ? texture->iHeight : 0;
}

const char* VLM_GetTextureName(VLM_HANDLE handle) {
  const VLM_TEXTURE* texture = vlm::Resolve(handle);
  return texture ? texture->sName.c_str() : nullptr;
}

VLM_IMAGE* VLM_GrabTextureImage(VLM_HANDLE handle) {
  const VLM_TEXTURE* texture = vlm::Resolve(handle);
  if (!texture || texture->iTexture == 0 || !vlm::GLReady()) return nullptr;
  Image image = Image::Allocate(texture->iWidth, texture->iHeight, 4,
                                vlm::platform::ChannelOrder::BlueFirst, false);
  if (!image || !vlm::gl::ReadTextureLevel(texture->iTexture, texture->iTarget, GL_BGRA,
                                           texture->iWidth, texture->iHeight, texture->iLayers,
                                           image.Pixels()))
    return nullptr;
  return new VLM_IMAGE{std::move(image)};
}

uint8_t* VLM_ReadTexturePixels(VLM_HANDLE handle) {
  const VLM_TEXTURE* texture = vlm::Resolve(handle);
  if (!texture || texture->iTexture == 0 || !vlm::GLReady()) return nullptr;
  const size_t bytes = static_cast<size_t>(texture->iWidth) * static_cast<size_t>(texture->iHeight) * 4;
  auto* pixels = static_cast<uint8_t*>(std::malloc(bytes));
  if (!pixels) return nullptr;
  if (!vlm::gl::ReadTextureLevel(texture->iTexture, texture->iTarget, GL_RGBA, texture->iWidth,
                                 texture->iHeight, texture->iLayers, pixels)) {
    std::free(pixels);
    return nullptr;
  }
  return pixels;
}

int VLM_FreeTexture(VLM_HANDLE handle) {
  VLM_TEXTURE* texture = vlm::Resolve(handle);
  if (!texture) return 0;
  if (texture->iTexture && vlm::GLReady()) {
    GLuint name = texture->iTexture;
    vlm::gl::DeleteTexture(name);
  }
  // No material keeps pointing at the released record.
  vlm::MaterialRegistry().ForEach([texture](VLM_MATERIAL* material) {
    for (VLM_TEXTURE*& slot : material->apTextures)
      if (slot == texture) slot = nullptr;
  });
  vlm::TextureRegistry().Remove(texture);
  return 1;
}

}  // extern "C"
