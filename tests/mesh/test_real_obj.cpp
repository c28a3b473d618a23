// Every public OBJ model of the test data loads without a failure row, and
// each vertex matches what a separate, plain reading of the file gives:
// one triangle per face line (its first three corners), relative numbers
// counting back, v negated, one group per distinct "g" name.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "mesh/mesh_record.h"
#include "mesh/mesh_test_util.h"

namespace {

using meshtest::H;
using meshtest::MeshTest;

struct Reference {
  std::vector<std::array<float, 3>> v, vn;
  std::vector<std::array<float, 2>> vt;
  struct Corner {
    long p = -1, t = -1, n = -1;
  };
  std::vector<Corner> corners;
  std::set<std::string> groups;
  long faceLines = 0;
};

long Resolve(const std::string& part, size_t count) {
  if (part.empty()) return -1;
  const long n = std::strtol(part.c_str(), nullptr, 10);
  const long index = n > 0 ? n - 1 : static_cast<long>(count) + n;
  return n != 0 && index >= 0 ? index : -1;
}

Reference ReadReference(const std::string& path) {
  Reference r;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string keyword;
    fields >> keyword;
    if (keyword == "v" || keyword == "vn") {
      std::array<float, 3> a{};
      fields >> a[0] >> a[1] >> a[2];
      (keyword == "v" ? r.v : r.vn).push_back(a);
    } else if (keyword == "vt") {
      std::array<float, 2> a{};
      fields >> a[0] >> a[1];
      r.vt.push_back(a);
    } else if (keyword == "g") {
      std::string name;
      std::getline(fields, name);
      name.erase(0, name.find_first_not_of(" \t"));
      name.erase(name.find_last_not_of(" \t\r") + 1);
      r.groups.insert(name);
    } else if (keyword == "f") {
      ++r.faceLines;
      for (int k = 0; k < 3; ++k) {
        std::string corner;
        fields >> corner;
        std::string parts[3];
        std::istringstream split(corner);
        for (auto& part : parts) std::getline(split, part, '/');
        r.corners.push_back({Resolve(parts[0], r.v.size()), Resolve(parts[1], r.vt.size()),
                             Resolve(parts[2], r.vn.size())});
      }
    }
  }
  return r;
}

class RealObjTest : public MeshTest {};

TEST_F(RealObjTest, EveryModelLoadsAsItsFaceLinesImply) {
  const std::string data = vlmtest::TestDataDir();
  if (data.empty() || !std::filesystem::is_directory(data + "/obj")) GTEST_SKIP() << "no test data";
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(data + "/obj")) {
    if (entry.path().extension() == ".obj") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 6u);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    const Reference ref = ReadReference(file);
    VLM_MESH* mesh = VLM_LoadOBJMesh(-1, file.c_str(), "");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->sName, std::filesystem::path(file).filename().string());
    EXPECT_EQ(VLM_GetMeshTriangleCount(H(mesh)), ref.faceLines);
    ASSERT_EQ(mesh->iVertexCount, static_cast<int32_t>(ref.corners.size()));
    EXPECT_EQ(VLM_GetMeshGroupCount(H(mesh)), static_cast<int32_t>(ref.groups.size()));
    long mismatches = 0;
    for (size_t i = 0; i < ref.corners.size(); ++i) {
      const auto& c = ref.corners[i];
      const VLM_MESH_VERTEX& v = mesh->aVertices[i];
      const std::array<float, 3> p = c.p >= 0 && c.p < long(ref.v.size()) ? ref.v[c.p] : std::array<float, 3>{};
      const std::array<float, 3> n = c.n >= 0 && c.n < long(ref.vn.size()) ? ref.vn[c.n] : std::array<float, 3>{};
      const std::array<float, 2> t = c.t >= 0 && c.t < long(ref.vt.size()) ? ref.vt[c.t] : std::array<float, 2>{};
      mismatches += v.v4fPosition.x != p[0] || v.v4fPosition.y != p[1] || v.v4fPosition.z != p[2] ||
                    v.v4fPosition.w != 1.0f || v.v3fNormal[0] != n[0] || v.v3fNormal[1] != n[1] ||
                    v.v3fNormal[2] != n[2] || v.v2fTexCoord[0] != t[0] || v.v2fTexCoord[1] != -t[1];
    }
    EXPECT_EQ(mismatches, 0);
    for (const std::string& row : LogRows()) EXPECT_EQ(row.find("#FF0000"), std::string::npos) << row;
    EXPECT_EQ(LogRows().back(), "#11FF00 OK");
    VLM_FreeMesh(H(mesh));
    ReopenLog(0);
  }
}

}  // namespace
