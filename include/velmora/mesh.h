/* Velmora Engine: meshes, mesh files, primitives and collision cages. */
#ifndef VELMORA_MESH_H
#define VELMORA_MESH_H

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

#ifdef __cplusplus
static_assert(sizeof(VLM_MESH_VERTEX) == 52, "the vertex record is 52 bytes");
}
#endif

#endif
