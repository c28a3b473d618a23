/* Velmora Engine: scene interface.
 *
 * Everything placed in the world (nodes, objects, bodies, sounds, bones,
 * ribbons, the camera) begins with the entity header below, so that one
 * routine composes any entity's world matrix through its chain of parents. */
#ifndef VELMORA_SCENE_H
#define VELMORA_SCENE_H

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

#ifdef __cplusplus
}
#endif

#endif
