/* Velmora Engine: collision cages.
 *
 * A cage is the collision shape of a body: a point, a stick, a sphere, a box
 * or a convex polyhedron. Box and polyhedron cages carry a tree of nodes
 * (VLM_CAGE_NODE, see mesh/cage_record.h); a leaf node may carry a convex
 * outline (vertices, edges, triangular faces). Every cage built by these
 * procedures has a single root node. */
#ifndef VELMORA_CAGE_H
#define VELMORA_CAGE_H

#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Cage kinds (the codes of the collision-shape name map). */
#define VLM_CAGE_NONE (-1)
#define VLM_CAGE_POINT (-2)
#define VLM_CAGE_STICK (-3)
#define VLM_CAGE_BOX (-4)
#define VLM_CAGE_SPHERE (-5)
#define VLM_CAGE_POLYHEDRON (-6)

/* Handles with a fixed meaning when a cage is asked for. */
#define VLM_CAGE_HANDLE_NONE (-1)  /* no cage */
#define VLM_CAGE_HANDLE_POINT (-2) /* the built-in point cage */

typedef struct VLM_CAGE VLM_CAGE;
typedef struct VLM_CAGE_NODE VLM_CAGE_NODE;
typedef struct VLM_CAGE_OUTLINE VLM_CAGE_OUTLINE;

/* An outline edge: two vertex indices. */
typedef struct VLM_CAGE_EDGE {
  int32_t iVertex[2];
} VLM_CAGE_EDGE;

/* An outline face (32 bytes): three vertex indices, 1 / |N|^2 of the
 * unnormalised normal N = (v0 - v1) x (v0 - v2), and the unit normal (w = 0).
 * A degenerate face (|N|^2 = 0 or not finite) stores 0 for both. */
typedef struct VLM_CAGE_FACE {
  int32_t iVertex[3];
  float fInvNormalSq;
  v4f v4fNormal;
} VLM_CAGE_FACE;

#ifdef __cplusplus
static_assert(sizeof(VLM_CAGE_EDGE) == 8, "an edge is two int32 indices");
static_assert(sizeof(VLM_CAGE_FACE) == 32, "the face record is 32 bytes");
#endif

/* Loads a cage file (".vlb"). ID -1 asks for a dynamic cage; an empty name
 * takes the file part of the path. Returns the cage or 0. */
VLM_CAGE* VLM_LoadCageFile(VLM_HANDLE id, const char* file, const char* name);
/* Kind SPHERE, size = diameter / 2. */
VLM_CAGE* VLM_CreateSphereCage(VLM_HANDLE id, float diameter, const char* name);
/* Kind BOX with half-extents (sx/2, sy/2, sz/2) and the outline of that box
 * (8 corners, 12 edges, 12 triangles, as a box fitted to a mesh has), so that
 * it meets points and polyhedra too. sy = -65535 takes sx, then sz = -65535
 * takes sy. */
VLM_CAGE* VLM_CreateBoxCage(VLM_HANDLE id, float sx, float sy, float sz, const char* name);
/* A cage fitted to a mesh: kind VLM_CAGE_SPHERE, VLM_CAGE_BOX or
 * VLM_CAGE_POLYHEDRON. factor scales the sphere radius and the box. */
VLM_CAGE* VLM_CreateCageFromMesh(VLM_HANDLE id, VLM_HANDLE mesh, int kind, float factor, const char* name);

/* The collision-shape name map. The name is read with leading '#' removed
 * and in upper case ("#box" gives VLM_CAGE_BOX). Unknown or null: 0. */
int VLM_GetCageKindByName(const char* name);
/* "NONE" .. "POLYHEDRON" for a kind code; "" for anything else. */
const char* VLM_GetCageKindName(int kind);

#ifdef __cplusplus
}
#endif

#endif
