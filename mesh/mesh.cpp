// The mesh record: array sizing, vertex and triangle access, groups and
// release through the registry.
#include <new>

#include "core/fail.h"
#include "core/finite.h"
#include "core/registries.h"
#include "mesh/mesh_internal.h"
#include "mesh/mesh_record.h"
#include "mesh/mesh_release.h"
#include "velmora/core.h"
#include "velmora/mesh.h"

namespace vlm {

namespace {
MeshReleaseHook g_releaseHook = nullptr;
}  // namespace

void SetMeshReleaseHook(MeshReleaseHook hook) { g_releaseHook = hook; }

}  // namespace vlm

namespace vlm::mesh {

namespace {

bool CountFits(int64_t count, const char* proc) {
  if (count >= 0 && count <= kMaxCount) return true;
  Fail(count < 0 ? "Fail: Negative count!" : "Fail: Mesh too large!", proc);
  return false;
}

// Replaces `array` by `count` + `spare` zero-filled elements, or with
// `keep` grows it keeping the contents; stores the count on success.
template <class T>
bool SizeArray(std::vector<T>& array, int32_t& storedCount, int64_t count, size_t spare, bool keep,
               const char* proc) {
  if (!CountFits(count, proc)) return false;
  const size_t size = static_cast<size_t>(count) + spare;
  try {
    if (keep) {
      array.resize(size);
    } else {
      std::vector<T> fresh(size);
      array.swap(fresh);
    }
  } catch (const std::bad_alloc&) {
    Fail("Fail: Out of memory!", proc);
    return false;
  }
  storedCount = static_cast<int32_t>(count);
  return true;
}

}  // namespace

bool SetVertexCount(VLM_MESH& mesh, int64_t count, const char* proc) {
  return SizeArray(mesh.aVertices, mesh.iVertexCount, count, 0, false, proc);
}

bool SetIndexCount(VLM_MESH& mesh, int64_t count, const char* proc) {
  return SizeArray(mesh.aiIndices, mesh.iIndexCount, count, 1, false, proc);
}

bool GrowVertices(VLM_MESH& mesh, int64_t count, const char* proc) {
  return SizeArray(mesh.aVertices, mesh.iVertexCount, count, 0, true, proc);
}

bool GrowIndices(VLM_MESH& mesh, int64_t count, const char* proc) {
  return SizeArray(mesh.aiIndices, mesh.iIndexCount, count, 1, true, proc);
}

std::string NameOrFilePart(const char* name, std::string_view path) {
  if (name && *name) return name;
  const size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

void Release(VLM_MESH* mesh) {
  if (g_releaseHook) g_releaseHook(mesh);
  DeleteGLObjects(*mesh);
  vlm::MeshRegistry().Remove(mesh);
}

void ResetMeshes() { MeshRegistry().ReleaseAll(); }

bool GroupUsable(int32_t group, const char* proc) {
  return RefuseUnless(group >= 0 && group <= kMaxGroupIndex, proc, "Fail: Group index out of range!");
}

}  // namespace vlm::mesh

namespace {

constexpr const char* kNumberFail = "Fail: Vertex number out of range!";

VLM_MESH_VERTEX* VertexAt(VLM_HANDLE handle, int32_t i, const char* proc) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  if (!mesh) return nullptr;
  if (i < 0 || i >= mesh->iVertexCount) {
    vlm::Fail(kNumberFail, proc);
    return nullptr;
  }
  return &mesh->aVertices[static_cast<size_t>(i)];
}

}  // namespace

extern "C" {

int VLM_FreeMesh(VLM_HANDLE handle) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  if (!mesh) return 0;
  vlm::mesh::Release(mesh);
  return 1;
}

int64_t VLM_SetMeshVertexCount(VLM_HANDLE handle, int32_t n) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  if (!mesh || !vlm::mesh::SetVertexCount(*mesh, n, "VLM_SetMeshVertexCount")) return 0;
  return int64_t{n} * 52;
}

int64_t VLM_SetMeshTriangleCount(VLM_HANDLE handle, int32_t n) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  if (!mesh || !vlm::mesh::SetIndexCount(*mesh, int64_t{n} * 3, "VLM_SetMeshTriangleCount")) return 0;
  return int64_t{n} * 12;
}

int64_t VLM_SetMeshIndexCount(VLM_HANDLE handle, int32_t n) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  if (!mesh || !vlm::mesh::SetIndexCount(*mesh, n, "VLM_SetMeshIndexCount")) return 0;
  return int64_t{n} * 4;
}

int VLM_SetMeshVertexPosition(VLM_HANDLE mesh, int32_t i, float x, float y, float z, float w) {
  VLM_MESH_VERTEX* v = VertexAt(mesh, i, "VLM_SetMeshVertexPosition");
  if (!v) return 0;
  if (!vlm::AllFinite({x, y, z, w})) return vlm::RefuseNumber("VLM_SetMeshVertexPosition");
  v->v4fPosition = v4f{x, y, z, w};
  return 1;
}

int VLM_SetMeshVertexNormal(VLM_HANDLE mesh, int32_t i, float x, float y, float z) {
  VLM_MESH_VERTEX* v = VertexAt(mesh, i, "VLM_SetMeshVertexNormal");
  if (!v) return 0;
  if (!vlm::AllFinite({x, y, z})) return vlm::RefuseNumber("VLM_SetMeshVertexNormal");
  v->v3fNormal[0] = x;
  v->v3fNormal[1] = y;
  v->v3fNormal[2] = z;
  return 1;
}

int VLM_SetMeshVertexTexCoord(VLM_HANDLE mesh, int32_t i, float u, float v) {
  VLM_MESH_VERTEX* vertex = VertexAt(mesh, i, "VLM_SetMeshVertexTexCoord");
  if (!vertex) return 0;
  if (!vlm::AllFinite({u, v})) return vlm::RefuseNumber("VLM_SetMeshVertexTexCoord");
  vertex->v2fTexCoord[0] = u;
  vertex->v2fTexCoord[1] = v;
  return 1;
}

int VLM_SetMeshVertexGroup(VLM_HANDLE mesh, int32_t i, int32_t group) {
  VLM_MESH_VERTEX* v = VertexAt(mesh, i, "VLM_SetMeshVertexGroup");
  if (!v || !vlm::mesh::GroupUsable(group, "VLM_SetMeshVertexGroup")) return 0;
  v->iGroup = group;
  return 1;
}

int VLM_SetMeshTriangle(VLM_HANDLE handle, int32_t t, int32_t i0, int32_t i1, int32_t i2) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  if (!mesh) return 0;
  if (t < 0 || int64_t{t} * 3 + 2 >= mesh->iIndexCount) {
    vlm::Fail("Fail: Triangle number out of range!", "VLM_SetMeshTriangle");
    return 0;
  }
  int32_t* p = &mesh->aiIndices[static_cast<size_t>(t) * 3];
  p[0] = i0;
  p[1] = i1;
  p[2] = i2;
  return 1;
}

int32_t VLM_GetMeshVertexCount(VLM_HANDLE handle) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  return mesh ? mesh->iVertexCount : 0;
}

int32_t VLM_GetMeshIndexCount(VLM_HANDLE handle) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  return mesh ? mesh->iIndexCount : 0;
}

int32_t VLM_GetMeshTriangleCount(VLM_HANDLE handle) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  return mesh ? mesh->iIndexCount / 3 : 0;
}

VLM_MESH_VERTEX* VLM_GetMeshVertex(VLM_HANDLE mesh, int32_t i) {
  return VertexAt(mesh, i, "VLM_GetMeshVertex");
}

float* VLM_GetMeshVertexNormal(VLM_HANDLE mesh, int32_t i) {
  VLM_MESH_VERTEX* v = VertexAt(mesh, i, "VLM_GetMeshVertexNormal");
  return v ? v->v3fNormal : nullptr;
}

float* VLM_GetMeshVertexTexCoord(VLM_HANDLE mesh, int32_t i) {
  VLM_MESH_VERTEX* v = VertexAt(mesh, i, "VLM_GetMeshVertexTexCoord");
  return v ? v->v2fTexCoord : nullptr;
}

int32_t VLM_GetMeshVertexGroup(VLM_HANDLE mesh, int32_t i) {
  VLM_MESH_VERTEX* v = VertexAt(mesh, i, "VLM_GetMeshVertexGroup");
  return v ? v->iGroup : 0;
}

int32_t* VLM_GetMeshIndices(VLM_HANDLE handle) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  return mesh && mesh->iIndexCount > 0 ? mesh->aiIndices.data() : nullptr;
}

int VLM_GetMeshBox(VLM_HANDLE handle, v4f* centre, v4f* halfExtents) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  if (!mesh) return 0;
  if (centre) *centre = mesh->v4fBoxCentre;
  if (halfExtents) *halfExtents = mesh->v4fBoxHalfExtents;
  return 1;
}

const char* VLM_GetMeshName(VLM_HANDLE handle) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  return mesh ? mesh->sName.c_str() : "";
}

int32_t VLM_GetMeshGroupIndex(VLM_HANDLE handle, const char* name) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  if (!mesh) return -1;
  auto it = mesh->mGroupNames.find(name ? name : "");
  return it == mesh->mGroupNames.end() ? -1 : it->second->iIndex;
}

int32_t VLM_AddMeshGroup(VLM_HANDLE handle, const char* name) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  if (!mesh) return -1;
  std::string key = name ? name : "";
  auto it = mesh->mGroupNames.find(key);
  if (it != mesh->mGroupNames.end()) return it->second->iIndex;
  VLM_MESH_GROUP& group = mesh->lGroups.emplace_back();
  group.iIndex = static_cast<int32_t>(mesh->lGroups.size() - 1);
  group.sName = key;
  mesh->mGroupNames.emplace(std::move(key), &group);
  return group.iIndex;
}

int32_t VLM_GetMeshGroupCount(VLM_HANDLE handle) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  return mesh ? static_cast<int32_t>(mesh->lGroups.size()) : 0;
}

const char* VLM_GetMeshGroupName(VLM_HANDLE handle, int32_t index) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  if (!mesh || index < 0) return nullptr;
  for (const VLM_MESH_GROUP& group : mesh->lGroups) {
    if (group.iIndex == index) return group.sName.c_str();
  }
  return nullptr;
}

}  // extern "C"
