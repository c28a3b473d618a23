// State of the definition reader kept in the engine context: the loaded
// trees, the last file read, the name indexes of wide nodes and the loaders
// that dispatch hands asset nodes to.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "definition/definition_tree.h"
#include "velmora/types.h"

namespace vlm {

// An asset loader as dispatch calls it: (wanted ID, asset node, name or
// directory) -> the asset or 0.
using DefinitionLoader = VLM_HANDLE (*)(VLM_HANDLE id, VLM_DEFINITION_NODE* node,
                                        const char* name);

// Stand-in for loaders that are not built yet: does nothing, gives 0.
VLM_HANDLE IgnoreDefinition(VLM_HANDLE id, VLM_DEFINITION_NODE* node, const char* name);

// The texture and material loaders in the form dispatch calls them.
VLM_HANDLE LoadTextureNode(VLM_HANDLE id, VLM_DEFINITION_NODE* node, const char* name);
VLM_HANDLE LoadMaterialNode(VLM_HANDLE id, VLM_DEFINITION_NODE* node, const char* name);

// The loaders dispatch calls for "Texture", "Material" and "Sound" nodes.
struct DefinitionLoaders {
  DefinitionLoader texture = LoadTextureNode;
  DefinitionLoader material = LoadMaterialNode;
  DefinitionLoader sound = IgnoreDefinition;
};

// First child of each name, for direct lookups in nodes with many children.
using DefinitionNameIndex = std::unordered_map<std::string_view, VLM_DEFINITION_NODE*>;

struct DefinitionState {
  std::vector<std::unique_ptr<DefinitionTree>> trees;  // every live root, in load order
  DefinitionTree* lastTree = nullptr;                  // tree of the last file load
  std::string lastFileName;                            // name and extension
  std::string lastDirectory;                           // with trailing separator
  std::unordered_map<const VLM_DEFINITION_NODE*, DefinitionNameIndex> nameIndexes;
  // Addresses of the most recently released roots, so that releasing one
  // again is recognised without reading freed memory.
  std::vector<const void*> releasedRoots;
  uint64_t releases = 0;  // counts tree releases, so a walk notices one
  DefinitionLoaders loaders;
};

DefinitionState& Definitions();

}  // namespace vlm
