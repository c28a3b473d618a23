// Current directory and program file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/test_support.h"
#include "velmora/core.h"
#include "velmora/platform.h"

namespace {

namespace fs = std::filesystem;

TEST(Runtime, CurrentDirectoryWithEitherSeparator) {
  vlmtest::TempDir dir;
  fs::create_directories(dir.Path() / "Resources" / "Meshes");
  const fs::path start = fs::current_path();
  ASSERT_EQ(VLM_SetCurrentDirectory(dir.Path().c_str()), 1);
  EXPECT_EQ(std::string(VLM_GetCurrentDirectory()), fs::canonical(dir.Path()).string() + "/");
  EXPECT_EQ(VLM_SetCurrentDirectory("Resources\\Meshes"), 1);
  EXPECT_EQ(fs::current_path(), fs::canonical(dir.Path() / "Resources" / "Meshes"));
  EXPECT_EQ(VLM_SetCurrentDirectory("..\\.."), 1);
  EXPECT_EQ(fs::current_path(), fs::canonical(dir.Path()));
  fs::current_path(start);
}

TEST(Runtime, MissingDirectoryIsReportedAndNothingChanges) {
  vlmtest::TempDir dir;
  const std::string path = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  const fs::path start = fs::current_path();
  const std::string missing = dir.File("no such folder");
  EXPECT_EQ(VLM_SetCurrentDirectory(missing.c_str()), 0);
  EXPECT_EQ(VLM_SetCurrentDirectory(""), 0);
  EXPECT_EQ(VLM_SetCurrentDirectory(nullptr), 0);
  EXPECT_EQ(fs::current_path(), start);
  VLM_OpenLogFile(nullptr, 0, 1);
  auto row = [](const std::string& text) {
    return vlmtest::FailRow("VLM_SetCurrentDirectory", text);
  };
  EXPECT_EQ(vlmtest::LogBody(path),
            row("Fail: The directory \"" + missing +
                "\" cannot be made current (No such file or directory)!") +
                row("Fail: No directory given!") + row("Fail: No directory given!"));
}

TEST(Runtime, ProgramFileAndFolder) {
  const std::string file = VLM_ProgramFilename();
  const std::string folder = VLM_ProgramDirectory();
  EXPECT_EQ(fs::path(file).filename(), "test_platform");
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(file.rfind(folder, 0), 0u);
  EXPECT_EQ(fs::canonical(folder), fs::canonical(fs::path(VLM_BINARY_DIR) / "tests"));
}

}  // namespace
