// Helpers shared by the test executables.
#pragma once

#include <filesystem>
#include <string>

namespace vlmtest {

// Where the tests make their files: $VLM_TEST_TMP, else vlm-tests in the
// system's temporary folder.
std::filesystem::path TempRoot();

// A fresh, empty directory under the build tree, removed by the destructor.
// While alive it may be made the current directory (as the engine writes
// "VLM LogFile.html" into the current directory).
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // Makes the directory current until the object dies.
  void Enter();

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// Opens a fresh log with the given column mask and returns its path. The
// log's bytes after the BOM and header are what LogBody() returns.
std::string OpenTestLog(const TempDir& dir, int mask = 0);
std::string LogBody(const std::string& path);
// A failure row of a log opened with the VLM_LOG_PROCEDURE column.
std::string FailRow(const std::string& procedure, const std::string& text);
// A notice row (blue, "Info: ...") of such a log.
std::string NoticeRow(const std::string& procedure, const std::string& text);

// The test data folder next to the project, or "" when it is absent.
std::string TestDataDir();

}  // namespace vlmtest
