// Particle-emitter definitions: the "ParticleEmitter" block of a definition
// file, read key by key into the emitter's setters.
#include <cctype>
#include <cmath>
#include <numbers>
#include <string>

#include "core/fail.h"
#include "core/finite.h"
#include "core/registries.h"
#include "core/registry.h"
#include "definition/texture_material_records.h"
#include "particles/particle_internal.h"
#include "particles/particle_record.h"
#include "render/render_state.h"
#include "velmora/definition.h"
#include "velmora/particles.h"
#include "velmora/texture.h"

namespace {

constexpr const char* kProc = "VLM_LoadParticleEmitterDefinition";
constexpr float kDegreeToRadian = std::numbers::pi_v<float> / 180.0f;

VLM_DEFINITION_NODE* Key(VLM_DEFINITION_NODE* block, const char* path) {
  return VLM_FindDefinitionNode(block, path, "", 0);
}

std::string Upper(const char* text) {
  std::string out = text ? text : "";
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// Damaged numbers fall back to the key's default with an Info row, so that
// a bad file gives a working emitter instead of a string of refused setter
// calls.
v4f Vector(VLM_DEFINITION_NODE* block, const char* path, v4f fallback, bool needsLength = false) {
  v4f v = fallback;  // a single value keeps w
  VLM_ReadDefinitionVector(Key(block, path), &v, fallback.x, fallback.y, fallback.z, fallback.w);
  const bool length = !needsLength || v.x != 0.0f || v.y != 0.0f || v.z != 0.0f;
  return vlm::KeyUsable(length && vlm::AllFinite({v.x, v.y, v.z, v.w}), path, kProc) ? v : fallback;
}

float Float(VLM_DEFINITION_NODE* block, const char* path, float fallback, bool negativeMeant = true) {
  const float value = VLM_ReadDefinitionFloat(Key(block, path), fallback);
  return vlm::KeyNumber(value, negativeMeant ? std::isfinite(value) : vlm::NotNegative(value), fallback, path, kProc);
}

// A (min, max) pair; one value gives both, a list's missing second value
// keeps the default.
void Range(VLM_HANDLE emitter, VLM_DEFINITION_NODE* block, const char* path, int32_t which, float min, float max,
           float scale = 1.0f) {
  float pair[2] = {min, max};
  VLM_ReadDefinitionRange(Key(block, path), pair, min, max);
  pair[0] *= scale, pair[1] *= scale;
  if (!vlm::KeyUsable(vlm::AllFinite({pair[0], pair[1]}) && !vlm::particles::RangeRefusal(which, pair[0], pair[1]),
                      path, kProc))
    pair[0] = min * scale, pair[1] = max * scale;
  VLM_SetParticleRange(emitter, which, pair[0], pair[1]);
}

// The material of "Particle\Material": a registered name, or an inline
// material block; -1 (the engine's particle material) otherwise.
VLM_HANDLE ChooseMaterial(VLM_DEFINITION_NODE* key) {
  if (!key) return -1;
  const std::string value = VLM_ReadDefinitionString(key, "");
  if (value.empty()) {
    VLM_MATERIAL* inline_ = VLM_LoadMaterialDefinition(-1, key, "");
    return inline_ ? inline_->iHandle : -1;
  }
  if (VLM_MATERIAL* named = vlm::MaterialRegistry().FindByName(value)) return named->iHandle;
  vlm::Fail("Material not found: " + value, kProc);
  return -1;
}

}  // namespace

extern "C" {

VLM_PARTICLE_EMITTER* VLM_LoadParticleEmitterDefinition(VLM_HANDLE id, VLM_DEFINITION_NODE* node) {
  if (!node) return nullptr;
  VLM_DEFINITION_NODE* block = VLM_FindDefinitionNode(node, "ParticleEmitter", "", 0);
  if (!block) return nullptr;
  VLM_PARTICLE_EMITTER* record = VLM_CreateParticleEmitter(id, -1, VLM_ReadDefinitionString(block, ""));
  if (!record) return nullptr;
  const VLM_HANDLE e = record->iHandle;

  const v4f size = Vector(block, "Emission\\Size", {0.0f, 0.0f, 0.0f, 0.0f});
  VLM_SetParticleEmissionSize(e, size.x, size.y, size.z);
  // A direction without length has no rotation: the emitter keeps +y.
  const v4f direction = Vector(block, "Emission\\Direction", {0.0f, 1.0f, 0.0f, 0.0f}, true);
  VLM_SetParticleEmissionDirection(e, direction.x, direction.y, direction.z);
  const v4f position = Vector(block, "Emission\\Position", {0.0f, 0.0f, 0.0f, 1.0f});
  VLM_SetParticleEmitterPosition(e, position.x, position.y, position.z);
  VLM_SetParticleEmitting(e, VLM_ReadDefinitionInteger(Key(block, "Emission\\State"), 1) != 0);
  // More than one emitter may hold would ask for gigabytes of instance buffer.
  const int64_t maxParticles = VLM_ReadDefinitionInteger(Key(block, "Emission\\MaxParticles"), 256);
  const bool countUsable = maxParticles >= 0 && maxParticles <= vlm::kMaxParticlesPerEmitter;
  VLM_SetParticleMaxDrawn(
      e, vlm::KeyUsable(countUsable, "Emission\\MaxParticles", kProc) ? static_cast<int32_t>(maxParticles) : 256);
  const std::string mode = Upper(VLM_ReadDefinitionString(Key(block, "Emission\\Mode"), "WORLD"));
  VLM_SetParticleCoordinateMode(e, mode == "LOCAL" ? VLM_PARTICLES_LOCAL : VLM_PARTICLES_WORLD);
  const std::string area = Upper(VLM_ReadDefinitionString(Key(block, "Emission\\Area"), "POINT"));
  if (area == "POINT") VLM_SetParticleEmissionShape(e, VLM_EMISSION_POINT);
  if (area == "BOX") VLM_SetParticleEmissionShape(e, VLM_EMISSION_BOX);
  if (area == "RING") VLM_SetParticleEmissionShape(e, VLM_EMISSION_RING);
  VLM_SetParticleEmissionRate(e, Float(block, "Emission\\Frequency", 1.0f, false));
  VLM_SetParticleEmissionAngle(e, Float(block, "Emission\\Angle", 0.0f));
  VLM_SetParticleTurbulence(e, Float(block, "Emission\\Force", 0.0f));
  Range(e, block, "Emission\\Radius", VLM_PARTICLE_RING_RADIUS, 1.0f, 1.0f);
  Range(e, block, "Emission\\Velocity", VLM_PARTICLE_FORCE, 1.0f, 1.0f);

  const VLM_HANDLE material = ChooseMaterial(Key(block, "Particle\\Material"));
  VLM_SetParticleMaterial(e, material);
  Range(e, block, "Particle\\Intensity", VLM_PARTICLE_INTENSITY, 1.0f, 1.0f);
  Range(e, block, "Particle\\FadeOut", VLM_PARTICLE_FADE_OUT, 0.0f, 0.0f);
  Range(e, block, "Particle\\FadeIn", VLM_PARTICLE_FADE_IN, 0.0f, 0.0f);
  Range(e, block, "Particle\\LifeTime", VLM_PARTICLE_LIFETIME, 1.0f, 1.0f, 1000.0f);  // seconds -> ms
  Range(e, block, "Particle\\Size", VLM_PARTICLE_SIZE, 1.0f, 1.0f);
  Range(e, block, "Particle\\Raise", VLM_PARTICLE_GROWTH, 0.0f, 0.0f);
  // The colour starts as the chosen material's, so a list naming only some
  // channels keeps the others.
  const VLM_HANDLE used = material == -1 ? vlm::Render().defaults.particleMaterial : material;
  v4f colour = record->v4fColor;
  if (const VLM_MATERIAL* chosen = vlm::MaterialRegistry().Resolve(used)) colour = chosen->v4fColor;
  if (VLM_DEFINITION_NODE* key = Key(block, "Particle\\Color")) {
    v4f read = colour;
    VLM_ReadDefinitionColour(key, &read, 0xFFFFFFFFu);
    if (vlm::KeyUsable(vlm::AllFinite({read.x, read.y, read.z, read.w}), "Particle\\Color", kProc)) colour = read;
  }
  VLM_SetParticleColor(e, colour.x, colour.y, colour.z, colour.w);
  Range(e, block, "Particle\\Orientation", VLM_PARTICLE_ROTATION, 0.0f, 0.0f, kDegreeToRadian);
  Range(e, block, "Particle\\Rotation", VLM_PARTICLE_ROTATION_SPEED, 0.0f, 0.0f, kDegreeToRadian);
  return record;
}

}  // extern "C"
