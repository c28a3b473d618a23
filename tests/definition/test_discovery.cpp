// Definition discovery (files, directories, patterns, log rows) and the
// dispatch walk, observed through recording loaders.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "definition/definition_state.h"
#include "support/test_support.h"
#include "velmora/core.h"
#include "velmora/definition.h"

namespace {

using vlmtest::LogBody;
using vlmtest::OpenTestLog;
using vlmtest::TempDir;
using vlmtest::WriteFile;

struct Call {
  char kind;  // 'T', 'M', 'S'
  VLM_HANDLE id;
  VLM_DEFINITION_NODE* node;
  std::string name;
  std::string nodeValue;
};

std::vector<Call>& Calls() {
  static std::vector<Call> calls;
  return calls;
}

template <char Kind>
VLM_HANDLE Record(VLM_HANDLE id, VLM_DEFINITION_NODE* node, const char* name) {
  Calls().push_back({Kind, id, node, name ? name : "<null>", VLM_ReadDefinitionString(node, "")});
  return 0;
}

// Installs the recording loaders for one test and restores the engine's.
class RecordingLoaders {
 public:
  RecordingLoaders() : saved_(vlm::Definitions().loaders) {
    Calls().clear();
    auto& loaders = vlm::Definitions().loaders;
    loaders.texture = Record<'T'>;
    loaders.material = Record<'M'>;
    loaders.sound = Record<'S'>;
  }
  ~RecordingLoaders() {
    vlm::Definitions().loaders = saved_;
    // The trees of discovery stay loaded; the tests release them.
    while (!vlm::Definitions().trees.empty()) {
      VLM_FreeDefinitionNode(vlm::Definitions().trees.back().get(), 0);
    }
  }

 private:
  vlm::DefinitionLoaders saved_;
};

// "T:Stone" etc. for the calls so far; checks the ID on the way.
std::string Summary() {
  std::string out;
  for (const Call& call : Calls()) {
    EXPECT_EQ(call.id, -1);
    if (!out.empty()) out += ' ';
    out += call.kind;
    out += ':';
    out += call.name;
  }
  return out;
}

const char kAssets[] =
    "Texture: Stone {\n  File: 'stone.png'\n}\n"
    "Material: Stone {\n  Texture[0]: Stone\n  Texture[1] {\n    Texture: Inner {\n    }\n  }\n}\n"
    "Library {\n  Material: Wood {\n  }\n  Group: g {\n    Sound: Rain {\n      File: rain.ogg\n    }\n  }\n}\n"
    "material: lower {\n}\n"
    "Sound: Wind {\n  Texture: NotWalked {\n  }\n}\n";

TEST(DefinitionDispatch, WalksTheTreeAndCallsTheLoaders) {
  RecordingLoaders recording;
  VLM_DEFINITION_NODE* root = VLM_ParseDefinitionText(kAssets, "");
  VLM_DispatchDefinitions(root, VLM_DEFINITION_ALL);
  // Depth first in text order; nested blocks are entered, the children of a
  // kind node are not; names are compared exactly; sounds get no name.
  EXPECT_EQ(Summary(), "T:Stone M:Stone M:Wood S: S:");
  ASSERT_EQ(Calls().size(), 5u);
  EXPECT_EQ(Calls()[0].node, VLM_FindDefinitionNode(root, "\\Texture", "", 0));
  EXPECT_EQ(Calls()[1].node, VLM_FindDefinitionNode(root, "Material", "Stone", 0));
  EXPECT_EQ(Calls()[2].node, VLM_FindDefinitionNode(root, "Material", "Wood", 0));
  EXPECT_EQ(Calls()[3].node, VLM_FindDefinitionNode(root, "Sound", "Rain", 0));
  EXPECT_EQ(Calls()[3].nodeValue, "Rain");
  EXPECT_EQ(Calls()[4].nodeValue, "Wind");

  // Only the kinds asked for; skipped kind nodes are not entered either.
  Calls().clear();
  VLM_DispatchDefinitions(root, VLM_DEFINITION_MATERIALS);
  EXPECT_EQ(Summary(), "M:Stone M:Wood");
  Calls().clear();
  VLM_DispatchDefinitions(root, VLM_DEFINITION_TEXTURES | VLM_DEFINITION_SOUNDS | 4);
  EXPECT_EQ(Summary(), "T:Stone S: S:");
  Calls().clear();
  VLM_DispatchDefinitions(root, 4);
  VLM_DispatchDefinitions(nullptr, VLM_DEFINITION_ALL);
  EXPECT_EQ(Summary(), "");

  // A kind node handed over itself is dispatched; a sub-tree is walked.
  VLM_DispatchDefinitions(VLM_FindDefinitionNode(root, "\\Texture", "", 0), VLM_DEFINITION_ALL);
  VLM_DispatchDefinitions(VLM_GetDefinitionChild(root, 2), VLM_DEFINITION_ALL);
  EXPECT_EQ(Summary(), "T:Stone M:Wood S:");
}

VLM_HANDLE ReleaseTree(VLM_HANDLE id, VLM_DEFINITION_NODE* node, const char* name) {
  Record<'M'>(id, node, name);
  VLM_FreeDefinitionNode(node, 1);
  return 0;
}

VLM_HANDLE ReleaseNextSibling(VLM_HANDLE id, VLM_DEFINITION_NODE* node, const char* name) {
  Record<'M'>(id, node, name);
  VLM_FreeDefinitionNode(VLM_NextDefinitionNode(node), 0);
  return 0;
}

// A loader that takes nodes out of the tree, or releases it, does not
// derail the walk.
TEST(DefinitionDispatch, LoadersThatChangeTheTree) {
  RecordingLoaders recording;
  const char* text = "Material: A {\n}\nMaterial: B {\n}\nMaterial: C {\n}\n";
  vlm::Definitions().loaders.material = ReleaseNextSibling;
  VLM_DispatchDefinitions(VLM_ParseDefinitionText(text, ""), VLM_DEFINITION_ALL);
  EXPECT_EQ(Summary(), "M:A M:C");
  Calls().clear();
  vlm::Definitions().loaders.material = ReleaseTree;
  VLM_DispatchDefinitions(VLM_ParseDefinitionText(text, ""), VLM_DEFINITION_ALL);
  EXPECT_EQ(Summary(), "M:A");
}

TEST(DefinitionDispatch, ListValuesAreWholeNames) {
  RecordingLoaders recording;
  VLM_DEFINITION_NODE* root = VLM_ParseDefinitionText("Material: a, b\nTexture: 'x y'\n", "");
  VLM_DispatchDefinitions(root, VLM_DEFINITION_ALL);
  EXPECT_EQ(Summary(), "M:a, b T:x y");
}

std::string Row(const std::string& text, const char* colour = "#404040") {
  return "<tr><td>\xC2\x95</td><td colspan=2><i style='color:" + std::string(colour) + ";'>" + text +
         "</i></td></tr>";
}

TEST(DefinitionDiscovery, OneFileHeadlineAndBreak) {
  RecordingLoaders recording;
  TempDir dir;
  WriteFile(dir.File("Materials.vld"), kAssets);
  const std::string log = OpenTestLog(dir, 0);
  const std::string file = dir.File("Materials.vld");
  VLM_ParseDefinitionFiles(file.c_str(), VLM_DEFINITION_MATERIALS);
  EXPECT_EQ(LogBody(log), Row("Parse DefinitionFile: " + file) + "<br>");
  EXPECT_EQ(Summary(), "M:Stone M:Wood");
  // The tree stays loaded as the last file, with its directory.
  VLM_DEFINITION_NODE* last = vlm::Definitions().lastTree;
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(VLM_GetDefinitionDirectory(last), dir.Path().string() + "/");
  EXPECT_EQ(Calls()[0].node, VLM_FindDefinitionNode(last, "Material", "Stone", 0));
}

TEST(DefinitionDiscovery, HeadlineColumnsAndTheMissingFileRow) {
  RecordingLoaders recording;
  TempDir dir;
  std::string log = OpenTestLog(dir, VLM_LOG_MODULE | VLM_LOG_PROCEDURE);
  const std::string missing = dir.File("missing.vld");
  VLM_ParseDefinitionFiles(missing.c_str(), VLM_DEFINITION_ALL);
  EXPECT_EQ(LogBody(log),
            "<tr><td>\xC2\x95</td><td>VLM Definition</td><td>VLM_ParseDefinitionFiles</td>"
            "<td colspan=2><i style='color:#404040;'>Parse DefinitionFile: " + missing +
            "</i></td></tr>"
            "<tr><td>\xC2\x95</td><td></td><td>VLM_ParseDefinitionFiles</td>"
            "<td colspan=2><i style='color:#FF0000;'>Fail: File not found!</i></td></tr><br>");
  EXPECT_EQ(Summary(), "");
  EXPECT_EQ(vlm::Definitions().lastTree, nullptr);

  // The headline carries its source line; the failure row does not.
  log = OpenTestLog(dir, VLM_LOG_LINE);
  VLM_ParseDefinitionFiles(missing.c_str(), VLM_DEFINITION_ALL);
  const std::regex rows(
      "<tr><td>\xC2\x95</td><td>[1-9][0-9]*</td><td colspan=2>[^<]*<i[^>]*>Parse [^<]*</i></td></tr>"
      "<tr><td>\xC2\x95</td><td></td><td colspan=2><i[^>]*>Fail: File not found!</i></td></tr><br>");
  EXPECT_TRUE(std::regex_match(LogBody(log), rows)) << LogBody(log);
}

TEST(DefinitionDiscovery, DirectoryInNameOrder) {
  RecordingLoaders recording;
  TempDir dir;
  const auto assets = dir.Path() / "assets";
  std::filesystem::create_directories(assets / "sub");
  WriteFile((assets / "b.vld").string(), "Material: B {\n}\n");
  WriteFile((assets / "a.vld").string(), "Material: A {\n}\n");
  WriteFile((assets / "sub" / "c.txt").string(), "Texture: C {\n}\n");
  const std::string log = OpenTestLog(dir, 0);
  // Trailing separators are dropped and one is put back.
  const std::string path = assets.string() + "//";
  VLM_ParseDefinitionFiles(path.c_str(), VLM_DEFINITION_ALL);
  const std::string base = assets.string() + "/";
  EXPECT_EQ(LogBody(log), Row("Parse DefinitionFile: " + base + "a.vld") + "<br>" +
                              Row("Parse DefinitionFile: " + base + "b.vld") + "<br>" +
                              Row("Parse DefinitionFile: " + base + "sub/c.txt") + "<br><br><br>");
  EXPECT_EQ(Summary(), "M:A M:B T:C");
}

TEST(DefinitionDiscovery, PatternAppliesToTheFirstDirectoryOnly) {
  RecordingLoaders recording;
  TempDir dir;
  const auto res = dir.Path() / "Resources";
  std::filesystem::create_directories(res / "extra");
  std::filesystem::create_directories(res / "more.vld");
  WriteFile((res / "one.vld").string(), "Material: One {\n}\n");
  WriteFile((res / "notes.txt").string(), "Material: Notes {\n}\n");
  WriteFile((res / "extra" / "x.vld").string(), "Material: Extra {\n}\n");
  WriteFile((res / "more.vld" / "inner.txt").string(), "Material: Inner {\n}\n");
  const std::string log = OpenTestLog(dir, 0);
  // The caller's separator is kept when joining.
  const std::string path = res.string() + "\\*.vld";
  VLM_ParseDefinitionFiles(path.c_str(), VLM_DEFINITION_ALL);
  const std::string base = res.string() + "\\";
  EXPECT_EQ(LogBody(log), Row("Parse DefinitionFile: " + base + "more.vld\\inner.txt") + "<br><br>" +
                              Row("Parse DefinitionFile: " + base + "one.vld") + "<br><br>");
  EXPECT_EQ(Summary(), "M:Inner M:One");
  EXPECT_EQ(VLM_GetDefinitionDirectory(vlm::Definitions().lastTree), base);

  // A pattern that matches nothing leaves only the break.
  const std::string none = res.string() + "/*.none";
  const std::string log2 = OpenTestLog(dir, 0);
  VLM_ParseDefinitionFiles(none.c_str(), VLM_DEFINITION_ALL);
  EXPECT_EQ(LogBody(log2), "<br>");
}

TEST(DefinitionDiscovery, BarePatternSearchesTheCurrentDirectory) {
  RecordingLoaders recording;
  TempDir dir;
  WriteFile(dir.File("here.vld"), "Texture: Here {\n}\n");
  const std::string log = OpenTestLog(dir, 0);
  dir.Enter();
  VLM_ParseDefinitionFiles("*.vld", VLM_DEFINITION_ALL);
  EXPECT_EQ(LogBody(log), Row("Parse DefinitionFile: here.vld") + "<br><br>");
  EXPECT_EQ(Summary(), "T:Here");
}

TEST(DefinitionDiscovery, LinkLoopsAreWalkedOnce) {
  RecordingLoaders recording;
  TempDir dir;
  const auto top = dir.Path() / "top";
  std::filesystem::create_directories(top);
  WriteFile((top / "a.vld").string(), "Material: A {\n}\n");
  std::filesystem::create_directory_symlink(top, top / "loop");
  const std::string log = OpenTestLog(dir, 0);
  VLM_ParseDefinitionFiles(top.string().c_str(), VLM_DEFINITION_ALL);
  EXPECT_EQ(Summary(), "M:A");
  EXPECT_EQ(LogBody(log), Row("Parse DefinitionFile: " + top.string() + "/a.vld") + "<br><br><br>");
}

}  // namespace
