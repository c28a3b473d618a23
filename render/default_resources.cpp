// The engine's built-in textures and materials, from the images compiled
// into the library.
#include "render/default_resources.h"

#include <cstddef>

#include "core/builtin_images.h"
#include "definition/texture_material_records.h"
#include "render/element_record.h"
#include "render/render_state.h"
#include "velmora/math.h"
#include "velmora/shader.h"
#include "velmora/texture.h"

namespace vlm::render {

namespace {

constexpr int kGLLinear = 0x2601;
constexpr intptr_t kNoTexture = -2;  // resolves to no texture, unlike ID 0

// Handles of records made with ID -1 are their addresses, never 0.
template <class Record>
intptr_t HandleOf(const Record* record) {
  return record ? record->iHandle : 0;
}

// Built-in resources carry no names, so a user's texture or material of
// any name never replaces one of them.
VLM_TEXTURE* CatchBuiltin(const builtin::BuiltinImage& image, int filter) {
  return VLM_CatchTexture(-1, image.bytes, image.size, filter, "");
}

}  // namespace

void CreateDefaultResources() {
  DefaultResources& defaults = Render().defaults;
  defaults = DefaultResources{};
  defaults.texture = HandleOf(CatchBuiltin(builtin::kDefaultTextureImage, kGLLinear));
  VLM_MATERIAL* material = VLM_CreateMaterial(-1, defaults.texture ? defaults.texture : kNoTexture,
                                              VLM_PROGRAM_2D_DEFAULT, "");
  if (material) VLM_v4fFromColor(&material->v4fColor, 0x80FFFFFFu);
  defaults.material = HandleOf(material);
  const intptr_t logo = HandleOf(CatchBuiltin(builtin::kLogoImage, kGLLinear));
  defaults.logoMaterial =
      HandleOf(VLM_CreateMaterial(-1, logo ? logo : kNoTexture, VLM_PROGRAM_2D_DEFAULT, ""));
  if (defaults.logoMaterial) CreateLogoElement(defaults.logoMaterial);
  defaults.substituteTextures[0] = HandleOf(CatchBuiltin(builtin::kSubstituteColourImage, VLM_DEFAULT));
  defaults.substituteTextures[1] = HandleOf(CatchBuiltin(builtin::kSubstituteNormalImage, VLM_DEFAULT));
  defaults.substituteTextures[2] = HandleOf(CatchBuiltin(builtin::kSubstituteSpecularImage, VLM_DEFAULT));
  const void* faces[6];
  size_t sizes[6];
  for (int face = 0; face < 6; ++face) {
    faces[face] = builtin::kSkyImages[face].bytes;
    sizes[face] = builtin::kSkyImages[face].size;
  }
  defaults.cubeMap = HandleOf(VLM_CatchCubeMapTexture(-1, faces, sizes, VLM_DEFAULT, 0, ""));
  defaults.material3D = HandleOf(VLM_CreateMaterial(-1, -1, VLM_PROGRAM_3D_DEFAULT, ""));
  defaults.particleMaterial = HandleOf(VLM_CreateMaterial(-1, -1, VLM_PROGRAM_PARTICLE, ""));
}

}  // namespace vlm::render
