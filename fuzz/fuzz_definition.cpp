// Fuzz target: the bytes are a definition file held in memory. The tree it
// gives is walked with every reader and lookup, partly taken apart and
// released.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "velmora.h"

namespace {

void Exercise(VLM_DEFINITION_NODE* root) {
  std::vector<VLM_DEFINITION_NODE*> stack{root};
  std::vector<VLM_DEFINITION_NODE*> all;
  while (!stack.empty()) {
    VLM_DEFINITION_NODE* node = stack.back();
    stack.pop_back();
    all.push_back(node);
    v4f v{0, 0, 0, 0};
    float range[2] = {0, 0};
    VLM_ReadDefinitionVector(node, &v, 1, 2, 3, VLM_DEFAULTF);
    VLM_ReadDefinitionVector(node, &v, 1, 2, 3, 4);
    VLM_ReadDefinitionColour(node, &v, 0xFFFFFFFFu);
    VLM_ReadDefinitionColour(node, nullptr, 0);
    VLM_ReadDefinitionInteger(node, 0);
    VLM_ReadDefinitionFloat(node, 0);
    VLM_ReadDefinitionRange(node, range, 1, VLM_DEFAULTF);
    VLM_ReadDefinitionString(node, "");
    VLM_GetDefinitionDirectory(node);
    VLM_NextDefinitionNode(node);
    VLM_GetDefinitionChild(node, -1);
    VLM_CountDefinitionChildren(node, VLM_GetDefinitionName(node));
    for (int32_t i = VLM_CountDefinitionChildren(node, "") - 1; i >= 0; --i) {
      stack.push_back(VLM_GetDefinitionChild(node, i));
    }
  }
  // Lookups with the names and values found in the tree.
  const size_t lookups = all.size() < 48 ? all.size() : 48;
  for (size_t i = 0; i < lookups; ++i) {
    VLM_DEFINITION_NODE* node = all[i * all.size() / lookups];
    const std::string name = VLM_GetDefinitionName(node);
    const std::string value = VLM_ReadDefinitionString(node, "");
    VLM_FindDefinitionNode(root, name.c_str(), "", 0);
    VLM_FindDefinitionNode(root, name.c_str(), value.c_str(), 1);
    VLM_FindDefinitionNode(root, ("\\" + name).c_str(), "", 0);
    VLM_FindDefinitionNode(root, (name + "\\" + value).c_str(), "", 0);
    VLM_FindDefinitionNode(node, ("\\" + name + "\\\\" + name).c_str(), value.c_str(), 0);
  }
  VLM_DispatchDefinitions(root, VLM_DEFINITION_ALL);
  // Lights and emitters are loaded by the application, not by dispatch.
  VLM_FreeLight(VLM_LoadLightDefinition(-1, root));
  if (VLM_PARTICLE_EMITTER* emitter = VLM_LoadParticleEmitterDefinition(-1, root)) {
    VLM_FreeParticleEmitter(reinterpret_cast<VLM_HANDLE>(emitter));
  }
  // Dispatch makes textures and materials; each run starts without them.
  for (VLM_MATERIAL* material : vlm::MaterialRegistry().Records()) VLM_FreeMaterial(material->iHandle);
  for (VLM_TEXTURE* texture : vlm::TextureRegistry().Records()) VLM_FreeTexture(texture->iHandle);
  // Take some nodes out, deepest first, then look again.
  for (size_t i = all.size(); i-- > 1;) {
    if (i % 3 == 0) VLM_FreeDefinitionNode(all[i], 0);
  }
  if (all.size() > 1) VLM_FindDefinitionNode(root, VLM_GetDefinitionName(all[1]), "", 0);
  VLM_CountDefinitionChildren(root, "");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VLM_DEFINITION_NODE* root = VLM_CatchDefinitionFile(data, size, "fuzz/");
  Exercise(root);
  VLM_FreeDefinitionNode(VLM_GetDefinitionChild(root, 0), 1);  // the whole tree via a child
  VLM_FreeDefinitionNode(root, 0);

  // The same bytes as UTF-8 text.
  const std::string text(reinterpret_cast<const char*>(data), size);
  root = VLM_ParseDefinitionText(text.c_str(), "");
  VLM_FindDefinitionNode(root, text.substr(0, 16).c_str(), "", 1);
  VLM_FreeDefinitionNode(root, 1);
  VLM_ConvertDefinitionFloat(text.data(), text.size());
  VLM_ConvertDefinitionInteger(text.data(), text.size());
  return 0;
}
