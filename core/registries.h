// The registries of the object kinds, one accessor each. Only the records'
// names are known here; a source that walks or resolves a kind includes that
// kind's record header as well.
#pragma once

#include "core/registry.h"

struct VLM_SHADER;
struct VLM_PARTICLE_EMITTER;
struct VLM_RIBBON;
struct VLM_MESH;
struct VLM_SURFACE;
struct VLM_OBJECT;
struct VLM_ANIMATION;
struct VLM_SOUND;
struct VLM_BILLBOARD;
struct VLM_CAGE;
struct VLM_SKELETON;
struct VLM_TEXTURE;
struct VLM_MATERIAL;
struct VLM_NODE;
struct VLM_JOINT;
struct VLM_FONT;
struct VLM_ELEMENT;
struct VLM_LIGHT;

namespace vlm {

Registry<VLM_SHADER>& ShaderRegistry();
Registry<VLM_PARTICLE_EMITTER>& ParticleEmitterRegistry();
Registry<VLM_RIBBON>& RibbonRegistry();
Registry<VLM_MESH>& MeshRegistry();
Registry<VLM_SURFACE>& SurfaceRegistry();
Registry<VLM_OBJECT>& BodyRegistry();  // objects of kind 9
Registry<VLM_ANIMATION>& AnimationRegistry();
Registry<VLM_SOUND>& SoundRegistry();
Registry<VLM_BILLBOARD>& BillboardRegistry();
Registry<VLM_CAGE>& CageRegistry();
Registry<VLM_SKELETON>& SkeletonRegistry();
Registry<VLM_TEXTURE>& TextureRegistry();
Registry<VLM_MATERIAL>& MaterialRegistry();
Registry<VLM_NODE>& NodeRegistry();
Registry<VLM_OBJECT>& ObjectRegistry();
Registry<VLM_JOINT>& JointRegistry();  // joints have their own ID table too
Registry<VLM_FONT>& FontRegistry();
Registry<VLM_ELEMENT>& ElementRegistry();
Registry<VLM_LIGHT>& LightRegistry();

}  // namespace vlm
