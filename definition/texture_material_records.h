// Records of textures and materials.
#pragma once

#include <cstdint>
#include <vector>

#include "core/named_record.h"
#include "velmora/types.h"

struct VLM_SHADER;
struct VLM_OBJECT;
struct VLM_MESH;

namespace vlm {

// One object drawn with a material: the render queue's leaf. The renderer
// walks render list -> program -> material -> these.
struct MeshInstance {
  VLM_OBJECT* object = nullptr;
  VLM_MESH* mesh = nullptr;
};

}  // namespace vlm

struct VLM_TEXTURE : vlm::NamedRecord {
  uint32_t iTarget = 0;      // GL_TEXTURE_2D, GL_TEXTURE_CUBE_MAP or GL_TEXTURE_2D_ARRAY
  uint32_t iTexture = 0;     // GL texture object; 0 without a GL context
  int32_t iMipmaps = 0;      // highest mipmap level (GL_TEXTURE_MAX_LEVEL); 0 none
  int32_t iWidth = 0;        // pixels of the (first) image
  int32_t iHeight = 0;
  int32_t aiRegion[4] = {};  // x, y, width, height used by 2D drawing
  int32_t iLayers = 0;       // layers of an array texture, else 0
  // 1 when the 2D image was loaded whole and no texel has alpha 0: an alpha
  // test against it never discards. Any later upload into it clears it.
  int32_t iOpaque = 0;
};

// Texture slots of a material.
enum VLM_MATERIAL_SLOT {
  VLM_SLOT_COLOUR,
  VLM_SLOT_NORMAL,
  VLM_SLOT_SPECULAR,
  VLM_SLOT_MASK,
  VLM_SLOT_CUBE,
  VLM_SLOT_COUNT
};

// Texture pointers stay valid: releasing a texture clears every slot that
// refers to it (VLM_FreeTexture walks the materials).
struct VLM_MATERIAL : vlm::NamedRecord {
  VLM_SHADER* pShader = nullptr;                // the built-in program it is drawn with
  VLM_TEXTURE* apTextures[VLM_SLOT_COUNT] = {};  // by VLM_MATERIAL_SLOT; null for none
  v4f v4fColor{1, 1, 1, 1};                     // vColor, 0..1
  float fShine = 1.0f;
  v4f v4fShineColor{1, 1, 1, 1};
  float fHardness = 1.0f;                       // blend distance for program 39
  float fReflection = 0.0f;
  float fRefraction = 0.05f;
  float fSurfaceScattering = 0.0f;
  int32_t iDepthMask = 1;                       // depth writes on
  int32_t iBackFaceCulling = 1;
  int32_t iWireframe = 0;
  uint32_t iBlendSource = 0x0302;               // GL_SRC_ALPHA
  uint32_t iBlendDestination = 0x0303;          // GL_ONE_MINUS_SRC_ALPHA
  std::vector<vlm::MeshInstance> instances;     // objects drawn with this material
};
