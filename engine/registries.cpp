// The object kinds: their registries, the accessors to them and the create,
// resolve and validity procedures, all served by the one generic Registry.
#include "core/registries.h"
#include "engine/context.h"
#include "velmora/element.h"
#include "velmora/light.h"
#include "velmora/registry.h"
#include "velmora/text.h"

namespace vlm {

Registries::Registries()
    : shaders(KindInfo{"Shader", "VLM_CreateShaderListEntry", false}, VLM_FreeShader),
      particleEmitters(KindInfo{"ParticleEmitter", "VLM_CreateParticleEmitterListEntry", false},
                       VLM_FreeParticleEmitter),
      ribbons(KindInfo{"Ribbon", "VLM_CreateRibbonListEntry", false}, VLM_FreeRibbon),
      meshes(KindInfo{"Mesh", "VLM_CreateMeshListEntry", true}, VLM_FreeMesh),
      surfaces(KindInfo{"Surface", "VLM_CreateSurfaceListEntry", true}, VLM_FreeSurface),
      bodies(KindInfo{"Body", "VLM_CreateBodyListEntry", true}, VLM_FreeBody),
      animations(KindInfo{"Animation", "VLM_CreateAnimationListEntry", false}, VLM_FreeAnimation),
      sounds(KindInfo{"Sound", "VLM_CreateSoundListEntry", true}, VLM_FreeSound),
      billboards(KindInfo{"Billboard", "VLM_CreateBillboardListEntry", true}, VLM_FreeBillboard),
      cages(KindInfo{"Cage", "VLM_CreateCageListEntry", true}, VLM_FreeCage),
      skeletons(KindInfo{"Skeleton", "VLM_CreateSkeletonListEntry", false}, VLM_FreeSkeleton),
      textures(KindInfo{"Texture", "VLM_CreateTextureListEntry", true}, VLM_FreeTexture),
      materials(KindInfo{"Material", "VLM_CreateMaterialListEntry", true}, VLM_FreeMaterial),
      nodes(KindInfo{"Node", "VLM_CreateNodeListEntry", false}, VLM_FreeNode),
      objects(KindInfo{"Object", "VLM_CreateObjectListEntry", false}, VLM_FreeObject),
      // Joints are never named; an ID taken again frees the joint filed under it.
      joints(KindInfo{"Joint", "VLM_CreateJoint", false}, VLM_FreeJoint),
      fonts(KindInfo{"Font", "VLM_LoadFont", false}, VLM_FreeFont),
      elements(KindInfo{"Element", "VLM_CreateElement", false}, VLM_FreeElement),
      lights(KindInfo{"Light", "VLM_CreateLight", false}, VLM_FreeLight) {}

Registry<VLM_SHADER>& ShaderRegistry() { return Ctx().registries.shaders; }
Registry<VLM_PARTICLE_EMITTER>& ParticleEmitterRegistry() { return Ctx().registries.particleEmitters; }
Registry<VLM_RIBBON>& RibbonRegistry() { return Ctx().registries.ribbons; }
Registry<VLM_MESH>& MeshRegistry() { return Ctx().registries.meshes; }
Registry<VLM_SURFACE>& SurfaceRegistry() { return Ctx().registries.surfaces; }
Registry<VLM_OBJECT>& BodyRegistry() { return Ctx().registries.bodies; }
Registry<VLM_ANIMATION>& AnimationRegistry() { return Ctx().registries.animations; }
Registry<VLM_SOUND>& SoundRegistry() { return Ctx().registries.sounds; }
Registry<VLM_BILLBOARD>& BillboardRegistry() { return Ctx().registries.billboards; }
Registry<VLM_CAGE>& CageRegistry() { return Ctx().registries.cages; }
Registry<VLM_SKELETON>& SkeletonRegistry() { return Ctx().registries.skeletons; }
Registry<VLM_TEXTURE>& TextureRegistry() { return Ctx().registries.textures; }
Registry<VLM_MATERIAL>& MaterialRegistry() { return Ctx().registries.materials; }
Registry<VLM_NODE>& NodeRegistry() { return Ctx().registries.nodes; }
Registry<VLM_OBJECT>& ObjectRegistry() { return Ctx().registries.objects; }
Registry<VLM_JOINT>& JointRegistry() { return Ctx().registries.joints; }
Registry<VLM_FONT>& FontRegistry() { return Ctx().registries.fonts; }
Registry<VLM_ELEMENT>& ElementRegistry() { return Ctx().registries.elements; }
Registry<VLM_LIGHT>& LightRegistry() { return Ctx().registries.lights; }

}  // namespace vlm

#define VLM_DEFINE_KIND(Kind, Record, member)                                      \
  Record* VLM_Create##Kind##ListEntry(VLM_HANDLE* id, const char* name) {          \
    return vlm::Ctx().registries.member.CreateEntry(id, name);                     \
  }                                                                                \
  Record* VLM_Is##Kind(VLM_HANDLE handle) { return vlm::Ctx().registries.member.Find(handle); }

#define VLM_DEFINE_RESOLVER(Kind, Record, member) \
  Record* VLM_Resolve##Kind(VLM_HANDLE handle) { return vlm::Ctx().registries.member.Resolve(handle); }

extern "C" {

VLM_DEFINE_KIND(Shader, VLM_SHADER, shaders)
VLM_DEFINE_KIND(ParticleEmitter, VLM_PARTICLE_EMITTER, particleEmitters)
VLM_DEFINE_KIND(Ribbon, VLM_RIBBON, ribbons)
VLM_DEFINE_KIND(Mesh, VLM_MESH, meshes)
VLM_DEFINE_KIND(Surface, VLM_SURFACE, surfaces)
VLM_DEFINE_KIND(Body, VLM_OBJECT, bodies)
VLM_DEFINE_KIND(Animation, VLM_ANIMATION, animations)
VLM_DEFINE_KIND(Sound, VLM_SOUND, sounds)
VLM_DEFINE_KIND(Billboard, VLM_BILLBOARD, billboards)
VLM_DEFINE_KIND(Cage, VLM_CAGE, cages)
VLM_DEFINE_KIND(Skeleton, VLM_SKELETON, skeletons)
VLM_DEFINE_KIND(Texture, VLM_TEXTURE, textures)
VLM_DEFINE_KIND(Material, VLM_MATERIAL, materials)
VLM_DEFINE_KIND(Node, VLM_NODE, nodes)
VLM_DEFINE_KIND(Object, VLM_OBJECT, objects)

VLM_DEFINE_RESOLVER(Shader, VLM_SHADER, shaders)
VLM_DEFINE_RESOLVER(ParticleEmitter, VLM_PARTICLE_EMITTER, particleEmitters)
VLM_DEFINE_RESOLVER(Ribbon, VLM_RIBBON, ribbons)
VLM_DEFINE_RESOLVER(Mesh, VLM_MESH, meshes)
VLM_DEFINE_RESOLVER(Surface, VLM_SURFACE, surfaces)
VLM_DEFINE_RESOLVER(Body, VLM_OBJECT, bodies)
VLM_DEFINE_RESOLVER(Animation, VLM_ANIMATION, animations)
VLM_DEFINE_RESOLVER(Sound, VLM_SOUND, sounds)
VLM_DEFINE_RESOLVER(Billboard, VLM_BILLBOARD, billboards)
VLM_DEFINE_RESOLVER(Skeleton, VLM_SKELETON, skeletons)
VLM_DEFINE_RESOLVER(Texture, VLM_TEXTURE, textures)
VLM_DEFINE_RESOLVER(Material, VLM_MATERIAL, materials)
VLM_DEFINE_RESOLVER(Node, VLM_NODE, nodes)
VLM_DEFINE_RESOLVER(Object, VLM_OBJECT, objects)

}  // extern "C"
