// Definition trees in memory. A tree owns its text and an arena that holds
// every node and string of it, so a tree of millions of nodes costs two
// allocations per chunk rather than several per node, and releasing it
// touches no node.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "velmora/definition.h"

// One statement, list element, block or file. Plain data, 48 bytes: nodes
// live in their tree's arena and are never destroyed one by one. Texts are
// below 2^30 bytes, so lengths and counts leave room for the flags.
struct VLM_DEFINITION_NODE {
  VLM_DEFINITION_NODE* parent = nullptr;
  // Name and value are seen in place in the tree's text, and copied
  // zero-ended into the arena only when a caller asks for a C string.
  const char* name = "";
  const char* value = "";
  VLM_DEFINITION_NODE** children = nullptr;
  uint32_t nameLength : 30 = 0;
  uint32_t nameTerminated : 1 = 1;
  uint32_t valueTerminated : 1 = 1;
  uint32_t valueLength : 30 = 0;
  uint32_t container : 1 = 0;  // the parser filled the children (block, list, root)
  uint32_t root : 1 = 0;       // the node is a DefinitionTree
  uint32_t childCount : 30 = 0;
  uint32_t detached : 1 = 0;   // taken out of its tree by VLM_FreeDefinitionNode
  uint32_t indexed : 1 = 0;    // has a name index in DefinitionState
  uint32_t position : 30 = 0;  // index among the parent's children
  uint32_t spare : 2 = 0;

  std::string_view Name() const { return {name, nameLength}; }
  std::string_view Value() const { return {value, valueLength}; }
};
static_assert(sizeof(VLM_DEFINITION_NODE) == 48, "nodes stay small: files hold millions");

namespace vlm {

// Longest text a tree holds.
constexpr size_t kMaxDefinitionText = (size_t(1) << 30) - 1;

// Bump allocator; memory is returned when the arena dies.
class DefinitionArena {
 public:
  DefinitionArena() = default;
  ~DefinitionArena();
  DefinitionArena(const DefinitionArena&) = delete;
  DefinitionArena& operator=(const DefinitionArena&) = delete;

  // `align` is a power of two.
  void* Allocate(size_t bytes, size_t align) {
    const size_t pad = (0 - reinterpret_cast<uintptr_t>(cursor_)) & (align - 1);
    if (pad + bytes <= left_) {
      std::byte* result = cursor_ + pad;
      cursor_ = result + bytes;
      left_ -= pad + bytes;
      return result;
    }
    return AllocateSlow(bytes, align);
  }
  template <class T>
  T* New() {
    return new (Allocate(sizeof(T), alignof(T))) T();
  }
  // Zero-ended copy.
  const char* Copy(const char* text, size_t length);
  size_t Reserved() const { return reserved_; }

 private:
  void* AllocateSlow(size_t bytes, size_t align);
  std::byte* NewChunk(size_t size);

  struct Chunk {
    std::byte* data;
    size_t size;
    bool mapped;  // straight from the system (large chunks), else from new
  };
  std::vector<Chunk> chunks_;
  std::byte* cursor_ = nullptr;
  size_t left_ = 0;
  size_t nextChunk_ = 4096;
  size_t reserved_ = 0;
};

// A root node together with everything its tree owns.
struct DefinitionTree : VLM_DEFINITION_NODE {
  DefinitionTree() { root = 1; }
  DefinitionTree(const DefinitionTree&) = delete;
  DefinitionTree& operator=(const DefinitionTree&) = delete;

  std::string text;       // the parsed text (UTF-8); list values point into it
  std::string directory;  // with its trailing separator, or empty
  DefinitionArena arena;
  std::vector<const VLM_DEFINITION_NODE*> indexedNodes;  // their name indexes die with the tree
};

}  // namespace vlm
