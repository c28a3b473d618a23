// The world every case starts from: the engine opened once per worker, and
// a set of live objects of every kind rebuilt before each case.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "core/builtin_images.h"
#include "core/engine_state.h"
#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "input/input_state.h"
#include "mesh/cage.h"
#include "mesh/cage_record.h"
#include "mesh/mesh_record.h"
#include "particles/particle_record.h"
#include "physics/surface_joint_records.h"
#include "physics/world.h"
#include "render/element_record.h"
#include "render/render_state.h"
#include "render/shader_record.h"
#include "scene/light.h"
#include "scene/object_record.h"
#include "scene/entity_records.h"
#include "sound/sound_record.h"
#include "sound/sound_internal.h"
#include "sound/sound_state.h"
#include "sweep.h"
#include "text/builtin_font.h"
#include "text/font_record.h"
#include "text/text_state.h"

namespace sweep {

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;

// What start-up made, kind by kind: a case may add records (they go before
// the next case) but must not take these away.
std::map<const void*, std::set<const void*>>& Baseline() {
  static std::map<const void*, std::set<const void*>> baseline;
  return baseline;
}

struct Saved {
  vlm::LightingState lighting;
  vlm::EffectParameters effects;
  VLM_TEXT_SETTINGS text{};
};
Saved& StartState() {
  static Saved saved;
  return saved;
}

template <class T>
void RememberKind(vlm::Registry<T>& registry) {
  auto& set = Baseline()[&registry];
  set.clear();
  registry.ForEach([&set](T* record) { set.insert(record); });
}

template <class T>
void FreeAddedRecords(vlm::Registry<T>& registry) {
  const auto& set = Baseline()[&registry];
  for (T* record : registry.Records())
    if (!set.count(record) && registry.Find(record->iHandle) == record) registry.Release(record->iHandle);
}

template <class T>
bool KindIntact(vlm::Registry<T>& registry) {
  const auto it = Baseline().find(&registry);
  if (it == Baseline().end()) return true;
  for (const void* record : it->second) {
    bool live = false;
    registry.ForEach([&](T* r) { live = live || r == record; });
    if (!live) return false;
  }
  return true;
}

// Applies f to the registry of every kind a case can reach.
template <class F>
void EveryKind(F&& f) {
  f(vlm::SoundRegistry());
  f(vlm::RibbonRegistry());
  f(vlm::BillboardRegistry());
  f(vlm::ParticleEmitterRegistry());
  f(vlm::ElementRegistry());
  f(vlm::FontRegistry());
  f(vlm::ObjectRegistry());
  f(vlm::NodeRegistry());
  f(vlm::LightRegistry());
  f(vlm::MeshRegistry());
  f(vlm::MaterialRegistry());
  f(vlm::TextureRegistry());
  f(vlm::ShaderRegistry());
  f(vlm::SkeletonRegistry());
  f(vlm::AnimationRegistry());
}

void WriteBytes(const std::string& path, const void* bytes, size_t size) {
  std::ofstream(path, std::ios::binary).write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
}

void WriteTone(const std::string& path) {
  constexpr uint32_t kFrames = 4410;
  std::string b;
  auto u32 = [&b](uint32_t v) { b.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&b](uint16_t v) { b.append(reinterpret_cast<const char*>(&v), 2); };
  b += "RIFF";
  u32(36 + kFrames * 2);
  b += "WAVEfmt ";
  u32(16), u16(1), u16(1), u32(44100), u32(88200), u16(2), u16(16);
  b += "data";
  u32(kFrames * 2);
  for (uint32_t i = 0; i < kFrames; ++i) u16(static_cast<uint16_t>((i % 100) * 300));
  WriteBytes(path, b.data(), b.size());
}

// Blocks of every kind of definition, the sound's file beside them.
std::string DefinitionText() {
  return "Texture: SweepTexture { File: 'image.png' }\n"
         "Material: SweepMaterial { Shader: 3D_DEFAULT\n Texture[0]: SweepTexture }\n"
         "Sound: SweepSound { File: 'tone.wav'\n Range: 1, 50 }\n"
         "Light: SweepLight { Type: Point\n Position: 1, 2, 3 }\n"
         "ParticleEmitter: SweepEmitter { Emission { Frequency: 4 }\n Particle { LifeTime: 1, 2 } }\n";
}

void WriteFiles(Fixture& f) {
  f.soundFile = f.dir + "/tone.wav";
  WriteTone(f.soundFile);
  f.imageFile = f.dir + "/image.png";
  WriteBytes(f.imageFile, vlm::builtin::kDefaultTextureImage.bytes, vlm::builtin::kDefaultTextureImage.size);
  f.fontFile = f.dir + "/font.tf";
  WriteBytes(f.fontFile, vlm::kBuiltinFontFile, vlm::kBuiltinFontFileSize);
  f.objFile = f.dir + "/mesh.obj";
  std::ofstream(f.objFile) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\ng a\nf 1/1/1 2/1/1 3/1/1\n";
  f.shaderFile = f.dir + "/shader.vert";
  std::ofstream(f.shaderFile) << "#version 330\nvoid main() { gl_Position = vec4(0.0); }\n";
  f.definitionFile = f.dir + "/sweep.vld";
  std::ofstream(f.definitionFile) << DefinitionText();
  f.cageFile = VLM_SWEEP_SOURCE_DIR "/demo/Resources/Plane.vlb";
  f.meshFile = f.dir + "/cube.vlm";
  VLM_CreateCubeMesh(77, 1.0f, 1.0f, 0, "");
  VLM_SaveMesh(77, f.meshFile.c_str(), "cube");
  VLM_FreeMesh(77);
}

}  // namespace

void ClearFixture(Fixture& f) {
  vlm::sound::FreeAllSounds();
  // The physics forgets the sound layer's player with its world; it comes back.
  const auto player = vlm::World().playCollisionSound;
  vlm::ResetPhysics();
  vlm::World().playCollisionSound = player;
  vlm::ResetCages();
  EveryKind([](auto& registry) { FreeAddedRecords(registry); });
  VLM_InitCamera(kWidth, kHeight);
  vlm::RenderState& render = vlm::Render();
  render.lighting = StartState().lighting;
  render.effects = StartState().effects;
  render.scene.skyTexture = 0;
  render.scene.lines.clear();
  render.showLogo = 0;
  render.frustumCulling = 1;
  VLM_BackgroundColour(0);
  VLM_SetTextureFilter(0x2601);
  vlm::Text().defaults = StartState().text;
  vlm::SoundMaster().masterVolume = 1.0f;
  vlm::SoundMaster().masterFrequency = 1.0f;
  vlm::ResetInput();
  vlm::Input().joystickCount = 1;  // a device that answered at start-up and reads nothing since
  VLM_FreeDefinitionFile();
  if (f.tree) VLM_FreeDefinitionNode(f.tree, 1);
  if (f.writer) VLM_CloseDefinitionWriter(f.writer);
  if (f.image) VLM_FreeImage(f.image);
  f.tree = nullptr, f.writer = nullptr, f.image = nullptr;
  if (VLM_IsWindow(f.window)) VLM_CloseWindow(f.window);
  if (chdir(f.dir.c_str()) != 0) std::perror("chdir");
}

bool StartEngine(Fixture& f, bool gl, const std::string& base) {
  f.gl = gl;
  std::string pattern = base + "/worker-XXXXXX";
  if (!mkdtemp(pattern.data())) return false;
  f.dir = pattern;
  if (chdir(f.dir.c_str()) != 0) return false;
  if (gl) {
    if (!VLM_OpenScreenWindow(kWidth, kHeight, 32, "sweep", VLM_WINDOW_HIDDEN, 0) || !vlm::Engine().hasGL)
      return false;
  } else {
    vlm::Engine().hasGL = false;
    VLM_Init();
  }
  EveryKind([](auto& registry) { RememberKind(registry); });
  StartState().lighting = vlm::Render().lighting;
  StartState().effects = vlm::Render().effects;
  StartState().text = vlm::Text().defaults;
  WriteFiles(f);
  if (VLM_SHADER* program = VLM_GetBuiltInShader(15)) f.glProgram = program->iProgram;
  ClearFixture(f);  // the first case starts from the same state as every other
  return true;
}

void BuildFixture(Fixture& f) {
  // Stale handles: ID 900 of every kind made and freed again.
  VLM_FreeMaterial(VLM_CreateMaterial(kStale, -1, 15, "") ? kStale : 0);
  VLM_FreeMesh(VLM_CreateMesh(kStale, "") ? kStale : 0);
  VLM_FreeNode(VLM_CreateNode(kStale, "") ? kStale : 0);
  VLM_FreeLight(VLM_CreateLight(kStale, 0, 0, 0, 1));
  VLM_FreeSound(VLM_LoadSoundFile(kStale, f.soundFile.c_str(), 0, ""));

  VLM_CatchTexture(f.texture, vlm::builtin::kDefaultTextureImage.bytes, vlm::builtin::kDefaultTextureImage.size,
                   VLM_DEFAULT, "SweepTexture");
  VLM_CreateTextureArray(f.arrayTexture, 64, 64, 2, VLM_DEFAULT, "SweepArray");
  f.cubeTexture = VLM_GetDefaultResource(VLM_RESOURCE_CUBEMAP);
  VLM_CreateMaterial(f.material, f.texture, 15, "SweepMaterial");
  VLM_CreateMaterial(f.material2D, f.texture, 8, "Sweep2D");
  VLM_CreateMaterial(f.billboardMaterial, f.texture, 47, "SweepBillboard");
  VLM_CreateCubeMesh(f.mesh, 1.0f, 1.0f, 0, "SweepCube");
  VLM_CreatePlaneMesh(f.groupMesh, 1.0f, 1.0f, "SweepPlane");
  f.objectRecord = VLM_CreateObject(f.object, f.mesh, f.material, 1, "SweepObject");
  VLM_CreateObject(f.instanced, f.mesh, f.material, 4, "SweepInstanced");
  f.nodeRecord = VLM_CreateNode(f.node, "SweepNode");
  f.foreign = reinterpret_cast<VLM_HANDLE>(VLM_CreateNode(-1, ""));
  VLM_CreateBoxCage(f.cage, 1.0f, 1.0f, 1.0f, "SweepCage");
  VLM_CreatePhysicalMaterial(f.surface, 0.5f, 0.5f, "SweepSurface");
  VLM_CreatePhysicalMaterial(f.surface2, 0.3f, 0.6f, "SweepSurface2");
  VLM_CreateBody(f.body, f.cage, f.surface, "SweepBody");
  VLM_SetBodyMass(f.body, 1.0f);
  const v4f up{0.0f, 1.5f, 0.0f, 1.0f};
  VLM_BodyPosition(f.body, &up, 0);
  VLM_CreateBody(f.body2, f.cage, f.surface2, "SweepGround");
  VLM_CreateJoint(f.joint, VLM_JOINT_SPRING, f.body, f.body2, 0, 0, 0, 0, 0, 0);
  VLM_SetJointStiffness(f.joint, 10.0f);
  VLM_CreateLight(f.light, 0.0f, 2.0f, 2.0f, VLM_LIGHT_POINT);
  VLM_CreateLight(f.spot, 1.0f, 2.0f, 2.0f, VLM_LIGHT_SPOT);
  VLM_LoadSoundFile(f.sound, f.soundFile.c_str(), 0, "SweepSound");
  f.channel = VLM_PlaySound(f.sound, VLM_SOUND_LOOP, nullptr);
  VLM_SetCollisionSound(f.sound, 2.0f, f.surface, f.surface2);
  VLM_CreateParticleEmitter(f.emitter, -1, "SweepEmitter");
  VLM_LoadFont(f.font, f.fontFile.c_str());
  VLM_CreateElement(f.element, f.material2D, 0, 0);
  VLM_CreateRibbon(f.ribbon, -1, 1.0f, 8, "SweepRibbon");
  VLM_CreateBillboardGroup(f.billboards, f.billboardMaterial, 1.0f, 1.0f, VLM_BILLBOARD_PLACED, "SweepBillboards");
  m4f identity;
  VLM_m4fSetDiagonal(&identity, 1.0f);
  VLM_AddBillboard(f.billboards, &identity);
  VLM_CreateShaderProgram(f.shader, VLM_SHADERGROUP_3D, "SweepShader");
  VLM_CameraPosition(0.0f, 1.0f, 6.0f, 0);
  f.tree = VLM_ParseDefinitionText(DefinitionText().c_str(), (f.dir + "/").c_str());
  f.writer = VLM_OpenDefinitionWriter((f.dir + "/written.vld").c_str());
  f.image = VLM_CreateImage(4, 4, 4, 0);
  VLM_OpenWindow(f.window, 0, 0, 64, 48, "sweep window", VLM_WINDOW_HIDDEN);
}

void RunFrame(Fixture& f) {
  VLM_UpdatePhysics(0);
  VLM_UpdateParticles();
  VLM_UpdateSounds();
  VLM_UpdateCamera();
  if (f.gl) {
    VLM_RenderWorld(-1);
    VLM_DrawText(-1, 1.0f, 1.0f, "Sweep", VLM_DEFAULT, VLM_DEFAULTF, VLM_DEFAULTF);
    VLM_DisplayElement(f.element, 20.0f, 20.0f);
    VLM_FlipBuffers();
  }
  VLM_UpdatePhysics(0);
}

bool EngineIntact(const Fixture& f) {
  if (!vlm::Engine().initialised || vlm::Engine().hasGL != f.gl) return false;
  bool intact = true;
  EveryKind([&intact](auto& registry) { intact = intact && KindIntact(registry); });
  return intact && (!f.gl || vlm::Text().defaultFont != 0);
}

}  // namespace sweep
