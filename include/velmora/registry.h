/* Velmora Engine: object registries.
 *
 * Every object kind has a create-list-entry procedure, a resolver, a
 * validity test and a release procedure. A handle is an ID (0..65535) or,
 * for an object created with ID -1, the object's address. Resolvers give 0
 * for an empty slot, an ID beyond the table, or an address that is not a
 * live object of the kind. */
#ifndef VELMORA_REGISTRY_H
#define VELMORA_REGISTRY_H

#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VLM_SHADER VLM_SHADER;
typedef struct VLM_PARTICLE_EMITTER VLM_PARTICLE_EMITTER;
typedef struct VLM_RIBBON VLM_RIBBON;
typedef struct VLM_MESH VLM_MESH;
typedef struct VLM_SURFACE VLM_SURFACE;
typedef struct VLM_OBJECT VLM_OBJECT;
typedef struct VLM_ANIMATION VLM_ANIMATION;
typedef struct VLM_SOUND VLM_SOUND;
typedef struct VLM_BILLBOARD VLM_BILLBOARD;
typedef struct VLM_CAGE VLM_CAGE;
typedef struct VLM_SKELETON VLM_SKELETON;
typedef struct VLM_TEXTURE VLM_TEXTURE;
typedef struct VLM_MATERIAL VLM_MATERIAL;
typedef struct VLM_NODE VLM_NODE;

#define VLM_DECLARE_KIND(Kind, Record)                                   \
  Record* VLM_Create##Kind##ListEntry(VLM_HANDLE* id, const char* name); \
  Record* VLM_Resolve##Kind(VLM_HANDLE handle);                          \
  Record* VLM_Is##Kind(VLM_HANDLE handle);                               \
  int VLM_Free##Kind(VLM_HANDLE handle);

VLM_DECLARE_KIND(Shader, VLM_SHADER)
VLM_DECLARE_KIND(ParticleEmitter, VLM_PARTICLE_EMITTER)
VLM_DECLARE_KIND(Ribbon, VLM_RIBBON)
VLM_DECLARE_KIND(Mesh, VLM_MESH)
VLM_DECLARE_KIND(Surface, VLM_SURFACE)
VLM_DECLARE_KIND(Body, VLM_OBJECT)
VLM_DECLARE_KIND(Animation, VLM_ANIMATION)
VLM_DECLARE_KIND(Sound, VLM_SOUND)
VLM_DECLARE_KIND(Billboard, VLM_BILLBOARD)
VLM_DECLARE_KIND(Cage, VLM_CAGE)
VLM_DECLARE_KIND(Skeleton, VLM_SKELETON)
VLM_DECLARE_KIND(Texture, VLM_TEXTURE)
VLM_DECLARE_KIND(Material, VLM_MATERIAL)
VLM_DECLARE_KIND(Node, VLM_NODE)
VLM_DECLARE_KIND(Object, VLM_OBJECT)

#undef VLM_DECLARE_KIND

#ifdef __cplusplus
}
#endif

#endif
