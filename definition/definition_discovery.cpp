// Definition discovery: parsing a file, a directory or a directory with a
// pattern, and handing the asset nodes of each tree to their loaders.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/fail.h"
#include "definition/definition_internal.h"
#include "definition/definition_state.h"
#include "velmora/core.h"

namespace vlm {

VLM_HANDLE IgnoreDefinition(VLM_HANDLE, VLM_DEFINITION_NODE*, const char*) { return 0; }

namespace {

constexpr const char* kModule = "VLM Definition";
constexpr const char* kParseProc = "VLM_ParseDefinitionFiles";

// "*" any run of characters, "?" one character; everything else literal.
bool MatchesPattern(std::string_view name, std::string_view pattern) {
  size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++n, ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

using DirectoryId = std::pair<dev_t, ino_t>;

void ParseFile(const std::string& path, int kinds) {
  const std::string headline = "Parse DefinitionFile: " + path;
  VLM_LOG_HEADLINE(headline.c_str(), kModule, kParseProc);
  VLM_DEFINITION_NODE* root = VLM_LoadDefinitionFile(path.c_str());
  if (root) {
    VLM_DispatchDefinitions(root, kinds);
  } else {
    vlm::Fail("Fail: File not found!", kParseProc);
  }
}

// `path` empty with `current` set names the current directory (a bare
// pattern such as "*.vld").
void ParsePath(const std::string& path, int kinds, std::string_view pattern, bool current,
               std::set<DirectoryId>& visited) {
  const std::string systemPath = path.empty() && current ? std::string(".") : SystemPath(path);
  struct stat info {};
  if (::stat(systemPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    // A directory reached twice (through a link) is not walked again.
    if (visited.insert({info.st_dev, info.st_ino}).second) {
      std::error_code error;
      std::filesystem::directory_iterator listing(systemPath, error);
      if (!error) {
        // Sorted by name: the order of the files decides which definitions
        // exist when the next file refers to them, and must not change
        // between machines.
        std::vector<std::string> names;
        for (auto it = listing; it != std::filesystem::directory_iterator(); it.increment(error)) {
          if (error) break;
          std::string name = it->path().filename().string();
          if (pattern.empty() || MatchesPattern(name, pattern)) names.push_back(std::move(name));
        }
        std::sort(names.begin(), names.end());
        std::string prefix = path;
        while (!prefix.empty() && (prefix.back() == '\\' || prefix.back() == '/')) prefix.pop_back();
        if (!path.empty()) {
          // Join with the separator the caller uses.
          const size_t last = path.find_last_of("\\/");
          prefix += last == std::string::npos ? '\\' : path[last];
        }
        for (const std::string& name : names) ParsePath(prefix + name, kinds, {}, false, visited);
      }
    }
  } else {
    ParseFile(path, kinds);
  }
  VLM_LogBreak();
}

}  // namespace

}  // namespace vlm

extern "C" {

int VLM_ParseDefinitionFiles(const char* path, int kinds) {
  std::string where = path ? path : "";
  std::string pattern;
  const bool hasPattern = where.find('*') != std::string::npos;
  if (hasPattern) {
    pattern = vlm::DefinitionFilePart(where);
    where = std::string(vlm::DefinitionDirectoryPart(where));
  }
  std::set<vlm::DirectoryId> visited;
  vlm::ParsePath(where, kinds, pattern, hasPattern, visited);
  return 0;
}

int VLM_DispatchDefinitions(VLM_DEFINITION_NODE* node, int kinds) {
  if (!node) return 0;
  vlm::DefinitionState& state = vlm::Definitions();
  const vlm::DefinitionTree* tree = vlm::DefinitionTreeOf(node);
  // Depth first in child order, without recursion.
  struct Frame {
    VLM_DEFINITION_NODE* node;
    uint32_t next;
  };
  std::vector<Frame> frames;
  // Hands a kind node to its loader; false when the loader released the
  // tree being walked.
  auto load = [&](vlm::DefinitionLoader loader, VLM_DEFINITION_NODE* asset, const char* name) {
    const uint64_t releases = state.releases;
    loader(-1, asset, name);
    return state.releases == releases || !tree ||
           std::any_of(state.trees.begin(), state.trees.end(),
                       [&](const auto& loaded) { return loaded.get() == tree; });
  };
  auto visit = [&](VLM_DEFINITION_NODE* current) {
    const std::string_view name = current->Name();
    if (name == "Sound") {
      if (kinds & VLM_DEFINITION_SOUNDS) return load(state.loaders.sound, current, "");
    } else if (name == "Texture") {
      if (kinds & VLM_DEFINITION_TEXTURES) {
        return load(state.loaders.texture, current, vlm::DefinitionValue(current));
      }
    } else if (name == "Material") {
      if (kinds & VLM_DEFINITION_MATERIALS) {
        return load(state.loaders.material, current, vlm::DefinitionValue(current));
      }
    } else {
      frames.push_back({current, 0});
    }
    return true;
  };
  if (!visit(node)) return 0;
  while (!frames.empty()) {
    Frame& frame = frames.back();
    // The count is read each time: a loader may have taken nodes out.
    if (frame.next >= frame.node->childCount) {
      frames.pop_back();
      continue;
    }
    if (!visit(frame.node->children[frame.next++])) return 0;
  }
  return 0;
}

}  // extern "C"
