// POLYHEDRON cages: one root node boxing a convex outline and the body's
// origin. The outline comes from a cage file's lists or from a mesh's
// triangles, its equal positions welded.
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/fail.h"
#include "mesh/cage.h"
#include "mesh/cage_kinds.h"
#include "velmora/cage.h"

namespace vlm {

namespace {

constexpr uint32_t kFaceColour = 0x40FFC0;
constexpr uint32_t kNormalColour = 0xFFFFFF;
constexpr uint32_t kEdgeColour = 0x40FF40;

const VLM_CAGE_OUTLINE* ReadPolyhedron(VLM_DEFINITION_NODE* cageNode, VLM_CAGE& cage) {
  VLM_CAGE_NODE* root = AddCageNode(cage);
  cage.pRoot = root;
  VLM_CAGE_OUTLINE* outline = AddCageOutline(cage, *root);
  ReadCageOutline(cageNode, *outline);
  SetNodeBoxWithOrigin(*root, outline->aVertices);
  return outline;
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

// The box of the positions and the origin (the factor is not applied); the
// mesh's triangles in order as faces, over its positions welded by their
// bytes; each face's edges once, in face order.
void FitPolyhedron(const VLM_MESH& mesh, float, VLM_CAGE& cage) {
  VLM_CAGE_NODE* root = AddCageNode(cage);
  cage.pRoot = root;
  const std::vector<v4f> positions = MeshPositions(mesh);
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

  // A triangle that names a vertex the mesh does not hold has no place in
  // the outline and is left out.
  size_t dropped = 0;
  const size_t triangles = MeshTriangleCount(mesh);
  const int32_t* indices = MeshIndices(mesh);
  for (size_t t = 0; t < triangles; ++t) {
    VLM_CAGE_FACE face{};
    bool valid = true;
    for (int k = 0; k < 3; ++k) {
      const int32_t index = indices[3 * t + k];
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
    vlm::Fail(text.c_str(), "VLM_CreateCageFromMesh");
  }

  // An edge from a vertex to itself (a face whose corners welded together)
  // is no edge of the solid.
  std::unordered_set<uint64_t> seen;
  for (const VLM_CAGE_FACE& face : outline->aFaces) {
    for (int k = 0; k < 3; ++k) {
      const int32_t a = face.iVertex[k];
      const int32_t b = face.iVertex[(k + 1) % 3];
      if (a == b) continue;
      if (seen.insert(EdgeKey(a, b)).second) outline->aEdges.push_back(VLM_CAGE_EDGE{{a, b}});
    }
  }
  FinishCageOutline(*outline);
}

v4f Mid(const v4f& a, const v4f& b) { return v4f{(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2, 1.0f}; }

// For each face a line from each corner to the middle of the other two and
// one along the normal from the first corner; then every edge.
void PolyhedronLines(const VLM_CAGE& cage, const CageLineSink& lines) {
  if (!cage.pRoot || !cage.pRoot->pOutline) return;
  const VLM_CAGE_OUTLINE& outline = *cage.pRoot->pOutline;
  const auto& v = outline.aVertices;
  for (const VLM_CAGE_FACE& face : outline.aFaces) {
    const v4f& a = v[static_cast<size_t>(face.iVertex[0])];
    const v4f& b = v[static_cast<size_t>(face.iVertex[1])];
    const v4f& c = v[static_cast<size_t>(face.iVertex[2])];
    lines.Add(a, Mid(b, c), kFaceColour);
    lines.Add(b, Mid(a, c), kFaceColour);
    lines.Add(c, Mid(a, b), kFaceColour);
    const v4f tip{a.x + face.v4fNormal.x, a.y + face.v4fNormal.y, a.z + face.v4fNormal.z, a.w + face.v4fNormal.w};
    lines.Add(a, tip, kNormalColour);
  }
  for (const VLM_CAGE_EDGE& edge : outline.aEdges) {
    lines.Add(v[static_cast<size_t>(edge.iVertex[0])], v[static_cast<size_t>(edge.iVertex[1])], kEdgeColour);
  }
}

}  // namespace

const CageKindOps kPolyhedronKind{VLM_CAGE_POLYHEDRON, "POLYHEDRON", ReadPolyhedron, FitPolyhedron,
                                  RootBoxInertia, RootBoxReach, PolyhedronLines};

}  // namespace vlm
