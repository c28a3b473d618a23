// Primitives built in code: triangle, square plane, rectangle, the empty
// mesh, appending a transformed mesh to another, and the cube.
#include <cmath>
#include <numbers>

#include "core/finite.h"
#include "core/trig.h"
#include "mesh/mesh_internal.h"
#include "velmora/math.h"
#include "velmora/mesh.h"

namespace {

// Corner of a flat primitive: position in the XZ plane, texture coordinate
// and whether it lies on the +Z edge (group "Dynamic").
struct FlatCorner {
  float x, z, u, v;
  bool dynamic;
};

VLM_MESH* CreateFlat(VLM_HANDLE id, const char* name, const FlatCorner* corners, int32_t count) {
  VLM_HANDLE handle = id;
  VLM_MESH* mesh = VLM_CreateMeshListEntry(&handle, name);
  if (!mesh) return nullptr;
  const int32_t staticGroup = VLM_AddMeshGroup(handle, "Static");
  const int32_t dynamicGroup = VLM_AddMeshGroup(handle, "Dynamic");
  VLM_SetMeshVertexCount(handle, count);
  for (int32_t i = 0; i < count; ++i) {
    const FlatCorner& c = corners[i];
    VLM_SetMeshVertexPosition(handle, i, c.x, 0.0f, c.z, 1.0f);
    VLM_SetMeshVertexNormal(handle, i, 0.0f, 1.0f, 0.0f);
    VLM_SetMeshVertexTexCoord(handle, i, c.u, c.v);
    VLM_SetMeshVertexGroup(handle, i, c.dynamic ? dynamicGroup : staticGroup);
  }
  VLM_SetMeshTriangleCount(handle, count / 3);
  for (int32_t t = 0; t < count / 3; ++t) VLM_SetMeshTriangle(handle, t, 3 * t, 3 * t + 1, 3 * t + 2);
  VLM_FinishMesh(handle);
  return mesh;
}

// The plane's six corners over [x0, x1] x [z0, z1].
VLM_MESH* CreateQuad(VLM_HANDLE id, const char* name, float x0, float x1, float z0, float z1,
                     float uScale, float vScale) {
  const FlatCorner corners[6] = {
      {x0, z0, uScale, vScale, false}, {x0, z1, uScale, 0.0f, true}, {x1, z1, 0.0f, 0.0f, true},
      {x1, z1, 0.0f, 0.0f, true},      {x1, z0, 0.0f, vScale, false}, {x0, z0, uScale, vScale, false},
  };
  return CreateFlat(id, name, corners, 6);
}

// Scale, rotation about x, then y, then z (degrees) and translation, for
// row vectors: p' = p x M.
m4f PlacementMatrix(float px, float py, float pz, float ax, float ay, float az, float scaleX,
                    float scaleY, float scaleZ) {
  constexpr float kRadians = std::numbers::pi_v<float> / 180.0f;
  const float cx = vlm::Cos(ax * kRadians), sx = vlm::Sin(ax * kRadians);
  const float cy = vlm::Cos(ay * kRadians), sy = vlm::Sin(ay * kRadians);
  const float cz = vlm::Cos(az * kRadians), sz = vlm::Sin(az * kRadians);
  m4f m{};
  const float rows[3][3] = {
      {cy * cz, sx * sy * cz + cx * sz, -cx * sy * cz + sx * sz},
      {-cy * sz, -sx * sy * sz + cx * cz, cx * sy * sz + sx * cz},
      {sy, -sx * cy, cx * cy},
  };
  const float scale[3] = {scaleX, scaleY, scaleZ};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) m.e[r * 4 + c] = rows[r][c] * scale[r];
    m.e[r * 4 + 3] = 0.0f;
  }
  m.e[12] = px;
  m.e[13] = py;
  m.e[14] = pz;
  m.e[15] = 1.0f;
  return m;
}

}  // namespace

extern "C" {

VLM_MESH* VLM_CreateTriangleMesh(VLM_HANDLE mesh, float size, float uvScale, const char* name) {
  if (!vlm::AllFinite({size, uvScale})) {
    vlm::RefuseNumber("VLM_CreateTriangleMesh");
    return nullptr;
  }
  const float h = size * 0.5f;
  const FlatCorner corners[3] = {
      {0.0f, h, uvScale * 0.5f, 0.0f, true},
      {h, -h, 0.0f, uvScale, false},
      {-h, -h, uvScale, uvScale, false},
  };
  return CreateFlat(mesh, name, corners, 3);
}

VLM_MESH* VLM_CreatePlaneMesh(VLM_HANDLE mesh, float size, float uvScale, const char* name) {
  if (!vlm::AllFinite({size, uvScale})) {
    vlm::RefuseNumber("VLM_CreatePlaneMesh");
    return nullptr;
  }
  const float h = size * 0.5f;
  return CreateQuad(mesh, name, -h, h, -h, h, uvScale, uvScale);
}

VLM_MESH* VLM_CreateRectangleMesh(VLM_HANDLE mesh, float width, float depth, float uScale,
                                  float vScale, int fromCorner, const char* name) {
  if (!vlm::AllFinite({width, depth, uScale, vScale})) {
    vlm::RefuseNumber("VLM_CreateRectangleMesh");
    return nullptr;
  }
  if (fromCorner) return CreateQuad(mesh, name, 0.0f, width, 0.0f, depth, uScale, vScale);
  const float hx = width * 0.5f, hz = depth * 0.5f;
  return CreateQuad(mesh, name, -hx, hx, -hz, hz, uScale, vScale);
}

VLM_MESH* VLM_CreateMesh(VLM_HANDLE mesh, const char* name) {
  VLM_HANDLE handle = mesh;
  return VLM_CreateMeshListEntry(&handle, name);
}

int32_t VLM_AddMeshToMesh(VLM_HANDLE targetHandle, VLM_HANDLE sourceHandle, float px, float py,
                          float pz, float ax, float ay, float az, float sx, float sy, float sz,
                          int32_t group) {
  VLM_MESH* target = VLM_ResolveMesh(targetHandle);
  VLM_MESH* source = VLM_ResolveMesh(sourceHandle);
  if (!target || !source) return 0;
  constexpr const char* kProc = "VLM_AddMeshToMesh";
  if (!vlm::AllFinite({px, py, pz, ax, ay, az, sx, sy, sz})) return vlm::RefuseNumber(kProc);
  if (group != -1 && !vlm::mesh::GroupUsable(group, kProc)) return 0;
  const m4f m = PlacementMatrix(px, py, pz, ax, ay, az, sx, sy, sz);
  // Placed positions are checked before the target grows, so a refused
  // call leaves it as it was.
  for (int32_t i = 0; i < source->iVertexCount; ++i) {
    v4f at = source->aVertices[static_cast<size_t>(i)].v4fPosition;
    at.w = 1.0f;
    VLM_v4fTransform(&at, &m);
    if (!vlm::AllFinite({at.x, at.y, at.z})) return vlm::RefuseNumber(kProc);
  }
  // Counts are taken first: the source may be the target itself.
  const int32_t nv = target->iVertexCount;
  const int32_t ni = target->iIndexCount;
  const int32_t sourceVertices = source->iVertexCount;
  const int32_t sourceIndices = source->iIndexCount;
  if (!vlm::mesh::GrowVertices(*target, int64_t{nv} + sourceVertices, kProc)) return 0;
  if (!vlm::mesh::GrowIndices(*target, int64_t{ni} + sourceIndices, kProc)) {
    target->aVertices.resize(static_cast<size_t>(nv));
    target->iVertexCount = nv;
    return 0;
  }
  for (int32_t i = 0; i < sourceVertices; ++i) {
    const VLM_MESH_VERTEX& from = source->aVertices[static_cast<size_t>(i)];
    VLM_MESH_VERTEX to{};
    to.v4fPosition = from.v4fPosition;
    to.v4fPosition.w = 1.0f;
    VLM_v4fTransform(&to.v4fPosition, &m);
    v4f normal{from.v3fNormal[0], from.v3fNormal[1], from.v3fNormal[2], 0.0f};
    VLM_v4fTransform(&normal, &m);  // w = 0: only the upper 3 x 3 part acts
    VLM_v4fNormalize(&normal);
    to.v3fNormal[0] = normal.x;
    to.v3fNormal[1] = normal.y;
    to.v3fNormal[2] = normal.z;
    to.v2fTexCoord[0] = from.v2fTexCoord[0];
    to.v2fTexCoord[1] = from.v2fTexCoord[1];
    to.iGroup = group == -1 ? from.iGroup : group;
    target->aVertices[static_cast<size_t>(nv + i)] = to;
  }
  for (int32_t j = 0; j < sourceIndices; ++j) {
    // Wrapping keeps a broken source index broken (finishing mends it)
    // without overflowing.
    const auto shifted = static_cast<uint32_t>(source->aiIndices[static_cast<size_t>(j)]) +
                         static_cast<uint32_t>(nv);
    target->aiIndices[static_cast<size_t>(ni + j)] = static_cast<int32_t>(shifted);
  }
  return target->iVertexCount;
}

VLM_MESH* VLM_CreateCubeMesh(VLM_HANDLE mesh, float size, float uvScale, int32_t group,
                             const char* name) {
  if (!vlm::AllFinite({size, uvScale})) {
    vlm::RefuseNumber("VLM_CreateCubeMesh");
    return nullptr;
  }
  if (group != -1 && !vlm::mesh::GroupUsable(group, "VLM_CreateCubeMesh")) return nullptr;
  VLM_MESH* cube = VLM_CreateMesh(mesh, name);
  if (!cube) return nullptr;
  const auto cubeHandle = reinterpret_cast<VLM_HANDLE>(cube);
  VLM_MESH* plane = VLM_CreatePlaneMesh(-1, size, uvScale, "");
  if (!plane) {
    VLM_FreeMesh(cubeHandle);
    return nullptr;
  }
  const float h = size * 0.5f;
  struct Face {
    float px, py, pz, ax, ay, az;
  };
  const Face faces[6] = {
      {0, h, 0, 0, 0, 0},    {0, 0, h, 90, 90, 0},    {h, 0, 0, 90, 0, -90},
      {0, -h, 0, 180, 0, 0}, {0, 0, -h, -90, 90, 0}, {-h, 0, 0, 90, 0, 90},
  };
  const auto planeHandle = reinterpret_cast<VLM_HANDLE>(plane);
  for (const Face& f : faces) {
    VLM_AddMeshToMesh(cubeHandle, planeHandle, f.px, f.py, f.pz, f.ax, f.ay, f.az, 1.0f, 1.0f,
                      1.0f, group);
  }
  VLM_FinishMesh(cubeHandle);
  VLM_FreeMesh(planeHandle);
  return cube;
}

}  // extern "C"
