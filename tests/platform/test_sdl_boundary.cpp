// Folder rules of the source tree. Only the platform layer may see SDL: no
// file of the other subsystems, the demo, the public headers, the tests,
// benchmarks, fuzz targets or tools includes an SDL header, directly or
// through a platform header that does. The test helpers in platform/testing
// use SDL inside but their headers must stay free of it. Further: OpenAL
// only in platform/, raw GL calls only in gpu/ and render/, gpu/ includes
// only core/ and platform/, no floor below render/ includes render/,
// physics/ never includes render/, sound/ or platform/, and core/ includes
// no subsystem.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

const std::regex kInclude(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");

std::vector<std::string> Includes(const fs::path& file) {
  std::vector<std::string> names;
  const std::string text = vlmtest::ReadFile(file.string());
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::smatch match;
    const std::string line = text.substr(start, end - start);
    if (std::regex_search(line, match, kInclude)) names.push_back(match[1]);
    start = end + 1;
  }
  return names;
}

bool IsSdl(const std::string& name) {
  const std::string base = fs::path(name).filename().string();
  return base.rfind("SDL", 0) == 0 || name.rfind("SDL2/", 0) == 0;
}

bool IsSource(const fs::path& path) {
  const std::string ext = path.extension().string();
  return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc" || ext == ".c" ||
         ext == ".inl";
}

TEST(SdlBoundary, NoSdlOutsidePlatform) {
  const fs::path root = VLM_SOURCE_DIR;
  // Platform headers that bring SDL in count as SDL themselves.
  std::set<std::string> sdlHeaders;
  for (const auto& entry : fs::directory_iterator(root / "platform")) {
    if (!IsSource(entry.path())) continue;
    for (const std::string& name : Includes(entry.path()))
      if (IsSdl(name)) sdlHeaders.insert("platform/" + entry.path().filename().string());
  }
  EXPECT_TRUE(sdlHeaders.count("platform/sdl_access.h"));

  // Test helpers: their sources may use SDL, their headers may not.
  int helperHeaders = 0;
  for (const auto& entry : fs::directory_iterator(root / "platform" / "testing")) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".h" && ext != ".hpp") continue;
    ++helperHeaders;
    for (const std::string& name : Includes(entry.path())) {
      EXPECT_FALSE(IsSdl(name)) << entry.path() << " includes " << name;
      EXPECT_FALSE(sdlHeaders.count(name)) << entry.path() << " includes " << name;
    }
  }
  EXPECT_GE(helperHeaders, 1);

  int files = 0;
  for (const char* folder :
       {"core", "gpu", "definition", "mesh", "physics", "render", "scene", "sound", "input",
        "engine", "demo", "include", "tests", "bench", "fuzz", "tools"}) {
    if (!fs::is_directory(root / folder)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
      ++files;
      for (const std::string& name : Includes(entry.path())) {
        EXPECT_FALSE(IsSdl(name)) << entry.path() << " includes " << name;
        EXPECT_FALSE(sdlHeaders.count(name)) << entry.path() << " includes " << name;
      }
    }
  }
  EXPECT_GT(files, 10);
}

// ---- The other folder rules ------------------------------------------------

// The engine's folders; a source under one of them is "in" it.
const char* const kEngineFolders[] = {"core",  "gpu",   "definition", "mesh",   "physics",
                                      "render", "scene", "sound",      "input",  "platform",
                                      "engine", "demo",  "text",       "particles"};

// The floors below the renderer: none of them may include render/.
bool BelowRender(const std::string& folder) {
  for (const char* below : {"core", "platform", "gpu", "input", "definition", "mesh", "physics", "scene"})
    if (folder == below) return true;
  return false;
}

// The subsystem an include names ("physics/body.h" -> "physics"), or "" for
// system, public (velmora/...) and other headers.
std::string FolderOf(const std::string& include) {
  const size_t slash = include.find('/');
  if (slash == std::string::npos) return std::string();
  const std::string first = include.substr(0, slash);
  for (const char* folder : kEngineFolders)
    if (first == folder) return first;
  return std::string();
}

bool IsOpenAl(const std::string& include) {
  const std::string base = fs::path(include).filename().string();
  return include.rfind("AL/", 0) == 0 || base == "al.h" || base == "alc.h" || base == "alext.h";
}

// Text without comments and string literals, so that a rule is broken only by code.
std::string CodeOnly(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "//") == 0) {
      while (i < text.size() && text[i] != '\n') ++i;
      out += '\n';
    } else if (text.compare(i, 2, "/*") == 0) {
      const size_t end = text.find("*/", i + 2);
      i = end == std::string::npos ? text.size() : end + 1;
      out += ' ';
    } else if (text[i] == '"' && (i == 0 || text[i - 1] != '\'')) {
      for (++i; i < text.size() && text[i] != '"' && text[i] != '\n'; ++i)
        if (text[i] == '\\') ++i;
      out += "\"\"";
    } else {
      out += text[i];
    }
  }
  return out;
}

// The rules broken by one file: its folder (first path part under the source
// root), its includes and its text.
std::vector<std::string> Violations(const std::string& folder, const std::vector<std::string>& includes,
                                    const std::string& text) {
  std::vector<std::string> broken;
  for (const std::string& name : includes) {
    const std::string target = FolderOf(name);
    if (folder != "platform" && IsOpenAl(name)) broken.push_back("OpenAL outside platform/: " + name);
    if (folder == "physics" && (target == "sound" || target == "platform"))
      broken.push_back("physics/ includes " + name);
    if (folder == "render" && target == "particles") broken.push_back("render/ includes " + name);
    const bool lowFloor = target == "core" || target == "platform" || target == "gpu";
    if (BelowRender(folder) && target == "render")
      broken.push_back(folder + "/ includes " + name);
    else if (folder == "gpu" && !target.empty() && !lowFloor)
      broken.push_back("gpu/ includes " + name);
    if (folder == "core" && !target.empty() && target != "core")
      broken.push_back("core/ includes the subsystem header " + name);
  }
  if (folder != "gpu" && folder != "render" && folder != "tests" &&
      CodeOnly(text).find("vlmgl.") != std::string::npos)
    broken.push_back("raw GL call (vlmgl.) outside gpu/ and render/");
  return broken;
}

std::vector<std::string> IncludesOf(const std::string& text) {
  std::vector<std::string> names;
  std::istringstream lines(text);
  std::string line;
  std::smatch match;
  while (std::getline(lines, line))
    if (std::regex_search(line, match, kInclude)) names.push_back(match[1]);
  return names;
}

TEST(FolderRules, EachRuleCatchesAPlantedViolation) {
  // The sound-library lines are put together at run time so that this file
  // itself never holds such an include for any scanner to find.
  const std::string soundHeader = "#include <" + std::string("AL") + "/al.h>\n";
  const std::string soundContext = "#include \"" + std::string("al") + "c.h\"\n";
  struct Plant {
    const char* folder;
    std::string text;
  } const plants[] = {
      {"sound", soundHeader},
      {"demo", soundContext},
      {"mesh", "void Draw() { vlmgl.glDrawArrays(GL_TRIANGLES, 0, 3); }\n"},
      {"engine", "  vlmgl.glFinish();\n"},
      {"physics", "#include \"render/gl_init.h\"\n"},
      {"physics", "#include \"sound/sound_record.h\"\n"},
      {"physics", "#include \"platform/screen.h\"\n"},
      {"core", "#include \"physics/world.h\"\n"},
      {"core", "#include \"engine/context.h\"\n"},
      {"render", "#include \"particles/particle_state.h\"\n"},
      {"mesh", "#include \"render/targets.h\"\n"},
      {"scene", "#include \"render/frame.h\"\n"},
      {"gpu", "#include \"mesh/mesh_record.h\"\n"},
      {"gpu", "#include \"render/render_state.h\"\n"},
  };
  for (const Plant& plant : plants) {
    EXPECT_EQ(Violations(plant.folder, IncludesOf(plant.text), plant.text).size(), 1u)
        << plant.folder << ": " << plant.text;
  }
  // Allowed: the same lines where they belong, and mentions in comments or text.
  const Plant allowed[] = {
      {"platform", soundHeader},
      {"render", "vlmgl.glFinish();\n"},
      {"gpu", "vlmgl.glFinish();\n#include \"core/fail.h\"\n#include \"platform/image.h\"\n"},
      {"mesh", "#include \"gpu/gl_objects.h\"\n"},
      {"mesh", "// vlmgl.glFinish() is render's business\nconst char* t = \"vlmgl.\";\n"},
      {"physics", "#include \"mesh/cage_record.h\"\n#include \"core/registries.h\"\n"},
      {"core", "#include \"core/registry.h\"\n#include \"velmora/core.h\"\n#include <vector>\n"},
  };
  for (const Plant& plant : allowed) {
    EXPECT_TRUE(Violations(plant.folder, IncludesOf(plant.text), plant.text).empty())
        << plant.folder << ": " << plant.text;
  }
}

TEST(FolderRules, SourceTreeKeepsTheRules) {
  const fs::path root = VLM_SOURCE_DIR;
  int files = 0;
  for (const char* folder : kEngineFolders) {
    if (!fs::is_directory(root / folder)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
      ++files;
      const std::string text = vlmtest::ReadFile(entry.path().string());
      for (const std::string& broken : Violations(folder, IncludesOf(text), text))
        ADD_FAILURE() << entry.path() << ": " << broken;
    }
  }
  // The public headers, tests, benchmarks, fuzz targets and tools never
  // reach OpenAL either.
  for (const char* folder : {"include", "tests", "bench", "fuzz", "tools"}) {
    if (!fs::is_directory(root / folder)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
      for (const std::string& name : Includes(entry.path()))
        EXPECT_FALSE(IsOpenAl(name)) << entry.path() << " includes " << name;
    }
  }
  EXPECT_GT(files, 50);
}

}  // namespace
