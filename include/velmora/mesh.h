/* Velmora Engine: meshes, mesh files and mesh primitives.
 *
 * A mesh is an indexed triangle list held in main memory (for the engine
 * and the application) and in GL buffers (for the renderer). Producers
 * create a mesh through the registry, fill its arrays with the operations
 * below, then call VLM_FinishMesh once; later edits are pushed with
 * VLM_UpdateMesh.
 *
 * Every operation takes a mesh by ID or address. A handle that does not
 * resolve makes the operation do nothing and return 0 (or null). Vertex,
 * triangle and index numbers outside the mesh's arrays are refused with a
 * failure row in the log instead of being written or read. */
#ifndef VELMORA_MESH_H
#define VELMORA_MESH_H

#include "registry.h"
#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Vertex record, also the GPU vertex layout (stride 52, no gaps). */
typedef struct VLM_MESH_VERTEX {
  v4f v4fPosition;       /* w = 1 */
  float v3fNormal[3];
  float v3fTangent[3];
  float v2fTexCoord[2];
  int32_t iGroup;
} VLM_MESH_VERTEX;

/* Shader input locations of the vertex record's fields. */
#define VLM_ATTRIB_VERTEX 0
#define VLM_ATTRIB_NORMAL 1
#define VLM_ATTRIB_TEXCOORD0 2
#define VLM_ATTRIB_TANGENT 6
#define VLM_ATTRIB_GROUP 7

/* ---- Building and access ------------------------------------------------ */

/* Replaces the vertex array by n zero-filled records; returns n * 52. */
int64_t VLM_SetMeshVertexCount(VLM_HANDLE mesh, int32_t n);
/* Replaces the index array by 3n zeros; returns 4 * 3n. */
int64_t VLM_SetMeshTriangleCount(VLM_HANDLE mesh, int32_t n);
/* Replaces the index array by n zeros; returns 4n. */
int64_t VLM_SetMeshIndexCount(VLM_HANDLE mesh, int32_t n);

/* Setters return 1, or 0 when the mesh or the number is not valid. */
int VLM_SetMeshVertexPosition(VLM_HANDLE mesh, int32_t i, float x, float y, float z, float w);
int VLM_SetMeshVertexNormal(VLM_HANDLE mesh, int32_t i, float x, float y, float z);
int VLM_SetMeshVertexTexCoord(VLM_HANDLE mesh, int32_t i, float u, float v);
int VLM_SetMeshVertexGroup(VLM_HANDLE mesh, int32_t i, int32_t group);
/* Indices 3t, 3t+1, 3t+2 of the index array. */
int VLM_SetMeshTriangle(VLM_HANDLE mesh, int32_t t, int32_t i0, int32_t i1, int32_t i2);

int32_t VLM_GetMeshVertexCount(VLM_HANDLE mesh);
int32_t VLM_GetMeshIndexCount(VLM_HANDLE mesh);
int32_t VLM_GetMeshTriangleCount(VLM_HANDLE mesh);
/* Addresses for direct editing; valid until the array is replaced. */
VLM_MESH_VERTEX* VLM_GetMeshVertex(VLM_HANDLE mesh, int32_t i);
float* VLM_GetMeshVertexNormal(VLM_HANDLE mesh, int32_t i);
float* VLM_GetMeshVertexTexCoord(VLM_HANDLE mesh, int32_t i);
int32_t VLM_GetMeshVertexGroup(VLM_HANDLE mesh, int32_t i);
/* The index array (index count elements), or null when it is empty. */
int32_t* VLM_GetMeshIndices(VLM_HANDLE mesh);
/* The bounding box of the last finishing: centre (w = 1), half extents (w = 0). */
int VLM_GetMeshBox(VLM_HANDLE mesh, v4f* centre, v4f* halfExtents);
/* Empty text for a mesh that does not resolve. */
const char* VLM_GetMeshName(VLM_HANDLE mesh);

/* Index of the group of that name, or -1. */
int32_t VLM_GetMeshGroupIndex(VLM_HANDLE mesh, const char* name);
/* Index of the group of that name, appending a new group when there is
 * none (its index is its position in the group list); -1 when the mesh
 * does not resolve. */
int32_t VLM_AddMeshGroup(VLM_HANDLE mesh, const char* name);
/* Number of groups, and the name of group `index` (null outside). */
int32_t VLM_GetMeshGroupCount(VLM_HANDLE mesh);
const char* VLM_GetMeshGroupName(VLM_HANDLE mesh, int32_t index);

/* ---- Finishing ------------------------------------------------------------ */

/* Computes tangents and the bounding box (which always holds the origin),
 * uploads the arrays to GL (when a context is current) and logs the vertex
 * and triangle counts. Indices outside the vertex array are set to 0 (the
 * triangles of a mesh without vertices are dropped) with a failure row, so
 * neither the tangent pass nor the GPU ever reads past the vertices.
 * Returns 1, or 0 when the mesh does not resolve. */
int VLM_FinishMesh(VLM_HANDLE mesh);
/* Recomputes tangents and box and re-uploads both arrays (dynamic usage). */
int VLM_UpdateMesh(VLM_HANDLE mesh);
/* Multiplies every position's x, y, z, then updates the mesh. */
int VLM_ScaleMesh(VLM_HANDLE mesh, float x, float y, float z);

/* ---- Mesh files ----------------------------------------------------------- */

/* Engine mesh file (".vlm"). `mesh` is the wanted ID or -1; an empty name
 * takes the file name. A file whose faces name vertices that do not exist
 * is refused ("Fail: Face index out of range!"), leaving the registry as it
 * was. Returns the mesh, or 0. */
VLM_MESH* VLM_LoadMesh(VLM_HANDLE mesh, const char* fileName, const char* name);
/* Writes the engine mesh file of a mesh. Returns 1, or 0 with a failure
 * row when the mesh does not resolve or the file cannot be written. */
int VLM_SaveMesh(VLM_HANDLE mesh, const char* fileName, const char* meshName);
/* Wavefront OBJ subset: v, vn, vt (v negated), g, f (first three corners).
 * Corner numbers count from 1; negative numbers count back from the last
 * entry read so far. A number that is missing or names no entry yields a
 * zero position (w = 1), a zero texture coordinate or a zero normal.
 * Returns the mesh, or 0. */
VLM_MESH* VLM_LoadOBJMesh(VLM_HANDLE mesh, const char* fileName, const char* name);

/* ---- Primitives ----------------------------------------------------------- */

/* Flat primitives in the XZ plane, normal +Y, groups "Static" (0) and
 * "Dynamic" (1, the vertices on the +Z edge). Return the mesh, or 0. */
VLM_MESH* VLM_CreateTriangleMesh(VLM_HANDLE mesh, float size, float uvScale, const char* name);
VLM_MESH* VLM_CreatePlaneMesh(VLM_HANDLE mesh, float size, float uvScale, const char* name);
VLM_MESH* VLM_CreateRectangleMesh(VLM_HANDLE mesh, float width, float depth, float uScale,
                                  float vScale, int fromCorner, const char* name);
/* A registry entry without vertices, triangles or groups. */
VLM_MESH* VLM_CreateMesh(VLM_HANDLE mesh, const char* name);
/* Appends a copy of `source` scaled, rotated (degrees, about x, then y,
 * then z) and moved, with every vertex in `group` (-1: the source's
 * groups). Does not finish the target. Returns the target's vertex count,
 * or 0 when a mesh does not resolve. */
int32_t VLM_AddMeshToMesh(VLM_HANDLE target, VLM_HANDLE source, float px, float py, float pz,
                          float ax, float ay, float az, float sx, float sy, float sz,
                          int32_t group);
/* A cube of six planes, centred on the origin. */
VLM_MESH* VLM_CreateCubeMesh(VLM_HANDLE mesh, float size, float uvScale, int32_t group,
                             const char* name);

#ifdef __cplusplus
static_assert(sizeof(VLM_MESH_VERTEX) == 52, "the vertex record is 52 bytes");
}
#endif

#endif
