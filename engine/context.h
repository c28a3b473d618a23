// The engine context: the one global record of engine state. Only the files
// of engine/ see this definition; every other source reaches its own part
// through the accessor its subsystem declares (World(), Input(), Render(),
// Screen(), SoundMaster(), Definitions(), Engine(), Timing(), the *Registry()
// accessors).
#pragma once

#include "core/engine_state.h"
#include "core/registry.h"
#include "definition/definition_state.h"
#include "definition/texture_material_records.h"
#include "input/input_state.h"
#include "mesh/cage_record.h"
#include "mesh/mesh_record.h"
#include "particles/particle_record.h"
#include "particles/particle_state.h"
#include "physics/surface_joint_records.h"
#include "physics/world_state.h"
#include "platform/screen_state.h"
#include "render/element_record.h"
#include "render/render_state.h"
#include "render/shader_record.h"
#include "render/shader_state.h"
#include "render/targets.h"
#include "scene/entity_records.h"
#include "scene/object_record.h"
#include "scene/scene_state.h"
#include "sound/sound_record.h"
#include "sound/sound_state.h"
#include "text/font_record.h"
#include "text/text_state.h"

namespace vlm {

// The registries of the object kinds.
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
  Registry<VLM_JOINT> joints;
  Registry<VLM_FONT> fonts;
  Registry<VLM_ELEMENT> elements;
  Registry<VLM_LIGHT> lights;
};

// The parts in the order the engine brings them up.
struct Context {
  RenderState render;          // render-state cache, lights, effects, quad batch, GL objects
  render::ShaderState shaderPrograms;  // shader programs, render lists, uniform buffers
  ParticleState particles;     // the emitter lock and draw order
  ScreenState screen;
  SceneState scene;            // the camera, its projection and the lights
  render::RenderTargets targets;  // framebuffers, G-buffer light programs, shadow maps
  SoundMasterState sound;
  PhysicsWorld physics;
  InputState input;
  DefinitionState definition;  // the definition reader
  TimingState timing;
  TextState text;              // default text settings, the default font
  Registries registries;
  EngineState engine;
};

// The engine context of the process.
Context& Ctx();

}  // namespace vlm
