// Runtime services of the platform: current directory and program file.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "core/fail.h"
#include "velmora/core.h"
#include "velmora/platform.h"

namespace {

thread_local std::string g_currentDirectory;

std::string WithSlash(std::string path) {
  if (!path.empty() && path.back() != '/') path += '/';
  return path;
}

const std::string& ProgramFile() {
  static const std::string file = [] {
    char buffer[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
  }();
  return file;
}

}  // namespace

extern "C" {

const char* VLM_GetCurrentDirectory(void) {
  char buffer[PATH_MAX + 1];
  g_currentDirectory = getcwd(buffer, sizeof buffer) ? WithSlash(buffer) : std::string();
  return g_currentDirectory.c_str();
}

int VLM_SetCurrentDirectory(const char* path) {
  if (!path || !*path) {
    vlm::Fail("Fail: No directory given!", "VLM_SetCurrentDirectory");
    return 0;
  }
  // Both separators are accepted in the engine's file names.
  std::string native(path);
  for (char& c : native)
    if (c == '\\') c = '/';
  if (chdir(native.c_str()) != 0) {
    const std::string text = "Fail: The directory \"" + native + "\" cannot be made current (" +
                             std::strerror(errno) + ")!";
    vlm::Fail(text.c_str(), "VLM_SetCurrentDirectory");
    return 0;
  }
  return 1;
}

const char* VLM_ProgramFilename(void) { return ProgramFile().c_str(); }

const char* VLM_ProgramDirectory(void) {
  static const std::string folder = [] {
    const std::string& file = ProgramFile();
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
  }();
  return folder.c_str();
}

}  // extern "C"
