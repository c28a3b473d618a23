// Helpers of the definition tests: trees written as compact shapes.
#pragma once

#include <string>

#include "definition/definition_tree.h"
#include "velmora/definition.h"

namespace deftest {

// "name=value", then "[child|child]" for a container.
inline std::string Dump(VLM_DEFINITION_NODE* node) {
  std::string out = VLM_GetDefinitionName(node);
  out += '=';
  out += VLM_ReadDefinitionString(node, "");
  if (node->container) {
    out += '[';
    for (int32_t i = 0; i < VLM_CountDefinitionChildren(node, ""); ++i) {
      if (i) out += '|';
      out += Dump(VLM_GetDefinitionChild(node, i));
    }
    out += ']';
  }
  return out;
}

// The top-level statements of a tree, joined by "|".
inline std::string Children(VLM_DEFINITION_NODE* root) {
  std::string out;
  for (VLM_DEFINITION_NODE* child = VLM_GetDefinitionChild(root, 0); child;
       child = VLM_NextDefinitionNode(child)) {
    if (!out.empty()) out += '|';
    out += Dump(child);
  }
  return out;
}

// Shape of what a text parses into; the tree is released again.
inline std::string Shape(const std::string& text) {
  VLM_DEFINITION_NODE* root = VLM_ParseDefinitionText(text.c_str(), "");
  std::string out = Children(root);
  VLM_FreeDefinitionNode(root, 1);
  return out;
}

// Same for the bytes of a file held in memory.
inline std::string BytesShape(const std::string& bytes) {
  VLM_DEFINITION_NODE* root = VLM_CatchDefinitionFile(bytes.data(), bytes.size(), "");
  std::string out = Children(root);
  VLM_FreeDefinitionNode(root, 1);
  return out;
}

// A tree released at the end of the scope.
class Tree {
 public:
  explicit Tree(const std::string& text) : root_(VLM_ParseDefinitionText(text.c_str(), "")) {}
  ~Tree() { VLM_FreeDefinitionNode(root_, 1); }
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;
  VLM_DEFINITION_NODE* root() const { return root_; }
  VLM_DEFINITION_NODE* operator()(const char* path, const char* value = "", int fallback = 0) const {
    return VLM_FindDefinitionNode(root_, path, value, fallback);
  }

 private:
  VLM_DEFINITION_NODE* root_;
};

}  // namespace deftest
