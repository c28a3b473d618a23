/* Velmora Engine: scene interface.
 *
 * Everything placed in the world (nodes, objects, bodies, sounds, bones,
 * ribbons, the camera) begins with the entity header below, so that one
 * routine composes any entity's world matrix through its chain of parents. */
#ifndef VELMORA_SCENE_H
#define VELMORA_SCENE_H

#include "registry.h"
#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Entity kinds. */
#define VLM_ENTITY_NODE 0
#define VLM_ENTITY_OBJECT 1
#define VLM_ENTITY_CAMERA 4
#define VLM_ENTITY_SOUND 5
#define VLM_ENTITY_ANIMATION 7
#define VLM_ENTITY_BONE 8
#define VLM_ENTITY_BODY 9
#define VLM_ENTITY_RIBBON 10
#define VLM_ENTITY_BILLBOARD 11 /* a billboard group */

/* How an entity hangs on its parent. Any other value adds nothing. */
#define VLM_LINK_FULL 7     /* the parent's whole transform */
#define VLM_LINK_POSITION 1 /* the parent's position only */
#define VLM_LINK_SECOND 3   /* the parent's second matrix (no scale) */

/* Transform-mode bits of every set-position and set-rotation call. */
#define VLM_TRANSFORM_RELATIVE 1 /* add to the current value */
#define VLM_TRANSFORM_LOCAL 2    /* given in the entity's own rotated frame */
#define VLM_TRANSFORM_PARENT 4   /* given in world space, taken through the parent chain */

/* The entity header, first in every placed record. The references point
 * into the same record. */
typedef struct VLM_ENTITY {
  int32_t iKind;
  int32_t iLinkType;
  struct VLM_ENTITY* pParent;
  m4f* pMatrix;       /* own transform, with scale where the kind has scale */
  m4f* pSecondMatrix; /* objects and bodies: own transform without scale */
  v4f* pOrientation;
  v4f* pScale;        /* null for kinds without scale */
} VLM_ENTITY;

/* out = the entity's world matrix: its own matrix (includeOwn != 0) or the
 * identity, carried up the parent chain by each link type. entity is any
 * record that begins with the entity header. Returns out, or 0 when out or
 * entity is null. */
m4f* VLM_EntityWorldMatrix(m4f* out, const void* entity, int includeOwn);

/* child hangs on parent by linkType from now on. Both are resolved records
 * beginning with the entity header; a null parent detaches the child. A
 * link that would make the child its own ancestor is refused with a log
 * row. Returns 0. */
int VLM_AttachEntity(void* parent, void* child, int linkType);

/* ---- Objects: a mesh drawn with a material ----------------------------
 *
 * An object is queued for drawing in its material's instance list while it
 * has both a mesh and a material. Releasing the mesh or the material takes
 * the object out of the queue and clears its reference. */

/* Creates object `id` (-1: dynamic) drawing `mesh` with `material`.
 * material -1 is the engine's default material, and so is a handle that
 * names no material (with a notice row). A mesh handle that names no mesh
 * leaves the object without one (notice row). instances <= 1 makes a single
 * object; more make it instanced: per instance a 240-byte record and an
 * 80-byte GPU record (model matrix and colour, identity and white at
 * first) in a static buffer read through an RGBA32F buffer texture. Both
 * render switches (visible, casts shadows) start at 1. Returns the object,
 * or 0 (failure row) for an unavailable ID or too many instances. */
VLM_OBJECT* VLM_CreateObject(VLM_HANDLE id, VLM_HANDLE mesh, VLM_HANDLE material, int instances,
                             const char* name);
/* Makes the object single (instances <= 1) or instanced again, deleting its
 * previous instance arrays, buffer and buffer texture first. Returns the new
 * instance count, or 0: unknown object, or too many instances (failure row;
 * the object is left unchanged). */
int VLM_SetObjectInstances(VLM_HANDLE object, int instances);
/* Moves the object to another material (handles as for VLM_CreateObject),
 * or another mesh, taking its queue entry along. 1 when it now has one, 0
 * when not or the object is unknown. */
int VLM_SetObjectMaterial(VLM_HANDLE object, VLM_HANDLE material);
int VLM_SetObjectMesh(VLM_HANDLE object, VLM_HANDLE mesh);
/* The two render switches: drawn at all, and drawn into shadow maps. */
int VLM_SetObjectVisible(VLM_HANDLE object, int visible);
int VLM_SetObjectShadow(VLM_HANDLE object, int castsShadow);
/* Position (x, y, z of *vector), rotation (Euler angles in degrees) and
 * scale with the VLM_TRANSFORM_* modes; a relative scale multiplies. A
 * change that would leave a number that is not finite, or a scale of 0,
 * is refused (failure row). 1 on success, else 0. */
int VLM_ObjectPosition(VLM_HANDLE object, const v4f* vector, int mode);
int VLM_ObjectRotation(VLM_HANDLE object, float ax, float ay, float az, int mode);
int VLM_ObjectScale(VLM_HANDLE object, float x, float y, float z, int mode);

/* ---- Nodes: placed points to hang other entities on -------------------- */

/* Creates node `id` (-1: dynamic) at the origin, unturned and unscaled.
 * Returns the node, or 0 (failure row) for an unavailable ID. Releasing a
 * node (VLM_FreeNode) lets its children go. */
VLM_NODE* VLM_CreateNode(VLM_HANDLE id, const char* name);
/* As the object procedures above. */
int VLM_NodePosition(VLM_HANDLE node, const v4f* vector, int mode);
int VLM_NodeRotation(VLM_HANDLE node, float ax, float ay, float az, int mode);
int VLM_NodeScale(VLM_HANDLE node, float x, float y, float z, int mode);
/* Live objects (bodies not included), for statistics. */
int VLM_CountObjects(void);

#ifdef __cplusplus
}
#endif

#endif
