// Finishing a mesh: index check, group table, tangents, bounding box, GL
// upload and the count rows; updating and scaling a finished mesh.
#include <emmintrin.h>

#include <cmath>
#include <string>

#include "core/engine_state.h"
#include "core/fail.h"
#include "core/finite.h"
#include "gpu/gl_objects.h"
#include "mesh/mesh_internal.h"
#include "velmora/core.h"
#include "velmora/mesh.h"

namespace vlm::mesh {

int64_t MendIndices(VLM_MESH& mesh, const char* proc) {
  const int32_t vertexCount = mesh.iVertexCount;
  int64_t mended = 0;
  if (vertexCount == 0) {
    // Nothing to point at: no triangle can be drawn.
    mended = mesh.iIndexCount;
    if (mended > 0) SetIndexCount(mesh, 0, proc);
  } else {
    int32_t* index = mesh.aiIndices.data();
    for (int32_t k = 0; k < mesh.iIndexCount; ++k) {
      if (static_cast<uint32_t>(index[k]) >= static_cast<uint32_t>(vertexCount)) {
        index[k] = 0;
        ++mended;
      }
    }
  }
  if (mended > 0) {
    const std::string text = "Fail: " + std::to_string(mended) +
                             (vertexCount == 0 ? " indices without vertices were removed!"
                                               : " indices out of range were set to 0!");
    vlm::Fail(text.c_str(), proc);
  }
  return mended;
}

void BuildGroupTable(VLM_MESH& mesh) {
  mesh.apGroupTable.assign(mesh.lGroups.size(), nullptr);
  for (VLM_MESH_GROUP& group : mesh.lGroups) {
    mesh.apGroupTable[static_cast<size_t>(group.iIndex)] = &group;
  }
}

void ComputeTangents(VLM_MESH& mesh) {
  const int32_t vertexCount = mesh.iVertexCount;
  if (vertexCount < 1) return;
  // The tangent fields themselves hold the per-vertex sums: no scratch
  // array, same additions in the same order.
  VLM_MESH_VERTEX* vertex = mesh.aVertices.data();
  for (int32_t i = 0; i < vertexCount; ++i) {
    vertex[i].v3fTangent[0] = vertex[i].v3fTangent[1] = vertex[i].v3fTangent[2] = 0.0f;
  }
  const int32_t* index = mesh.aiIndices.data();
  const auto n = static_cast<uint32_t>(vertexCount);
  // Triangles from the last to the first; the order fixes the rounding.
  for (int32_t k = (mesh.iIndexCount / 3) * 3 - 1; k >= 2; k -= 3) {
    const uint32_t q = static_cast<uint32_t>(index[k]);
    const uint32_t r = static_cast<uint32_t>(index[k - 1]);
    const uint32_t p = static_cast<uint32_t>(index[k - 2]);
    // Indices are mended before this runs; this guard keeps it safe anyway.
    if (q >= n || r >= n || p >= n) continue;
    const v4f& pq = vertex[q].v4fPosition;
    const v4f& pr = vertex[r].v4fPosition;
    const v4f& pp = vertex[p].v4fPosition;
    const float* tq = vertex[q].v2fTexCoord;
    const float* tr = vertex[r].v2fTexCoord;
    const float* tp = vertex[p].v2fTexCoord;
    const float e1x = pr.x - pq.x, e1y = pr.y - pq.y, e1z = pr.z - pq.z;
    const float e2x = pp.x - pq.x, e2y = pp.y - pq.y, e2z = pp.z - pq.z;
    const float d1u = tr[0] - tq[0], d1v = tr[1] - tq[1];
    const float d2u = tp[0] - tq[0], d2v = tp[1] - tq[1];
    const float det = d1u * d2v - d2u * d1v;
    if (det == 0.0f) continue;
    const float f = 1.0f / det;
    const float tx = f * (d2v * e1x - d1v * e2x);
    const float ty = f * (d2v * e1y - d1v * e2y);
    const float tz = f * (d2v * e1z - d1v * e2z);
    // Coordinates near the float limit overflow here; such a triangle gives
    // no direction rather than a NaN that spreads to its neighbours.
    if (!AllFinite({tx, ty, tz})) continue;
    for (uint32_t corner : {p, r, q}) {
      float* sum = vertex[corner].v3fTangent;
      sum[0] += tx;
      sum[1] += ty;
      sum[2] += tz;
    }
  }
  for (int32_t i = vertexCount - 1; i >= 0; --i) {
    VLM_MESH_VERTEX& v = vertex[i];
    const float sx = v.v3fTangent[0], sy = v.v3fTangent[1], sz = v.v3fTangent[2];
    const float nx = v.v3fNormal[0], ny = v.v3fNormal[1], nz = v.v3fNormal[2];
    const float d = sx * nx + sy * ny + sz * nz;
    float tx = sx - nx * d, ty = sy - ny * d, tz = sz - nz * d;
    const float length = std::sqrt(tx * tx + ty * ty + tz * tz);
    if (length != 0.0f) {
      tx /= length;
      ty /= length;
      tz /= length;
    }
    if (!AllFinite({tx, ty, tz})) tx = ty = tz = 0.0f;  // sums beyond the float range
    v.v3fTangent[0] = tx;
    v.v3fTangent[1] = ty;
    v.v3fTangent[2] = tz;
  }
}

void ComputeBox(VLM_MESH& mesh) {
  const int32_t vertexCount = mesh.iVertexCount;
  if (vertexCount < 1) return;
  // The origin is always inside. The w lane is masked to 0; a NaN
  // coordinate is skipped (minps/maxps return the second operand then).
  const __m128 keepXYZ = _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1));
  __m128 low = _mm_setzero_ps();
  __m128 high = _mm_setzero_ps();
  const VLM_MESH_VERTEX* vertex = mesh.aVertices.data();
  for (int32_t i = 0; i < vertexCount; ++i) {
    const __m128 p = _mm_and_ps(_mm_loadu_ps(&vertex[i].v4fPosition.x), keepXYZ);
    low = _mm_min_ps(p, low);
    high = _mm_max_ps(p, high);
  }
  const __m128 centre = _mm_mul_ps(_mm_add_ps(low, high), _mm_set1_ps(0.5f));
  const __m128 half = _mm_sub_ps(high, centre);
  _mm_storeu_ps(&mesh.v4fBoxCentre.x, centre);
  _mm_storeu_ps(&mesh.v4fBoxHalfExtents.x, half);
  mesh.v4fBoxCentre.w = 1.0f;
  mesh.v4fBoxHalfExtents.w = 0.0f;
}

void UploadToGL(VLM_MESH& mesh, bool dynamicUsage) {
  if (!Engine().hasGL || !gl::HasVertexArrayFunctions()) return;
  const GLenum usage = dynamicUsage ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW;
  const bool fresh = mesh.iVertexArray == -1 || mesh.iVertexBuffer == -1 || mesh.iIndexBuffer == -1;
  if (fresh) {
    DeleteGLObjects(mesh);
    mesh.iVertexArray = static_cast<int32_t>(gl::CreateVertexArray());
    mesh.iVertexBuffer = static_cast<int32_t>(gl::CreateBuffer());
    mesh.iIndexBuffer = static_cast<int32_t>(gl::CreateBuffer());
  }
  gl::BindVertexArray(static_cast<GLuint>(mesh.iVertexArray));
  gl::FillBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(mesh.iVertexBuffer),
                 static_cast<GLsizeiptr>(mesh.iVertexCount) * sizeof(VLM_MESH_VERTEX),
                 mesh.aVertices.data(), usage);
  if (fresh) {
    gl::DeclareAttributes(
        sizeof(VLM_MESH_VERTEX),
        {{VLM_ATTRIB_VERTEX, 4, GL_FLOAT, offsetof(VLM_MESH_VERTEX, v4fPosition)},
         {VLM_ATTRIB_NORMAL, 3, GL_FLOAT, offsetof(VLM_MESH_VERTEX, v3fNormal)},
         {VLM_ATTRIB_TANGENT, 3, GL_FLOAT, offsetof(VLM_MESH_VERTEX, v3fTangent)},
         {VLM_ATTRIB_TEXCOORD0, 2, GL_FLOAT, offsetof(VLM_MESH_VERTEX, v2fTexCoord)},
         // Integer data read as float by the shaders: not the I-variant.
         {VLM_ATTRIB_GROUP, 1, GL_INT, offsetof(VLM_MESH_VERTEX, iGroup)}});
  }
  // The element-buffer binding is recorded in the vertex array object.
  gl::FillBuffer(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLuint>(mesh.iIndexBuffer),
                 static_cast<GLsizeiptr>(mesh.iIndexCount) * 4, mesh.aiIndices.data(), usage);
  gl::BindVertexArray(0);
}

void DeleteGLObjects(VLM_MESH& mesh) {
  if (Engine().hasGL) {
    if (mesh.iVertexArray != -1) {
      GLuint array = static_cast<GLuint>(mesh.iVertexArray);
      gl::DeleteVertexArray(array);
    }
    for (int32_t name : {mesh.iVertexBuffer, mesh.iIndexBuffer}) {
      if (name == -1) continue;
      GLuint buffer = static_cast<GLuint>(name);
      gl::DeleteBuffer(buffer);
    }
  }
  mesh.iVertexArray = -1;
  mesh.iVertexBuffer = -1;
  mesh.iIndexBuffer = -1;
}

}  // namespace vlm::mesh

namespace {

void Refinish(VLM_MESH& mesh, const char* proc) {
  vlm::mesh::MendIndices(mesh, proc);
  vlm::mesh::BuildGroupTable(mesh);
  vlm::mesh::ComputeTangents(mesh);
  vlm::mesh::ComputeBox(mesh);
}

void LogCount(const char* label, int32_t count) {
  const std::string text = label + std::to_string(count);
  VLM_LogMessage(text.c_str(), VLM_COLOR_COUNT, 0, "", "VLM_FinishMesh");
}

}  // namespace

extern "C" {

int VLM_FinishMesh(VLM_HANDLE handle) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  if (!mesh) return 0;
  Refinish(*mesh, "VLM_FinishMesh");
  // Finishing twice replaces the GL objects instead of leaking the first set.
  vlm::mesh::DeleteGLObjects(*mesh);
  vlm::mesh::UploadToGL(*mesh, false);
  LogCount("Vertices: ", mesh->iVertexCount);
  LogCount("Triangles: ", mesh->iIndexCount / 3);
  return 1;
}

int VLM_UpdateMesh(VLM_HANDLE handle) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  if (!mesh) return 0;
  Refinish(*mesh, "VLM_UpdateMesh");
  vlm::mesh::UploadToGL(*mesh, true);
  return 1;
}

int VLM_ScaleMesh(VLM_HANDLE handle, float x, float y, float z) {
  VLM_MESH* mesh = VLM_ResolveMesh(handle);
  if (!mesh) return 0;
  // Every product is checked before any is stored, so a refused scale
  // leaves the mesh as it was.
  bool finite = vlm::AllFinite({x, y, z});
  for (const VLM_MESH_VERTEX& v : mesh->aVertices) {
    if (!finite) break;
    finite = vlm::AllFinite({v.v4fPosition.x * x, v.v4fPosition.y * y, v.v4fPosition.z * z});
  }
  if (!finite) return vlm::RefuseNumber("VLM_ScaleMesh");
  for (VLM_MESH_VERTEX& v : mesh->aVertices) {
    v.v4fPosition.x *= x;
    v.v4fPosition.y *= y;
    v.v4fPosition.z *= z;
  }
  return VLM_UpdateMesh(handle);
}

}  // extern "C"
