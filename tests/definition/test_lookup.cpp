// Lookups by path, child access, directories and release of trees.
#include <gtest/gtest.h>

#include <string>

#include "definition/definition_state.h"
#include "definition_test_util.h"
#include "support/test_support.h"
#include "velmora/definition.h"

namespace {

using deftest::Dump;
using deftest::Tree;

std::string ValueOf(VLM_DEFINITION_NODE* node) {
  return node ? VLM_ReadDefinitionString(node, "") : "<none>";
}

TEST(DefinitionLookup, DirectAndSearchPaths) {
  Tree t(
      "Top: 0\n"
      "A: a1 {\n  B: b1 {\n    C: deep\n  }\n  C: c1\n}\n"
      "A: a2 {\n  D: d2\n}\n"
      "C: top\n");
  // A search finds the first node of the name depth first, a node's own
  // sub-tree before its next sibling.
  EXPECT_EQ(ValueOf(t("C")), "deep");
  EXPECT_EQ(ValueOf(t("\\C")), "top");
  EXPECT_EQ(ValueOf(t("\\A\\C")), "c1");
  EXPECT_EQ(ValueOf(t("\\A\\B\\C")), "deep");
  // A mixed path searches for the first part and then takes direct children.
  EXPECT_EQ(ValueOf(t("B\\C")), "deep");
  EXPECT_EQ(ValueOf(t("A\\C")), "c1");
  // Only the first child of a name is tried in direct mode.
  EXPECT_EQ(ValueOf(t("\\A\\D")), "<none>");
  // A search moves on to later nodes of the name.
  EXPECT_EQ(ValueOf(t("A\\D")), "d2");
  EXPECT_EQ(ValueOf(t("Missing")), "<none>");
  EXPECT_EQ(t("Missing", "", 1), t.root());
  // A node that has the searched name is found itself.
  VLM_DEFINITION_NODE* a = t("\\A");
  EXPECT_EQ(VLM_FindDefinitionNode(a, "A", "", 0), a);
  // An empty path, or one ending in "\", stops at the node reached.
  EXPECT_EQ(VLM_FindDefinitionNode(a, "", "", 0), a);
  EXPECT_EQ(ValueOf(t("\\A\\")), "a1");
  EXPECT_EQ(VLM_FindDefinitionNode(nullptr, "A", "", 1), nullptr);
}

TEST(DefinitionLookup, ValueFilterAndFallback) {
  Tree t(
      "Texture: Oak {\n  File: Wood\n}\n"
      "Library {\n  Material: Wood {\n    Texture[0]: Stone\n  }\n  Material: Stone {\n    Shine: 2\n  }\n}\n");
  VLM_DEFINITION_NODE* stone = t("Material", "Stone");
  ASSERT_NE(stone, nullptr);
  EXPECT_EQ(ValueOf(VLM_FindDefinitionNode(stone, "\\Shine", "", 0)), "2");
  // The filter applies to the node the path ends at: the leaf with the value
  // "Stone" inside the material "Wood" is not a material, nor is the "File:
  // Wood" leaf a texture.
  EXPECT_EQ(ValueOf(t("Material", "Wood")), "Wood");
  EXPECT_EQ(t("Texture", "Wood", 1), t.root());
  EXPECT_EQ(t("Texture", "Wood", 0), nullptr);
  EXPECT_EQ(ValueOf(t("\\Texture", "Oak")), "Oak");
  EXPECT_EQ(t("\\Texture", "Pine"), nullptr);
  // "Library {" has no name: the word is its value.
  EXPECT_EQ(t("\\Library"), nullptr);
  VLM_DEFINITION_NODE* library = VLM_GetDefinitionChild(t.root(), 1);
  EXPECT_STREQ(VLM_ReadDefinitionString(library, ""), "Library");
  // Direct mode tries the first "Material" only.
  EXPECT_EQ(VLM_FindDefinitionNode(library, "\\Material", "Stone", 0), nullptr);
  EXPECT_EQ(VLM_FindDefinitionNode(library, "\\Material", "Wood", 0), t("Material"));
  // A block handed over directly is found through the fallback.
  VLM_DEFINITION_NODE* texture = t("\\Texture");
  EXPECT_EQ(VLM_FindDefinitionNode(texture, "Texture", "", 1), texture);
  EXPECT_EQ(VLM_FindDefinitionNode(library, "Texture", "", 1), library);
}

TEST(DefinitionLookup, RepeatedNamesChildrenAndCounts) {
  Tree t("N: n {\n  X: 1\n  Y: y\n  X: 2\n}\n");
  VLM_DEFINITION_NODE* n = t("N");
  EXPECT_EQ(ValueOf(VLM_FindDefinitionNode(n, "\\X", "", 0)), "1");
  EXPECT_EQ(VLM_CountDefinitionChildren(n, "X"), 2);
  EXPECT_EQ(VLM_CountDefinitionChildren(n, ""), 3);
  EXPECT_EQ(VLM_CountDefinitionChildren(n, nullptr), 3);
  EXPECT_EQ(VLM_CountDefinitionChildren(n, "x"), 0);
  EXPECT_EQ(VLM_CountDefinitionChildren(nullptr, ""), 0);
  EXPECT_EQ(ValueOf(VLM_GetDefinitionChild(n, -1)), "2");
  EXPECT_EQ(ValueOf(VLM_GetDefinitionChild(n, -3)), "1");
  EXPECT_EQ(VLM_GetDefinitionChild(n, -4), nullptr);
  EXPECT_EQ(VLM_GetDefinitionChild(n, 3), nullptr);
  EXPECT_EQ(VLM_GetDefinitionChild(n, INT32_MIN), nullptr);
  EXPECT_EQ(ValueOf(VLM_NextDefinitionNode(VLM_GetDefinitionChild(n, 0))), "y");
  EXPECT_EQ(VLM_NextDefinitionNode(VLM_GetDefinitionChild(n, 2)), nullptr);
  EXPECT_EQ(VLM_NextDefinitionNode(t.root()), nullptr);
  EXPECT_STREQ(VLM_GetDefinitionName(VLM_GetDefinitionChild(n, 1)), "Y");
}

// Removing a child keeps lookups true to the tree: a direct lookup finds the
// next child of that name, in narrow nodes and in indexed wide ones alike.
TEST(DefinitionLookup, FreeingChildren) {
  for (int extra : {0, 40}) {
    std::string text = "N: n {\n  X: 1\n";
    for (int i = 0; i < extra; ++i) text += "  K" + std::to_string(i) + ": " + std::to_string(i) + "\n";
    text += "  X: 2\n  Z: z\n}\n";
    Tree t(text);
    VLM_DEFINITION_NODE* n = t("N");
    VLM_DEFINITION_NODE* first = VLM_FindDefinitionNode(n, "\\X", "", 0);
    ASSERT_EQ(ValueOf(first), "1") << extra;
    if (extra) {
      EXPECT_EQ(ValueOf(VLM_FindDefinitionNode(n, "\\K39", "", 0)), "39");
    }
    VLM_FreeDefinitionNode(first, 0);
    EXPECT_EQ(ValueOf(VLM_FindDefinitionNode(n, "\\X", "", 0)), "2") << extra;
    EXPECT_EQ(VLM_CountDefinitionChildren(n, ""), extra + 2);
    EXPECT_EQ(ValueOf(VLM_GetDefinitionChild(n, -1)), "z");
    EXPECT_EQ(ValueOf(VLM_NextDefinitionNode(VLM_GetDefinitionChild(n, -2))), "z");
    // Freeing it again, or a node below it, changes nothing.
    VLM_FreeDefinitionNode(first, 0);
    VLM_FreeDefinitionNode(first, 1);
    EXPECT_EQ(VLM_CountDefinitionChildren(n, ""), extra + 2);
    VLM_FreeDefinitionNode(VLM_FindDefinitionNode(n, "\\X", "", 0), 0);
    EXPECT_EQ(VLM_FindDefinitionNode(n, "\\X", "", 0), nullptr);
    EXPECT_EQ(VLM_FindDefinitionNode(n, "X", "", 0), nullptr);
  }
}

TEST(DefinitionLookup, ReleasingTrees) {
  auto& state = vlm::Definitions();
  const size_t before = state.trees.size();
  VLM_DEFINITION_NODE* a = VLM_ParseDefinitionText("A { B: 1 }", "");
  VLM_DEFINITION_NODE* b = VLM_ParseDefinitionText("C: 2", "");
  EXPECT_EQ(state.trees.size(), before + 2);
  // Any node of a tree releases the whole tree.
  VLM_FreeDefinitionNode(VLM_FindDefinitionNode(a, "B", "", 0), 1);
  EXPECT_EQ(state.trees.size(), before + 1);
  // A root is released as a root, and only once.
  VLM_FreeDefinitionNode(b, 0);
  VLM_FreeDefinitionNode(b, 0);
  VLM_FreeDefinitionNode(a, 1);
  EXPECT_EQ(state.trees.size(), before);
  VLM_FreeDefinitionNode(nullptr, 1);
}

TEST(DefinitionLookup, FilesDirectoriesAndTheLastFile) {
  vlmtest::TempDir dir;
  std::filesystem::create_directories(dir.Path() / "sub");
  vlmtest::WriteFile(dir.File("sub/x.vld"), "Block { Inner { Key: 1 } }\n");
  auto& state = vlm::Definitions();

  // Both separators work; the directory keeps the caller's notation.
  const std::string name = dir.Path().string() + "\\sub\\x.vld";
  VLM_DEFINITION_NODE* root = VLM_LoadDefinitionFile(name.c_str());
  ASSERT_NE(root, nullptr);
  const std::string directory = dir.Path().string() + "\\sub\\";
  EXPECT_EQ(VLM_GetDefinitionDirectory(VLM_FindDefinitionNode(root, "Key", "", 0)), directory);
  EXPECT_EQ(VLM_GetDefinitionDirectory(root), directory);
  EXPECT_STREQ(VLM_GetDefinitionDirectory(nullptr), "");
  EXPECT_EQ(state.lastTree, root);
  EXPECT_EQ(state.lastFileName, "x.vld");
  EXPECT_EQ(state.lastDirectory, directory);

  // Released through a node, the last file's tree is forgotten, so that
  // releasing the last file afterwards does not release it twice.
  VLM_FreeDefinitionNode(VLM_FindDefinitionNode(root, "Key", "", 0), 1);
  EXPECT_EQ(state.lastTree, nullptr);
  VLM_FreeDefinitionFile();
  EXPECT_EQ(state.lastFileName, "");

  root = VLM_LoadDefinitionFile(dir.File("sub/x.vld").c_str());
  const size_t loaded = state.trees.size();
  VLM_FreeDefinitionFile();
  EXPECT_EQ(state.trees.size(), loaded - 1);
  EXPECT_EQ(state.lastTree, nullptr);
  EXPECT_EQ(state.lastDirectory, "");

  // A missing file gives none but is still recorded as the last file.
  EXPECT_EQ(VLM_LoadDefinitionFile(dir.File("none/missing.vld").c_str()), nullptr);
  EXPECT_EQ(state.lastFileName, "missing.vld");
  EXPECT_EQ(state.lastDirectory, dir.File("none/"));
  EXPECT_EQ(VLM_LoadDefinitionFile("\"quoted\\name.vld"), nullptr);
  EXPECT_EQ(state.lastDirectory, "quoted\\");
  EXPECT_EQ(state.lastFileName, "name.vld");
  // Directories and pipes are not files.
  EXPECT_EQ(VLM_LoadDefinitionFile(dir.File("sub").c_str()), nullptr);
  EXPECT_EQ(VLM_LoadDefinitionFile(nullptr), nullptr);
  // Text parsed from memory has the directory it is given.
  root = VLM_ParseDefinitionText("A: 1", "base/");
  EXPECT_STREQ(VLM_GetDefinitionDirectory(VLM_GetDefinitionChild(root, 0)), "base/");
  VLM_FreeDefinitionNode(root, 0);
}

TEST(DefinitionLookup, ListValuesAreWholeStrings) {
  Tree t("Mode: LOOP, STREAM\nNext: 1");
  VLM_DEFINITION_NODE* mode = t("Mode");
  EXPECT_STREQ(VLM_ReadDefinitionString(mode, ""), "LOOP, STREAM");
  EXPECT_EQ(Dump(mode), "Mode=LOOP, STREAM[=LOOP|=STREAM]");
  // The string stays put while the tree lives.
  const char* first = VLM_ReadDefinitionString(mode, "");
  EXPECT_EQ(VLM_ReadDefinitionString(mode, ""), first);
  EXPECT_STREQ(VLM_ReadDefinitionString(nullptr, "fallback"), "fallback");
  EXPECT_EQ(VLM_ReadDefinitionString(nullptr, nullptr), nullptr);
}

}  // namespace
