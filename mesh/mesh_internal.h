// Helpers shared by the mesh sources: array sizing that survives a failed
// allocation, the finishing steps, GL upload and release.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "mesh/mesh_record.h"
#include "velmora/definition.h"

namespace vlm::mesh {

constexpr const char* kModule = "VLM Mesh";

// Largest vertex or index count a mesh takes: counts are int32 and the
// index array keeps one spare element.
constexpr int64_t kMaxCount = INT32_MAX - 1;

// Group indices run from 0; the shader receives them as floats, exact up to
// 2^24. True for such an index, else false after the failure row.
constexpr int32_t kMaxGroupIndex = 1 << 24;
bool GroupUsable(int32_t group, const char* proc);

// Replace the arrays by zero-filled ones. On a count above kMaxCount or a
// failed allocation they log a failure row for `proc`, leave the mesh
// unchanged and return false.
bool SetVertexCount(VLM_MESH& mesh, int64_t count, const char* proc);
bool SetIndexCount(VLM_MESH& mesh, int64_t count, const char* proc);
// Grow keeping the contents (same failure handling).
bool GrowVertices(VLM_MESH& mesh, int64_t count, const char* proc);
bool GrowIndices(VLM_MESH& mesh, int64_t count, const char* proc);

// The name of a loaded record: `name` when it is not empty, else the part
// of `path` after the last "/" or "\".
std::string NameOrFilePart(const char* name, std::string_view path);

// Finishing steps. MendIndices sets indices outside the vertex array to 0
// (drops every triangle when there are no vertices) and logs one failure
// row for `proc` when it changed anything; returns how many it changed.
int64_t MendIndices(VLM_MESH& mesh, const char* proc);
void BuildGroupTable(VLM_MESH& mesh);
void ComputeTangents(VLM_MESH& mesh);
void ComputeBox(VLM_MESH& mesh);

// GL: upload (creating the objects when the mesh has none) and release.
// Both do nothing without a GL context or without the entry points.
void UploadToGL(VLM_MESH& mesh, bool dynamicUsage);
void DeleteGLObjects(VLM_MESH& mesh);

// The engine mesh loader after the headline, on a tree already read (null
// when the file could not be read). Releases the tree.
VLM_MESH* BuildMeshFromTree(VLM_HANDLE id, VLM_DEFINITION_NODE* root, std::string_view fileName,
                            const char* name);

// Releases a mesh record by its address (registry release procedure).
void Release(VLM_MESH* mesh);

// Releases every mesh: a fresh start for tests.
void ResetMeshes();

}  // namespace vlm::mesh
