// Fuzz target: the bytes are a definition file of materials and textures,
// read from a folder that holds a small PNG ("p.png") and raw texture
// ("r.vlt"). Every material block is loaded by name, the whole tree is
// dispatched, then everything made is released again.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "fuzz/fuzz_require.h"
#include "fuzz/fuzz_temp_path.h"
#include "platform/image.h"
#include "velmora.h"

namespace {

using vlmfuzz::Require;

// The folder with the files the definitions may name, made once.
const std::string& Folder() {
  static const std::string folder = [] {
    std::string dir = vlmfuzz::TempPath("fuzz_material", "");
    ::mkdir(dir.c_str(), 0700);
    dir += "/";
    const uint8_t rgb[2 * 2 * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
    const std::vector<uint8_t> png = vlm::platform::EncodePng(rgb, 2, 2, 3, 6);
    if (FILE* f = std::fopen((dir + "p.png").c_str(), "wb")) {
      std::fwrite(png.data(), 1, png.size(), f);
      std::fclose(f);
    }
    const uint8_t raw[12 + 6] = {2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6};
    if (FILE* f = std::fopen((dir + "r.vlt").c_str(), "wb")) {
      std::fwrite(raw, 1, sizeof raw, f);
      std::fclose(f);
    }
    return dir;
  }();
  return folder;
}

void CheckMaterial(const VLM_MATERIAL* material) {
  for (const VLM_TEXTURE* texture : material->apTextures)
    Require(!texture || vlm::TextureRegistry().Resolve(texture->iHandle) == texture, "dangling slot");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VLM_DEFINITION_NODE* root = VLM_CatchDefinitionFile(data, size, Folder().c_str());
  std::vector<std::string> names;
  std::vector<VLM_DEFINITION_NODE*> stack{root};
  while (!stack.empty() && names.size() < 64) {
    VLM_DEFINITION_NODE* node = stack.back();
    stack.pop_back();
    if (std::string(VLM_GetDefinitionName(node)) == "Material")
      names.push_back(VLM_ReadDefinitionString(node, ""));
    for (int32_t i = VLM_CountDefinitionChildren(node, "") - 1; i >= 0; --i)
      stack.push_back(VLM_GetDefinitionChild(node, i));
  }
  for (const std::string& name : names)
    if (VLM_MATERIAL* material = VLM_LoadMaterialDefinition(-1, root, name.c_str())) CheckMaterial(material);
  VLM_DispatchDefinitions(root, VLM_DEFINITION_ALL);
  vlm::MaterialRegistry().ForEach(CheckMaterial);
  // Textures first: their release must leave every material slot empty.
  for (VLM_TEXTURE* texture : vlm::TextureRegistry().Records()) VLM_FreeTexture(texture->iHandle);
  vlm::MaterialRegistry().ForEach([](const VLM_MATERIAL* material) {
    for (const VLM_TEXTURE* texture : material->apTextures) Require(!texture, "slot kept a released texture");
  });
  for (VLM_MATERIAL* material : vlm::MaterialRegistry().Records()) VLM_FreeMaterial(material->iHandle);
  VLM_FreeDefinitionNode(root, 1);
  return 0;
}
