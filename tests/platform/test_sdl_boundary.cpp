// Only the platform layer may see SDL: no file of the other subsystems, the
// demo, the public headers, the tests, benchmarks, fuzz targets or tools
// includes an SDL header, directly or through a platform header that does.
// The test helpers in platform/testing use SDL inside but their headers
// must stay free of it.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
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
       {"core", "definition", "mesh", "physics", "render", "scene", "sound", "input", "demo",
        "include", "tests", "bench", "fuzz", "tools"}) {
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

}  // namespace
