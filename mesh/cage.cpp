// Cages: release and resolution, nodes and outlines, face normals. What
// each kind does is in its own file (see mesh/cage_kinds.h).
#include "mesh/cage.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <string>

#include "core/finite.h"
#include "core/registries.h"
#include "mesh/cage_record.h"
#include "velmora/cage.h"
#include "velmora/core.h"
#include "velmora/registry.h"

namespace vlm {

namespace {

CageReleaseHook g_releaseHook = nullptr;

}  // namespace

void SetCageReleaseHook(CageReleaseHook hook) { g_releaseHook = hook; }

void ResetCages() { CageRegistry().ReleaseAll(); }

VLM_CAGE_NODE* AddCageNode(VLM_CAGE& cage) {
  cage.nodes.push_back(std::make_unique<VLM_CAGE_NODE>());
  return cage.nodes.back().get();
}

VLM_CAGE_OUTLINE* AddCageOutline(VLM_CAGE& cage, VLM_CAGE_NODE& node) {
  cage.outlines.push_back(std::make_unique<VLM_CAGE_OUTLINE>());
  node.pOutline = cage.outlines.back().get();
  return node.pOutline;
}

void ComputeCageFaceNormals(VLM_CAGE_OUTLINE& outline) {
  const auto& vertices = outline.aVertices;
  for (VLM_CAGE_FACE& face : outline.aFaces) {
    const v4f& v0 = vertices[static_cast<size_t>(face.iVertex[0])];
    const v4f& v1 = vertices[static_cast<size_t>(face.iVertex[1])];
    const v4f& v2 = vertices[static_cast<size_t>(face.iVertex[2])];
    // N = (v0 - v1) x (v0 - v2), in double so that tiny or huge faces do not
    // lose their direction before the float results are checked.
    const double ax = double(v0.x) - v1.x, ay = double(v0.y) - v1.y, az = double(v0.z) - v1.z;
    const double bx = double(v0.x) - v2.x, by = double(v0.y) - v2.y, bz = double(v0.z) - v2.z;
    const double nx = ay * bz - az * by;
    const double ny = az * bx - ax * bz;
    const double nz = ax * by - ay * bx;
    const double lengthSq = nx * nx + ny * ny + nz * nz;
    const double inverse = 1.0 / lengthSq;
    // A face without area, with non-finite corners, or whose 1/|N|^2 does
    // not fit a float has no usable direction: zeros make every later test
    // against it fail instead of dividing by 0.
    if (!(lengthSq > 0.0) || !(inverse >= double(std::numeric_limits<float>::min())) ||
        !(inverse <= double(std::numeric_limits<float>::max()))) {
      face.fInvNormalSq = 0.0f;
      face.v4fNormal = v4f{0.0f, 0.0f, 0.0f, 0.0f};
      continue;
    }
    const double length = std::sqrt(lengthSq);
    const float invLengthSq = static_cast<float>(inverse);
    const float ux = static_cast<float>(nx / length);
    const float uy = static_cast<float>(ny / length);
    const float uz = static_cast<float>(nz / length);
    face.fInvNormalSq = invLengthSq;
    face.v4fNormal = v4f{ux, uy, uz, 0.0f};
  }
}

void FinishCageOutline(VLM_CAGE_OUTLINE& outline) {
  outline.iLastVertex = static_cast<int32_t>(outline.aVertices.size()) - 1;
  outline.iLastEdge = static_cast<int32_t>(outline.aEdges.size()) - 1;
  outline.iLastFace = static_cast<int32_t>(outline.aFaces.size()) - 1;
  ComputeCageFaceNormals(outline);
}

void SetNodeBoxWithOrigin(VLM_CAGE_NODE& node, const std::vector<v4f>& points) {
  float lo[3] = {0.0f, 0.0f, 0.0f};
  float hi[3] = {0.0f, 0.0f, 0.0f};
  for (const v4f& p : points) {
    const float c[3] = {p.x, p.y, p.z};
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], c[k]);
      hi[k] = std::max(hi[k], c[k]);
    }
  }
  const float cx = (lo[0] + hi[0]) * 0.5f, cy = (lo[1] + hi[1]) * 0.5f, cz = (lo[2] + hi[2]) * 0.5f;
  node.v4fCentre = v4f{cx, cy, cz, 1.0f};
  node.v4fHalfExtents = v4f{hi[0] - cx, hi[1] - cy, hi[2] - cz, 0.0f};
}

}  // namespace vlm

extern "C" {

int VLM_FreeCage(VLM_HANDLE handle) {
  auto& registry = vlm::CageRegistry();
  auto* record = registry.Resolve(handle);
  if (!record) return 0;
  // Bodies must not keep pointing at a released shape.
  if (vlm::g_releaseHook) vlm::g_releaseHook(record);
  // Nodes and outlines belong to the record and go with it.
  registry.Remove(record);
  return 1;
}

// -1 means no cage; -2 the built-in point cage. Physics start-up makes it;
// resolving makes it too, so no caller depends on the start-up order.
VLM_CAGE* VLM_ResolveCage(VLM_HANDLE handle) {
  if (handle == VLM_CAGE_HANDLE_NONE) return nullptr;
  if (handle == VLM_CAGE_HANDLE_POINT) return vlm::CreatePointCage();
  return vlm::CageRegistry().Resolve(handle);
}

}  // extern "C"
