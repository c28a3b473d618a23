// Cases of the scene, camera, lights, effects, screen elements, the
// renderer, particles, sound and physics.
#include <tuple>
#include <vector>

#include "sweep.h"
#include "sweep_cases.h"

namespace sweep {

namespace {

const v4f* Point(float x, float y, float z) {
  static v4f v;
  v = v4f{x, y, z, 1.0f};
  return &v;
}

const m4f* Identity() {
  static m4f m;
  VLM_m4fSetDiagonal(&m, 1.0f);
  return &m;
}

void Scene() {
  static m4f world;
  ADD("scene", VLM_EntityWorldMatrix, ARGS(&world, f.objectRecord, 1));
  ADD("scene", VLM_AttachEntity, ARGS(f.nodeRecord, f.objectRecord, VLM_LINK_FULL));
  ADD("scene", VLM_CreateObject, ARGS(5L, f.mesh, f.material, 3, "Made"));
  ADD("scene", VLM_SetObjectInstances, ARGS(f.object, 3));
  ADD("scene", VLM_SetObjectMaterial, ARGS(f.object, f.material2D));
  ADD("scene", VLM_SetObjectMesh, ARGS(f.object, f.groupMesh));
  ADD("scene", VLM_SetObjectVisible, ARGS(f.object, 0));
  ADD("scene", VLM_SetObjectShadow, ARGS(f.object, 0));
  ADD("scene", VLM_ObjectPosition, ARGS(f.object, Point(1, 2, 3), VLM_TRANSFORM_RELATIVE));
  ADD("scene", VLM_ObjectRotation, ARGS(f.object, 10.0f, 20.0f, 30.0f, VLM_TRANSFORM_LOCAL));
  ADD("scene", VLM_ObjectScale, ARGS(f.object, 2.0f, 2.0f, 2.0f, 0));
  ADD("scene", VLM_CreateNode, ARGS(5L, "Made"));
  ADD("scene", VLM_NodePosition, ARGS(f.node, Point(1, 2, 3), VLM_TRANSFORM_PARENT));
  ADD("scene", VLM_NodeRotation, ARGS(f.node, 10.0f, 20.0f, 30.0f, VLM_TRANSFORM_RELATIVE));
  ADD("scene", VLM_NodeScale, ARGS(f.node, 2.0f, 2.0f, 2.0f, VLM_TRANSFORM_RELATIVE));
  ADD("scene", VLM_CountObjects, ARGS());
}

void Camera() {
  ADD("camera", VLM_GetCamera, ARGS(0));
  ADD("camera", VLM_InitCamera, ARGS(160, 120));
  ADD("camera", VLM_CameraPosition, ARGS(1.0f, 2.0f, 3.0f, VLM_TRANSFORM_RELATIVE));
  ADD("camera", VLM_CameraRotation, ARGS(10.0f, 20.0f, 0.0f, VLM_TRANSFORM_RELATIVE | VLM_TRANSFORM_LOCAL));
  static v4f out;
  ADD("camera", VLM_GetCameraPosition, ARGS(&out, VLM_CAMERA_WORLD));
  ADD("camera", VLM_CameraFOV, ARGS(60.0f));
  ADD("camera", VLM_CameraNear, ARGS(0.5f));
  ADD("camera", VLM_CameraFar, ARGS(500.0f));
  ADD("camera", VLM_CameraProjectionMode, ARGS(VLM_PROJECTION_ORTHOGRAPHIC));
  ADD("camera", VLM_CameraPickRay, ARGS(80.0f, 60.0f));
  ADD("camera", VLM_UpdateCamera, ARGS());
  ADD("camera", VLM_CameraViewMatrix, ARGS());
}

void Lights() {
  ADD("light", VLM_CreateLight, ARGS(5L, 1.0f, 2.0f, 3.0f, VLM_LIGHT_POINT));
  ADD("light", VLM_IsLight, ARGS(f.light));
  ADD("light", VLM_LightColour, ARGS(f.light, 0xFF8040FFu));
  ADD("light", VLM_LightIntensity, ARGS(f.light, 3.0f));
  ADD("light", VLM_LightRange, ARGS(f.light, 20.0f));
  ADD("light", VLM_LightShadow, ARGS(f.light, 1, 1));
  ADD("light", VLM_LoadLightDefinition, ARGS(5L, f.tree));
  ADD("light", VLM_FreeLight, ARGS(f.light));
  ADD("light", VLM_CountLights, ARGS());
  ADD("light", VLM_AmbientColour, ARGS(0xFF202020u));
  ADD("light", VLM_BackgroundColour, ARGS(0xFF102030u));
  ADD("light", VLM_DirectLight, ARGS(1));
  ADD("light", VLM_Shadows, ARGS(1));
  ADD("effects", VLM_Glow, ARGS(2.0f));
  ADD("effects", VLM_Bloom, ARGS(1.0f));
}

void Effects() {
  ADD("effects", VLM_CreateRibbon, ARGS(5L, f.material, 0.5f, 16, "Made"));
  ADD("effects", VLM_RibbonDuration, ARGS(f.ribbon, 2.0f));
  ADD("effects", VLM_GetRibbonMesh, ARGS(f.ribbon));
  ADD("effects", VLM_GetRibbonObject, ARGS(f.ribbon));
  ADD("effects", VLM_CreateBillboardGroup, ARGS(5L, f.billboardMaterial, 1.0f, 2.0f, VLM_BILLBOARD_FACING, "Made"));
  ADD("effects", VLM_AddBillboard, ARGS(f.billboards, Identity()));
  ADD("effects", VLM_SetBillboard, ARGS(f.billboards, 0, Identity()));
  ADD("effects", VLM_RemoveBillboard, ARGS(f.billboards, 0));
  ADD("effects", VLM_CountBillboards, ARGS(f.billboards));
  ADD("effects", VLM_ShowBillboards, ARGS(f.billboards, 0));
  ADD("effects", VLM_SetBillboardProjection, ARGS(f.billboards, VLM_BILLBOARD_UPRIGHT));
}

void Elements() {
  ADD("element", VLM_CreateElement, ARGS(5L, f.material2D, 1, 1));
  ADD("element", VLM_DisplayElement, ARGS(f.element, 30.0f, 30.0f));
  ADD("element", VLM_RotateElement, ARGS(f.element, 30.0f, 1));
  ADD("element", VLM_ZoomElement, ARGS(f.element, 20.0f, 10.0f));
  ADD("element", VLM_TransformElement, ARGS(f.element, 0.0f, 0.0f, 0.0f, 10.0f, 10.0f, 0.0f, 10.0f, 10.0f));
  ADD("element", VLM_FreeElement, ARGS(f.element));
  ADD("element", VLM_IsElement, ARGS(f.element));
  ADD("element", VLM_ShowEngineLogo, ARGS(1));
}

void Render() {
  ADD("render", VLM_InitFrameBuffer, ARGS());
  ADD("render", VLM_InitGBuffer, ARGS());
  ADD("render", VLM_InitShadowMaps, ARGS(256, 256));
  ADD("render", VLM_RenderWorld, ARGS(-1L));
  ADD("render", VLM_UseShaderProgram, ARGS(reinterpret_cast<VLM_HANDLE>(VLM_GetBuiltInShader(15))));
  ADD("render", VLM_ApplyMaterial, ARGS(f.material));
  ADD("render", VLM_FrustumCulling, ARGS(0));
  static std::vector<float> pixels(160 * 120 * 4);
  ADD("render", VLM_ReadGBufferLayer, ARGS(0, 0, 0, 16, 16, pixels.data()));
  ADD("render", VLM_SkyBox, ARGS(f.cubeTexture));
  ADD("render", VLM_DrawLine3D, ARGS(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 0xFFFFFFFFu));
  ADD("render", VLM_RenderedCount, ARGS(VLM_RENDERED_OBJECTS));
}

void Particles() {
  ADD("particles", VLM_CreateParticleEmitter, ARGS(5L, f.material, "Made"));
  ADD("particles", VLM_LoadParticleEmitterDefinition, ARGS(5L, f.tree));
  ADD("particles", VLM_EmitParticles, ARGS(f.emitter, 10, 0.0f, 1.0f, 0.0f));
  ADD("particles", VLM_UpdateParticles, ARGS());
  ADD("particles", VLM_CountParticles, ARGS(f.emitter));
  ADD("particles", VLM_SetParticleEmissionShape, ARGS(f.emitter, VLM_EMISSION_RING));
  ADD("particles", VLM_SetParticleEmissionSize, ARGS(f.emitter, 1.0f, 2.0f, 3.0f));
  ADD("particles", VLM_SetParticleEmissionDirection, ARGS(f.emitter, 0.0f, 0.0f, 1.0f));
  ADD("particles", VLM_SetParticleEmissionAngle, ARGS(f.emitter, 30.0f));
  ADD("particles", VLM_SetParticleEmissionRate, ARGS(f.emitter, 20.0f));
  ADD("particles", VLM_SetParticleEmitting, ARGS(f.emitter, 0));
  ADD("particles", VLM_SetParticleCoordinateMode, ARGS(f.emitter, VLM_PARTICLES_LOCAL));
  ADD("particles", VLM_SetParticleTurbulence, ARGS(f.emitter, 0.5f));
  ADD("particles", VLM_SetParticleMaxDrawn, ARGS(f.emitter, 100));
  ADD("particles", VLM_SetParticleRange, ARGS(f.emitter, VLM_PARTICLE_LIFETIME, 500.0f, 1500.0f));
  ADD("particles", VLM_SetParticleVelocity, ARGS(f.emitter, 0.0f, -1.0f, 0.0f));
  ADD("particles", VLM_SetParticleColor, ARGS(f.emitter, 1.0f, 0.5f, 0.25f, 1.0f));
  ADD("particles", VLM_SetParticleMaterial, ARGS(f.emitter, f.material));
  ADD("particles", VLM_SetParticleEmitterPosition, ARGS(f.emitter, 1.0f, 2.0f, 3.0f));
  ADD("particles", VLM_SetParticleEmitterMatrix, ARGS(f.emitter, Identity()));
  ADD("particles", VLM_SetParticleSeed, ARGS(f.emitter, 7u));
}

void Sound() {
  ADD("sound", VLM_InitSound, ARGS());
  ADD("sound", VLM_LoadSoundFile, ARGS(5L, f.soundFile.c_str(), VLM_SOUND_LOOP, "Loaded"));
  ADD("sound", VLM_PlaySound, ARGS(f.sound, VLM_SOUND_OWN_FLAGS, Point(1, 0, 0)));
  ADD("sound", VLM_SetSoundVolume, ARGS(f.sound, 0.5f));
  ADD("sound", VLM_SetSoundFrequency, ARGS(f.sound, 1.5f));
  AddCase("sound", "VLM_SetSoundVolume", "channel, NaN", [](Fixture& f) {
    VLM_SetSoundVolume(f.channel, std::numeric_limits<float>::quiet_NaN());
  });
  AddCase("sound", "VLM_SetSoundVolume", "master, -1", [](Fixture&) { VLM_SetSoundVolume(VLM_SOUND_MASTER, -1.0f); });
  AddCase("sound", "VLM_SetSoundFrequency", "master, 0", [](Fixture&) { VLM_SetSoundFrequency(VLM_SOUND_MASTER, 0.0f); });
  AddCase("sound", "VLM_SetSoundFrequency", "master, inf", [](Fixture&) {
    VLM_SetSoundFrequency(VLM_SOUND_MASTER, std::numeric_limits<float>::infinity());
  });
  ADD("sound", VLM_UpdateSounds, ARGS());
  ADD("sound", VLM_SetCollisionSound, ARGS(f.sound, 3.0f, f.surface, -1L));
  ADD("sound", VLM_RemoveCollisionSound, ARGS(f.surface, f.surface2));
  static float speed;
  ADD("sound", VLM_FindCollisionSound, ARGS(f.surface, f.surface2, &speed));
  ADD("sound", VLM_LoadSoundDefinition, ARGS(5L, f.tree, ""));
}

void Physics() {
  ADD("physics", VLM_CreateBody, ARGS(5L, f.cage, f.surface, "Made"));
  ADD("physics", VLM_SetBodyMass, ARGS(f.body, 2.0f));
  ADD("physics", VLM_SetBodyVelocity, ARGS(f.body, nullptr, 1.0f, 0.0f, 0.0f, VLM_VELOCITY_ADD));
  ADD("physics", VLM_SetBodyAngularVelocity, ARGS(f.body, Point(0, 1, 0), 0.0f, 0.0f, 0.0f, 0));
  ADD("physics", VLM_SetBodyCollisionProcedure, ARGS(f.body, nullptr));
  ADD("physics", VLM_SetBodyCollision, ARGS(f.body, 0));
  static v4f velocity, angular;
  ADD("physics", VLM_GetBodyVelocity, ARGS(f.body, &velocity, &angular));
  ADD("physics", VLM_BodyPosition, ARGS(f.body, Point(0, 3, 0), 0));
  ADD("physics", VLM_BodyRotation, ARGS(f.body, 10.0f, 0.0f, 0.0f, VLM_TRANSFORM_RELATIVE));
  ADD("physics", VLM_BodyScale, ARGS(f.body, 2.0f, 2.0f, 2.0f, 0));
  ADD("physics", VLM_SetGravity, ARGS(0.0f, -9.81f, 0.0f));
  ADD("physics", VLM_EnablePhysics, ARGS(1));
  ADD("physics", VLM_SetPhysicsWaits, ARGS(0));
  ADD("physics", VLM_SetPhysicsBroadPhase, ARGS(0));
  ADD("physics", VLM_SetPhysicsTimeStep, ARGS(1.0f / 60.0f, 4));
  AddCase("physics", "VLM_SetPhysicsTimeStep", "1e-30 s, 10^9 steps",
          [](Fixture&) { VLM_SetPhysicsTimeStep(1e-30f, 1000000000); });
  ADD("physics", VLM_SetPhysicsContactPasses, ARGS(4));
  ADD("physics", VLM_CreatePhysicalMaterial, ARGS(5L, 0.5f, 0.5f, "Made"));
  ADD("physics", VLM_CountBodies, ARGS(1));
  ADD("physics", VLM_CountJoints, ARGS());
  ADD("physics", VLM_CreateJoint, ARGS(5L, VLM_JOINT_ROD, f.body, f.body2, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f));
  ADD("physics", VLM_ResolveJoint, ARGS(f.joint));
  ADD("physics", VLM_FreeJoint, ARGS(f.joint));
  ADD("physics", VLM_SetJointLength, ARGS(f.joint, 2.0f));
  ADD("physics", VLM_SetJointStiffness, ARGS(f.joint, 50.0f));
  ADD("physics", VLM_SetJointDamping, ARGS(f.joint, 0.5f));
  ADD("physics", VLM_UpdatePhysics, ARGS(1));
  ADD("physics", VLM_GetPhysicsEnergy, ARGS(VLM_ENERGY_TRANSLATION | VLM_ENERGY_TENSION));
  ADD("physics", VLM_PhysicsFrequency, ARGS());
  ADD("physics", VLM_GetPhysicsStateHash, ARGS());
  ADD("physics", VLM_CollideBodies, ARGS(f.body, f.body2));
  ADD("physics", VLM_ResolveContact, ARGS(f.body, f.body2));
}

}  // namespace

void AddSceneCases() {
  Scene();
  Camera();
  Lights();
  Effects();
  Elements();
  Render();
  Particles();
  Sound();
  Physics();
}

}  // namespace sweep
