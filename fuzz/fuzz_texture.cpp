// Fuzz target: the bytes are a raw "vlt" texture file. What the reader
// accepts must fit the file; a texture definition naming the file gives a
// texture of the header's size or none at all.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/registries.h"
#include "definition/texture_internal.h"
#include "definition/texture_material_records.h"
#include "fuzz/fuzz_require.h"
#include "fuzz/fuzz_temp_path.h"
#include "velmora.h"

namespace {

using vlmfuzz::Require;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = vlmfuzz::TempPath("fuzz_texture", ".vlt");
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  if (size) std::fwrite(data, 1, size, file);
  std::fclose(file);

  vlm::RawTextureStatus status;
  const vlm::platform::Image image = vlm::ReadRawTexture(path, &status);
  if (status == vlm::RawTextureStatus::Read) {
    Require(image && image.BytesPerPixel() == 3, "read without an RGB image");
    Require(image.SizeBytes() + 12 <= size, "more pixels than the file holds");
    int32_t width;
    std::memcpy(&width, data, 4);
    Require(image.Width() == width, "width differs from the header");
    volatile uint8_t last = image.Pixels()[image.SizeBytes() - 1];
    (void)last;
  } else {
    Require(!image, "an image from a refused file");
  }

  const std::string slash = path.substr(0, path.find_last_of('/') + 1);
  const std::string text = "Texture: Raw {\nFile: '" + path.substr(slash.size()) + "'\nMipmaps: 2\n}\n";
  VLM_DEFINITION_NODE* root = VLM_ParseDefinitionText(text.c_str(), slash.c_str());
  VLM_TEXTURE* texture = VLM_LoadTextureDefinition(-1, root, "Raw");
  Require((texture != nullptr) == (status == vlm::RawTextureStatus::Read), "record against the reader");
  if (texture) {
    Require(texture->iWidth == image.Width() && texture->iHeight == image.Height(), "record size");
    VLM_FreeTexture(texture->iHandle);
  }
  VLM_FreeDefinitionNode(root, 1);
  std::remove(path.c_str());
  return 0;
}
