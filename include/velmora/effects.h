/* Velmora Engine: ribbons and billboards, the frame's effects after the
 * particles.
 *
 * Both kinds are entities (they begin with the entity header): hang one on
 * a node with VLM_AttachEntity(node, ribbonOrGroup, VLM_LINK_FULL) and it
 * follows the node. Releasing the node lets them go (they stay where they
 * are). Units: world units and seconds. */
#ifndef VELMORA_EFFECTS_H
#define VELMORA_EFFECTS_H

#include "registry.h"
#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Ribbons: trails behind a moving node ------------------------------
 *
 * A ribbon owns a mesh of 2 x segments + 2 vertices in pairs, laid across
 * the x axis of the ribbon's world matrix, and an object that draws it with
 * `material` through the ordinary render lists (it casts no shadow). Every
 * frame, once duration / segments seconds have passed since its last step,
 * the pairs move one place toward the tail and pair 0 is laid anew at the
 * ribbon's world position p: vertex 0 at p - w, vertex 1 at p + w, with w
 * the world x axis times half the width. The first step lays every pair
 * there, so a new trail grows from where the ribbon is. Texture u runs
 * from 0 at the head to 1 at the tail; v is 0 on the p - w edge. */

/* Creates ribbon `id` (-1: dynamic). material -1 is the engine's default
 * 3D material. Returns the ribbon, or 0 (failure row) for an unavailable
 * ID, segments outside 1..65535 or a width that is not finite. */
VLM_RIBBON* VLM_CreateRibbon(VLM_HANDLE id, VLM_HANDLE material, float width, int segments,
                             const char* name);
/* Seconds the whole trail spans (1.0 at creation); finite and > 0, else a
 * failure row. 1, or 0. */
int VLM_RibbonDuration(VLM_HANDLE ribbon, float seconds);
/* The ribbon's mesh and object, for reading or restyling (0 for a handle
 * that names no ribbon). Both are released with the ribbon. */
VLM_MESH* VLM_GetRibbonMesh(VLM_HANDLE ribbon);
VLM_OBJECT* VLM_GetRibbonObject(VLM_HANDLE ribbon);
/* VLM_FreeRibbon (registry.h) releases the ribbon with its mesh and object. */

/* ---- Billboards: one quad drawn at many places -------------------------
 *
 * A billboard group draws one quad (width x height in the XY plane,
 * centred, facing +z; texture v = 0 at the top edge) once per billboard
 * with a single instanced call of the "Billboard" program, each billboard
 * placed by its own 4 x 4 matrix (row vectors, translation in row 3) in the
 * group's space. Projection modes: */
#define VLM_BILLBOARD_PLACED 0  /* placed and turned by its matrix, seen by the camera as any mesh */
#define VLM_BILLBOARD_UPRIGHT 1 /* at the matrix's place, turned by the matrix but not by the view */
#define VLM_BILLBOARD_FACING 2  /* the same, built as a sum: an unturned one faces the camera */

/* Creates group `id` (-1: dynamic) drawn with `material` (usually one of
 * program 47, "BILLBOARD" in definition files). Returns the group, or 0
 * (failure row) for an unavailable ID, a material that does not exist, a
 * size that is not finite and positive or an unknown mode. */
VLM_BILLBOARD* VLM_CreateBillboardGroup(VLM_HANDLE id, VLM_HANDLE material, float width,
                                        float height, int projectionMode, const char* name);
/* Appends a billboard; returns its index, or -1 (failure row) when the
 * group does not exist, the matrix is null or not finite, or the group is
 * full (65536). */
int VLM_AddBillboard(VLM_HANDLE group, const m4f* matrix);
/* Replaces the matrix of billboard `index`. 1, or 0 (failure row). */
int VLM_SetBillboard(VLM_HANDLE group, int index, const m4f* matrix);
/* Removes billboard `index`; the ones after it move down one index. */
int VLM_RemoveBillboard(VLM_HANDLE group, int index);
/* Number of billboards (0 for a handle that names no group). */
int VLM_CountBillboards(VLM_HANDLE group);
/* Hidden groups are kept (and their changes uploaded) but not drawn. */
int VLM_ShowBillboards(VLM_HANDLE group, int shown);
int VLM_SetBillboardProjection(VLM_HANDLE group, int projectionMode);
/* VLM_FreeBillboard (registry.h) releases the group and its GL objects. */

#ifdef __cplusplus
}
#endif

#endif
