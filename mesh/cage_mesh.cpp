// Cages fitted to a mesh: a sphere, a box with its outline, or the mesh's
// own surface as a convex polyhedron.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/fail.h"
#include "mesh/cage.h"
#include "mesh/mesh_record.h"
#include "velmora/cage.h"
#include "velmora/core.h"
#include "velmora/registry.h"

namespace vlm {

namespace {

constexpr const char* kProc = "VLM_CreateCageFromMesh";

// Positions the mesh really holds: never more than its arrays.
size_t VertexCount(const VLM_MESH& mesh) {
  return std::min(static_cast<size_t>(std::max(mesh.iVertexCount, 0)), mesh.aVertices.size());
}

size_t TriangleCount(const VLM_MESH& mesh) {
  return std::min(static_cast<size_t>(std::max(mesh.iIndexCount, 0)), mesh.aiIndices.size()) / 3;
}

std::vector<v4f> Positions(const VLM_MESH& mesh) {
  std::vector<v4f> positions(VertexCount(mesh));
  for (size_t i = 0; i < positions.size(); ++i) positions[i] = mesh.aVertices[i].v4fPosition;
  return positions;
}

// Positions and factor that give a cage of finite numbers: lengths and
// squared lengths of the scaled positions stay far below the float range.
bool FitsFinitely(const VLM_MESH& mesh, float factor) {
  if (!std::isfinite(factor) || factor < 0.0f) return false;
  constexpr float kLargest = 1e18f;
  const float scale = std::max(factor, 1.0f);
  for (size_t i = 0, n = VertexCount(mesh); i < n; ++i) {
    const v4f& p = mesh.aVertices[i].v4fPosition;
    for (float c : {p.x, p.y, p.z}) {
      if (!(std::fabs(c) * scale < kLargest)) return false;
    }
  }
  return true;
}

void FitSphere(const VLM_MESH& mesh, float factor, VLM_CAGE& cage) {
  float radius = 0.0f;
  for (size_t i = 0, n = VertexCount(mesh); i < n; ++i) {
    const v4f& p = mesh.aVertices[i].v4fPosition;
    radius = std::max(radius, std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
  }
  cage.fSize = radius * factor;
}

// Corner i: bit 0 selects +x, bit 1 +y, bit 2 +z.
constexpr int32_t kBoxEdges[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {4, 6}, {5, 7},
                                      {0, 2}, {1, 3}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
constexpr int32_t kBoxFaces[12][3] = {{1, 2, 3}, {1, 0, 2}, {4, 7, 6}, {4, 5, 7}, {0, 6, 2}, {0, 4, 6},
                                      {5, 3, 7}, {5, 1, 3}, {0, 5, 4}, {0, 1, 5}, {6, 3, 2}, {6, 7, 3}};

void FitBox(const VLM_MESH& mesh, float factor, VLM_CAGE& cage) {
  VLM_CAGE_NODE* root = AddCageNode(cage);
  cage.pRoot = root;
  SetNodeBoxWithOrigin(*root, Positions(mesh));
  v4f& half = root->v4fHalfExtents;
  half.x *= factor;
  half.y *= factor;
  half.z *= factor;
  cage.fSize = std::max({half.x, half.y, half.z});

  VLM_CAGE_OUTLINE* outline = AddCageOutline(cage, *root);
  const v4f& c = root->v4fCentre;
  outline->aVertices.resize(8);
  for (int i = 0; i < 8; ++i) {
    outline->aVertices[i] = v4f{c.x + ((i & 1) ? half.x : -half.x), c.y + ((i & 2) ? half.y : -half.y),
                                c.z + ((i & 4) ? half.z : -half.z), 1.0f};
  }
  for (const auto& e : kBoxEdges) outline->aEdges.push_back(VLM_CAGE_EDGE{{e[0], e[1]}});
  for (const auto& f : kBoxFaces) {
    VLM_CAGE_FACE face{};
    std::copy(std::begin(f), std::end(f), face.iVertex);
    outline->aFaces.push_back(face);
  }
}

// The 16 bytes of a position, compared and hashed as bytes: -0 and +0 stay
// apart, and NaNs with the same bits weld.
struct PositionKey {
  unsigned char bytes[sizeof(v4f)];
  bool operator==(const PositionKey& other) const { return std::memcmp(bytes, other.bytes, sizeof bytes) == 0; }
};

struct PositionKeyHash {
  size_t operator()(const PositionKey& key) const {
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char b : key.bytes) h = (h ^ b) * 1099511628211ull;
    return static_cast<size_t>(h);
  }
};

uint64_t EdgeKey(int32_t a, int32_t b) {
  const auto lo = static_cast<uint32_t>(std::min(a, b));
  const auto hi = static_cast<uint32_t>(std::max(a, b));
  return (uint64_t{lo} << 32) | hi;
}

void FitPolyhedron(const VLM_MESH& mesh, VLM_CAGE& cage) {
  VLM_CAGE_NODE* root = AddCageNode(cage);
  cage.pRoot = root;
  const std::vector<v4f> positions = Positions(mesh);
  SetNodeBoxWithOrigin(*root, positions);
  VLM_CAGE_OUTLINE* outline = AddCageOutline(cage, *root);

  // Weld: each position keeps the index of the first vertex with its bytes;
  // kept vertices are numbered in order, so later ones move down.
  std::vector<int32_t> remap(positions.size());
  std::unordered_map<PositionKey, int32_t, PositionKeyHash> kept;
  kept.reserve(positions.size());
  for (size_t i = 0; i < positions.size(); ++i) {
    PositionKey key;
    std::memcpy(key.bytes, &positions[i], sizeof key.bytes);
    auto [it, inserted] = kept.emplace(key, static_cast<int32_t>(outline->aVertices.size()));
    if (inserted) {
      v4f vertex = positions[i];
      vertex.w = 1.0f;
      outline->aVertices.push_back(vertex);
    }
    remap[i] = it->second;
  }

  // Faces in triangle order; a triangle that names a vertex the mesh does
  // not hold has no place in the outline and is left out.
  size_t dropped = 0;
  const size_t triangles = TriangleCount(mesh);
  for (size_t t = 0; t < triangles; ++t) {
    VLM_CAGE_FACE face{};
    bool valid = true;
    for (int k = 0; k < 3; ++k) {
      const int32_t index = mesh.aiIndices[3 * t + k];
      if (index < 0 || static_cast<size_t>(index) >= positions.size()) {
        valid = false;
        break;
      }
      face.iVertex[k] = remap[static_cast<size_t>(index)];
    }
    if (valid) {
      outline->aFaces.push_back(face);
    } else {
      ++dropped;
    }
  }
  if (dropped) {
    const std::string text = "Fail: " + std::to_string(dropped) +
                             " triangles with a vertex index out of range were left out!";
    vlm::Fail(text.c_str(), kProc);
  }

  // Unique edges in face order; an edge from a vertex to itself (a face
  // whose corners welded together) is no edge of the solid.
  std::unordered_set<uint64_t> seen;
  for (const VLM_CAGE_FACE& face : outline->aFaces) {
    for (int k = 0; k < 3; ++k) {
      const int32_t a = face.iVertex[k];
      const int32_t b = face.iVertex[(k + 1) % 3];
      if (a == b) continue;
      if (seen.insert(EdgeKey(a, b)).second) outline->aEdges.push_back(VLM_CAGE_EDGE{{a, b}});
    }
  }
}

}  // namespace

}  // namespace vlm

extern "C" VLM_CAGE* VLM_CreateCageFromMesh(VLM_HANDLE id, VLM_HANDLE meshHandle, int kind, float factor,
                                            const char* name) {
  using namespace vlm;
  const VLM_MESH* mesh = VLM_ResolveMesh(meshHandle);
  if (!mesh) {
    vlm::Fail("Fail: Mesh not found!", kProc);
    return nullptr;
  }
  if (kind != VLM_CAGE_SPHERE && kind != VLM_CAGE_BOX && kind != VLM_CAGE_POLYHEDRON) {
    vlm::Fail("Fail: A mesh gives only SPHERE, BOX or POLYHEDRON cages!", kProc);
    return nullptr;
  }
  if (!FitsFinitely(*mesh, factor)) {
    VLM_LogMessage("Fail: The mesh's positions and the factor must be finite, the factor not negative!",
                   VLM_COLOR_FAIL, 0, "", kProc);
    return nullptr;
  }
  VLM_CAGE* cage = VLM_CreateCageListEntry(&id, name ? name : "");
  if (!cage) return nullptr;
  cage->iKind = kind;
  switch (kind) {
    case VLM_CAGE_SPHERE:
      FitSphere(*mesh, factor, *cage);
      break;
    case VLM_CAGE_BOX:
      FitBox(*mesh, factor, *cage);
      break;
    default:
      FitPolyhedron(*mesh, *cage);
      break;
  }
  if (cage->pRoot && cage->pRoot->pOutline) FinishCageOutline(*cage->pRoot->pOutline);
  return cage;
}
