// The engine context: the one global record of engine state. Each group is
// a struct owned by its subsystem; the groups keep the order in which the
// engine brings them up.
#pragma once

#include <cstdint>

#include "core/registry.h"
#include "definition/definition_state.h"
#include "definition/records.h"
#include "input/input_state.h"
#include "mesh/cage_record.h"
#include "mesh/mesh_record.h"
#include "physics/records.h"
#include "physics/world_state.h"
#include "platform/screen_state.h"
#include "render/gl_init.h"
#include "render/records.h"
#include "scene/object_record.h"
#include "scene/records.h"
#include "sound/records.h"
#include "velmora/types.h"

namespace vlm {

// Group 1: mirrors of GL state, changed only through the render setters.
struct RenderStateCache {
  int32_t wireframe = 0;
  int32_t cullFaces = 1;
  int32_t depthTest = 1;
  int32_t blendSource = 0x0302;       // GL_SRC_ALPHA
  int32_t blendDestination = 0x0303;  // GL_ONE_MINUS_SRC_ALPHA
};

// Group 8: ambient colour and the direct light.
struct LightingState {
  v4f ambientColour{0, 0, 0, 1};
  int32_t directLightOn = 0;
  int32_t directLightShadows = 0;
  v4f directLightDirection{0, -1, 0, 0};
  v4f directLightColour{1, 1, 1, 1};
  float directLightIntensity = 1.0f;
};

// Group 11: sound master values (the output itself comes with the sound layer).
struct SoundMasterState {
  float masterVolume = 1.0f;
  float masterFrequency = 1.0f;
};

// Group 13: post-processing effect parameters.
struct EffectParameters {
  float glowStrength = 1.0f;
  float bloomStrength = 0.5f;
  float glowBlurWidth = 2.0f;
  float grassWind = 0.2f;
};

// Group 18 (part): timing and default filters.
struct TimingState {
  uint32_t defaultTextureFilter = 0x2601;  // GL_LINEAR
  uint32_t depthRenderbuffer = 0;
  uint32_t depthFramebuffer = 0;
  int64_t counterFrequency = 0;
  float frameTimeFactor = 0.0f;   // seconds the last frame took
  float renderFrequency = 0.0f;   // measured frames per second
  double elapsedSeconds = 0.0;
  int64_t lastFrameCounter = 0;
  int64_t rateCounter = 0;        // counter at the last frame-rate measurement
  int32_t rateFrames = 0;         // frames presented since then
  float gamma = 1.0f;
};

// Group 19: the registries of the object kinds.
struct Registries {
  Registries();
  Registry<VLM_SHADER> shaders;
  Registry<VLM_PARTICLE_EMITTER> particleEmitters;
  Registry<VLM_RIBBON> ribbons;
  Registry<VLM_MESH> meshes;
  Registry<VLM_SURFACE> surfaces;
  Registry<VLM_OBJECT> bodies;
  Registry<VLM_ANIMATION> animations;
  Registry<VLM_SOUND> sounds;
  Registry<VLM_BILLBOARD> billboards;
  Registry<VLM_CAGE> cages;
  Registry<VLM_SKELETON> skeletons;
  Registry<VLM_TEXTURE> textures;
  Registry<VLM_MATERIAL> materials;
  Registry<VLM_NODE> nodes;
  Registry<VLM_OBJECT> objects;
};

struct Context {
  RenderStateCache renderState;      // 1
  // 2 G-buffer objects: come with the renderer.
  ScreenState screen;                // 3
  // 4 camera and projection, 5 debug lines, 6 framebuffers: come later.
  // 7 per-frame render state: comes with the renderer.
  LightingState lighting;            // 8
  // 9 shader programs and uniform buffers, 10 particle emitters: later.
  SoundMasterState sound;            // 11
  PhysicsWorld physics;              // 12
  EffectParameters effects;          // 13
  // 14 skeletons and animations: registries below.
  gl::QuadBatch quadBatch;           // 15
  // 16 text settings: come with the renderer.
  InputState input;                  // 17
  DefinitionState definition;        // 18 (last definition file)
  TimingState timing;                // 18
  Registries registries;             // 19
  bool initialised = false;
  bool hasGL = false;
};

// The engine context of the process.
Context& Ctx();

}  // namespace vlm
