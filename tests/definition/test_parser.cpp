// The definition parser: the shapes that text produces, comments, quotes,
// lists, broken text and encodings.
#include <gtest/gtest.h>

#include <string>

#include "definition/definition_tree.h"
#include "definition_test_util.h"
#include "velmora/definition.h"

namespace {

using deftest::BytesShape;
using deftest::Shape;

struct ShapeCase {
  const char* text;
  const char* shape;
};

TEST(DefinitionParser, TableOfShapes) {
  const ShapeCase cases[] = {
      {"Range: 128", "Range=128"},
      {"Color: 1, 0.5, 0", "Color=1, 0.5, 0[=1|=0.5|=0]"},
      {"Mesh: Box {\n  A: 1\n  B: 2\n}", "Mesh=Box[A=1|B=2]"},
      // Without a colon the word is a value, not a name.
      {"Light {\n}", "=Light[]"},
      {"File: 'My Textures\\wood.png'", "File=My Textures\\wood.png"},
      {"a: 1; b: 2", "a=1|b=2"},
      {"Faces: 2 {\n\t\t0,1,2\n\t\t2,1,3\n}", "Faces=2[=0,1,2[=0|=1|=2]|=2,1,3[=2|=1|=3]]"},
      {"A: 1\r\n\tB: 2\r\n", "A=1|B=2"},
      {"hello", "=hello"},
      {"", ""},
      {" \r\n\t\n;;", ""},
  };
  for (const ShapeCase& c : cases) EXPECT_EQ(Shape(c.text), c.shape) << c.text;
}

TEST(DefinitionParser, ContainerFlagMarksBlocksListsAndRoots) {
  deftest::Tree tree("Leaf: 1\nList: 1, 2\nBlock: x {\n}\n");
  EXPECT_EQ(int(tree.root()->container), 1);
  EXPECT_EQ(int(tree("\\Leaf")->container), 0);
  EXPECT_EQ(int(tree("\\List")->container), 1);
  EXPECT_EQ(int(tree("\\Block")->container), 1);
  EXPECT_EQ(VLM_GetDefinitionParent(tree("\\Leaf")), tree.root());
  EXPECT_EQ(VLM_GetDefinitionParent(tree.root()), nullptr);
}

TEST(DefinitionParser, Comments) {
  EXPECT_EQ(Shape("Key: value // comment"), "Key=value");
  EXPECT_EQ(Shape("Key: value // comment\nNext: 2"), "Key=value|Next=2");
  EXPECT_EQ(Shape("Path: a/b"), "Path=a/b");
  // Pieces around a block comment are trimmed and joined without space.
  EXPECT_EQ(Shape("Key: a /* x */ b"), "Key=ab");
  // The comment hides the line feed, so "1" and "B" join into one name.
  EXPECT_EQ(Shape("A: 1 /* spans\nlines; {}: */ B: 2"), "1B=2");
  EXPECT_EQ(Shape("/**/A: 1"), "A=1");
  // "/*/" does not close the comment it opens.
  EXPECT_EQ(Shape("A: 1\nB: /*/ 2"), "A=1");
  // A line comment at the very end keeps its statement.
  EXPECT_EQ(Shape("A: 1 // end"), "A=1");
  EXPECT_EQ(Shape("A: 1, 2 // end"), "A=1, 2 // end[=1|=2]");
}

TEST(DefinitionParser, Quotes) {
  EXPECT_EQ(Shape("Key: 'a b' // c"), "Key=a b");
  EXPECT_EQ(Shape("Name: x'abc'y"), "Name=abcy");
  EXPECT_EQ(Shape("Name: 'a' 'b'"), "Name=b");
  // Quoted text is kept verbatim, structural characters and spaces included.
  EXPECT_EQ(Shape("Q: ' a: b, c; {d}\ne // f '"), "Q= a: b, c; {d}\ne // f ");
  // Empty quoted text is an empty value, and an empty value makes no node.
  EXPECT_EQ(Shape("A: ''\nB: 1"), "B=1");
  EXPECT_EQ(Shape("'Odd name': 5"), "Odd name=5");
}

TEST(DefinitionParser, ColonsAndNames) {
  // A colon with nothing before it keeps the earlier name.
  EXPECT_EQ(Shape("A: : 5"), "A=5");
  EXPECT_EQ(Shape("A: B: 5"), "B=5");
  EXPECT_EQ(Shape("A:\nB: 5"), "B=5");
  EXPECT_EQ(Shape(": 5"), "=5");
}

TEST(DefinitionParser, Lists) {
  EXPECT_EQ(Shape("L: 1, b: 2"), "L=1, b: 2[=1|b=2]");
  EXPECT_EQ(Shape("L: , 1"), "L=, 1[=1]");
  EXPECT_EQ(Shape("L: 1,,2,"), "L=1,,2,[=1|=2]");
  EXPECT_EQ(Shape("L: 1, 2; M: 3"), "L=1, 2[=1|=2]|M=3");
  // A list ends at the brace that closes its block.
  EXPECT_EQ(Shape("B {\n x: 1, 2}\nC: 3"), "=B[x=1, 2[=1|=2]]|C=3");
  // A block inside a list is one element.
  EXPECT_EQ(Shape("A: 1, { B: 2 }, 3"), "A=1, { B: 2 }, 3[=1|=[B=2]|=3]");
  EXPECT_EQ(Shape("A: 1, 'x, y', 2"), "A=1, 'x, y', 2[=1|=x, y|=2]");
}

TEST(DefinitionParser, BrokenText) {
  // An unclosed block ends with the text.
  EXPECT_EQ(Shape("A: x { B: 1"), "A=x[B=1]");
  EXPECT_EQ(Shape("A { B { C { D: 1"), "=A[=B[=C[D=1]]]");
  // A stray brace at the top ends the file.
  EXPECT_EQ(Shape("A: 1\n}\nB: 2"), "A=1");
  EXPECT_EQ(Shape("a, b } c: 1"), "=a, b[=a|=b]");
  // An unclosed quote or block comment stops everything and drops the
  // statement being collected.
  EXPECT_EQ(Shape("X: 'abc"), "");
  EXPECT_EQ(Shape("A: 1\nX: 'abc\nB: 2"), "A=1");
  EXPECT_EQ(Shape("A: 1\nB: 2 /* never closed\nC: 3"), "A=1");
  EXPECT_EQ(Shape("A { B: 1\nC: 'x"), "=A[B=1]");
  EXPECT_EQ(Shape("L: 1, 2, 'x"), "L=[=1|=2]");
}

TEST(DefinitionParser, EncodingsFromTheByteOrderMark) {
  const std::string plain = "Texture: Caf\xC3\xA9 {\r\n\tFile: 'a b.png'\r\n}\r\n";
  const std::string expected = "Texture=Caf\xC3\xA9[File=a b.png]";
  EXPECT_EQ(BytesShape("\xEF\xBB\xBF" + plain), expected);
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("Texture: Caf")) utf16 += {c, '\0'};
  utf16 += std::string("\xE9\0", 2);
  for (char c : std::string(" {\r\n\tFile: 'a b.png'\r\n}\r\n")) utf16 += {c, '\0'};
  EXPECT_EQ(BytesShape(utf16), expected);
  // Without a mark every byte is one Latin-1 character.
  EXPECT_EQ(BytesShape("Texture: Caf\xE9 {\r\n\tFile: 'a b.png'\r\n}\r\n"), expected);
  EXPECT_EQ(BytesShape(plain), "Texture=Caf\xC3\x83\xC2\xA9[File=a b.png]");
}

TEST(DefinitionParser, DamagedEncodings) {
  // A surrogate pair, a lone surrogate, and an odd last byte.
  const std::string utf16 = std::string("\xFF\xFE" "A\0:\0 \0", 8) + std::string("\x3D\xD8\x00\xDE\x00\xD8x", 7);
  EXPECT_EQ(BytesShape(utf16), "A=\xF0\x9F\x98\x80\xEF\xBF\xBD");
  // Invalid UTF-8 after a mark becomes U+FFFD.
  EXPECT_EQ(BytesShape("\xEF\xBB\xBF" "A: \xC0\xAF\xFF"), "A=\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  // The text ends at a NUL character.
  EXPECT_EQ(BytesShape(std::string("A: 1\0B: 2", 9)), "A=1");
  EXPECT_EQ(BytesShape(std::string("\xFF\xFE" "A\0\0\0B\0", 8)), "=A");
  EXPECT_EQ(BytesShape(""), "");
  EXPECT_EQ(BytesShape("\xFF"), "=\xC3\xBF");
}

TEST(DefinitionParser, DeepNestingNeitherOverflowsNorSlowsDown) {
  const int depth = 300000;
  std::string text(depth, '{');
  text += "K: v";
  VLM_DEFINITION_NODE* root = VLM_ParseDefinitionText(text.c_str(), "");
  VLM_DEFINITION_NODE* deepest = VLM_FindDefinitionNode(root, "K", "", 0);
  ASSERT_NE(deepest, nullptr);
  int levels = 0;
  for (VLM_DEFINITION_NODE* n = deepest; VLM_GetDefinitionParent(n); n = VLM_GetDefinitionParent(n)) ++levels;
  EXPECT_EQ(levels, depth + 1);
  VLM_DispatchDefinitions(root, VLM_DEFINITION_ALL);
  EXPECT_EQ(VLM_FindDefinitionNode(root, "Missing", "", 0), nullptr);
  VLM_FreeDefinitionNode(deepest, 1);

  // Lists and blocks nested in turn: each list's raw text covers the rest,
  // which must not be copied once per level.
  std::string mixed;
  for (int i = 0; i < 100000; ++i) mixed += "a,{";
  root = VLM_ParseDefinitionText(mixed.c_str(), "");
  auto* tree = static_cast<vlm::DefinitionTree*>(root);
  EXPECT_LT(tree->arena.Reserved(), size_t(64) << 20);
  VLM_FreeDefinitionNode(root, 0);
}

}  // namespace
