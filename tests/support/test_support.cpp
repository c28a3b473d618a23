#include "support/test_support.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "velmora/core.h"

namespace vlmtest {

namespace fs = std::filesystem;

namespace {
// Test processes run side by side: each gets a debugger-channel mapping of
// its own instead of the machine-wide one.
const bool kPrivateDebuggerMapping = [] {
  const std::string name = "VLM_DebuggerApplication_test" + std::to_string(getpid());
  return setenv("VLM_DEBUGGER_MAPPING_NAME", name.c_str(), 1) == 0;
}();
}  // namespace

fs::path TempRoot() {
  const char* base = std::getenv("VLM_TEST_TMP");
  return base ? fs::path(base) : fs::temp_directory_path() / "vlm-tests";
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  path_ = TempRoot() / ("t" + std::to_string(getpid()) + "_" + std::to_string(counter++));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!previous_.empty()) fs::current_path(previous_, ec);
  fs::remove_all(path_, ec);
}

void TempDir::Enter() {
  previous_ = fs::current_path();
  fs::current_path(path_);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string OpenTestLog(const TempDir& dir, int mask) {
  const std::string path = dir.File("log.html");
  VLM_OpenLogFile(path.c_str(), 1, 1);
  VLM_SetLogColumns(mask);
  return path;
}

std::string LogBody(const std::string& path) {
  std::string all = ReadFile(path);
  if (all.rfind("\xEF\xBB\xBF", 0) == 0) all.erase(0, 3);
  const auto header = all.find("<table>\r\n");
  if (header != std::string::npos && all.rfind("<html>", 0) == 0) all.erase(0, header + 9);
  return all;
}

std::string FailRow(const std::string& procedure, const std::string& text) {
  return "<tr><td>\xC2\x95</td><td>" + procedure + "</td><td colspan=2><i style='color:#FF0000;'>" +
         text + "</i></td></tr>";
}

std::string NoticeRow(const std::string& procedure, const std::string& text) {
  return "<tr><td>\xC2\x95</td><td>" + procedure + "</td><td colspan=2><i style='color:#0000FF;'>" +
         text + "</i></td></tr>";
}

std::string TestDataDir() {
  const fs::path dir = VLM_TESTDATA_DIR;
  return fs::is_directory(dir) ? fs::canonical(dir).string() : std::string();
}

}  // namespace vlmtest
