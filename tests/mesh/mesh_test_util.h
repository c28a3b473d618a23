// Shared pieces of the mesh tests: a fixture with a fresh log and an empty
// mesh registry, and the log rows as "#RRGGBB text".
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/registries.h"
#include "mesh/mesh_internal.h"
#include "mesh/mesh_record.h"
#include "support/test_support.h"
#include "velmora.h"

namespace meshtest {

// The cells of every row of a log body.
inline std::vector<std::vector<std::string>> RowCells(const std::string& body) {
  std::vector<std::vector<std::string>> rows;
  size_t at = 0;
  while ((at = body.find("<tr>", at)) != std::string::npos) {
    const size_t end = body.find("</tr>", at);
    if (end == std::string::npos) break;
    std::vector<std::string> cells;
    size_t cell = at;
    while ((cell = body.find("<td", cell)) != std::string::npos && cell < end) {
      const size_t open = body.find('>', cell) + 1;
      const size_t close = body.find("</td>", open);
      cells.push_back(body.substr(open, close - open));
      cell = close;
    }
    rows.push_back(cells);
    at = end;
  }
  return rows;
}

// Rows of a log opened with column mask 0: "#RRGGBB text".
inline std::vector<std::string> Rows(const std::string& logPath) {
  std::vector<std::string> out;
  for (const auto& cells : RowCells(vlmtest::LogBody(logPath))) {
    const std::string& message = cells.back();  // <i style='color:#RRGGBB;'>text</i>
    const size_t colour = message.find('#');
    const size_t text = message.find("'>") + 2;
    out.push_back(message.substr(colour, 7) + " " + message.substr(text, message.size() - text - 4));
  }
  return out;
}

class MeshTest : public ::testing::Test {
 protected:
  void SetUp() override { log_ = vlmtest::OpenTestLog(dir_, 0); }
  void TearDown() override { vlm::mesh::ResetMeshes(); }
  std::vector<std::string> LogRows() const { return Rows(log_); }
  std::string File(const std::string& name) const { return dir_.File(name); }
  void Write(const std::string& name, const std::string& bytes) const {
    vlmtest::WriteFile(dir_.File(name), bytes);
  }
  void ReopenLog(int mask) { log_ = vlmtest::OpenTestLog(dir_, mask); }
  const std::string& LogPath() const { return log_; }

  vlmtest::TempDir dir_;
  std::string log_;
};

inline VLM_HANDLE H(const VLM_MESH* mesh) { return reinterpret_cast<VLM_HANDLE>(mesh); }

}  // namespace meshtest
