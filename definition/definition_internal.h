// Internals shared by the definition sources (and their tests).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "definition/definition_tree.h"

namespace vlm {

// UTF-8 text of a definition file from its bytes: a UTF-8 or UTF-16 LE
// byte-order mark selects that encoding (invalid sequences become U+FFFD),
// anything else is Latin-1. The text ends at the first NUL character.
std::string DecodeDefinitionBytes(const unsigned char* bytes, size_t size);

// Parses tree.text into the (empty) tree.
void ParseDefinitionTree(DefinitionTree& tree);

// Makes a tree of `text`, parses it and appends it to the loaded trees.
DefinitionTree* AddDefinitionTree(std::string text, std::string directory);

// The tree a node belongs to, or null for a node taken out of its tree.
DefinitionTree* DefinitionTreeOf(VLM_DEFINITION_NODE* node);

// Releases a loaded tree; nothing when it is not (or no longer) loaded.
void ReleaseDefinitionTree(const VLM_DEFINITION_NODE* root);

// The node's value and name, zero-ended.
const char* DefinitionValue(VLM_DEFINITION_NODE* node);
const char* DefinitionName(VLM_DEFINITION_NODE* node);

// Directory part of a file name (up to and including the last "\" or "/",
// a leading double quote skipped) and the file-name part after it.
std::string_view DefinitionDirectoryPart(std::string_view fileName);
std::string_view DefinitionFilePart(std::string_view fileName);

// A file name in the engine's notation ("\" or "/") as the system takes it.
std::string SystemPath(std::string_view fileName);

}  // namespace vlm
