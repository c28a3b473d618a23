// Cases of the definition keys: each key of the sound, light, material,
// particle-emitter and texture blocks given each bad value in turn, then
// every key of a block bad at once.
#include <functional>
#include <string>
#include <vector>

#include "sweep.h"

namespace sweep {

namespace {

enum class Shape { kNumber, kVector, kPair, kColour, kInteger };

const std::vector<std::string>& BadTexts(Shape shape) {
  static const std::vector<std::string> numbers = {"NaN", "+Infinity", "-Infinity", "1e30", "-1e30", "0", "-1"};
  static const std::vector<std::string> vectors = {"NaN, NaN, NaN", "+Infinity, 0, 0", "0, -Infinity, 0",
                                                   "1e30, -1e30, 1e30", "0, 0, 0", "NaN"};
  static const std::vector<std::string> pairs = {"NaN, 1", "1, +Infinity", "5, 1", "-1, -1", "-1e30, 1e30",
                                                 "NaN", "0, 0"};
  static const std::vector<std::string> colours = {"1.e39, 0.5, 0.5", "0.5, -1.e39, 0.5", "0.5, 0.5, 0.5, 1.e39",
                                                   "-1, -1, -1"};
  static const std::vector<std::string> integers = {"-1", "65536", "99999999999", "-99999999999"};
  switch (shape) {
    case Shape::kNumber: return numbers;
    case Shape::kVector: return vectors;
    case Shape::kPair: return pairs;
    case Shape::kColour: return colours;
    case Shape::kInteger: return integers;
  }
  return numbers;
}

struct Key {
  const char* name;  // as written in the block, "Emission\Frequency" inside a sub-block
  Shape shape;
};

struct Block {
  const char* subsystem;
  const char* procedure;
  std::string (*text)(const std::string& keys);  // the block around the key lines
  void (*load)(VLM_DEFINITION_NODE* tree);
  std::vector<Key> keys;
};

// "Emission\Frequency: v" becomes "Emission { Frequency: v }".
std::string KeyLine(const Key& key, const std::string& value) {
  const std::string name = key.name;
  const size_t slash = name.find('\\');
  if (slash == std::string::npos) return name + ": " + value + "\n";
  return name.substr(0, slash) + " { " + name.substr(slash + 1) + ": " + value + " }\n";
}

std::vector<Block> Blocks() {
  const Shape N = Shape::kNumber, V = Shape::kVector, P = Shape::kPair, C = Shape::kColour;
  return {
      {"sound", "VLM_LoadSoundDefinition",
       [](const std::string& keys) { return "Sound: S { File: 'tone.wav'\n" + keys + "}\n"; },
       [](VLM_DEFINITION_NODE* tree) { VLM_LoadSoundDefinition(-1, tree, ""); },
       {{"Volume", N}, {"Frequency", N}, {"Position", V}, {"Direction", V}, {"Cone", P}, {"Cone", N},
        {"Range", P}, {"Range", N}}},
      {"light", "VLM_LoadLightDefinition",
       [](const std::string& keys) { return "Light: L { Type: Point\n" + keys + "}\n"; },
       [](VLM_DEFINITION_NODE* tree) { VLM_LoadLightDefinition(-1, tree); },
       {{"Position", V}, {"Color", C}, {"Range", N}, {"Intensity", N}}},
      {"material", "VLM_LoadMaterialDefinition",
       [](const std::string& keys) { return "Material: M {\n" + keys + "}\n"; },
       [](VLM_DEFINITION_NODE* tree) { VLM_LoadMaterialDefinition(-1, tree, "M"); },
       {{"Color", C}, {"Shine", N}, {"ShineColor", C}, {"Hardness", N}, {"Reflection", N}, {"Refraction", N},
        {"SurfaceScattering", N}}},
      {"material", "VLM_LoadMaterialDefinition",
       [](const std::string& keys) { return "Material: M { Shader: SOFTPARTICLE\n" + keys + "}\n"; },
       [](VLM_DEFINITION_NODE* tree) { VLM_LoadMaterialDefinition(-1, tree, "M"); },
       {{"Blend", N}}},
      {"particles", "VLM_LoadParticleEmitterDefinition",
       [](const std::string& keys) { return "ParticleEmitter: E {\n" + keys + "}\n"; },
       [](VLM_DEFINITION_NODE* tree) { VLM_LoadParticleEmitterDefinition(-1, tree); },
       {{"Emission\\Size", V}, {"Emission\\Direction", V}, {"Emission\\Position", V},
        {"Emission\\Frequency", N}, {"Emission\\Angle", N}, {"Emission\\Force", N}, {"Emission\\Radius", P},
        {"Emission\\Velocity", P}, {"Particle\\Intensity", P}, {"Particle\\FadeOut", P},
        {"Particle\\FadeIn", P}, {"Particle\\LifeTime", P}, {"Particle\\Size", P}, {"Particle\\Raise", P},
        {"Particle\\Color", C}, {"Particle\\Orientation", P}, {"Particle\\Rotation", P}}},
      {"texture", "VLM_LoadTextureDefinition",
       [](const std::string& keys) { return "Texture: T { File: 'image.png'\n" + keys + "}\n"; },
       [](VLM_DEFINITION_NODE* tree) { VLM_LoadTextureDefinition(-1, tree, "T"); },
       {{"Mipmaps", Shape::kInteger}}},
  };
}

void Load(const Block& block, const std::string& keys, const Fixture& f) {
  VLM_DEFINITION_NODE* tree = VLM_ParseDefinitionText(block.text(keys).c_str(), (f.dir + "/").c_str());
  block.load(tree);
  VLM_FreeDefinitionNode(tree, 1);
}

}  // namespace

void AddDefinitionKeyCases() {
  for (const Block& block : Blocks()) {
    size_t most = 0;
    for (const Key& key : block.keys) {
      const auto& texts = BadTexts(key.shape);
      most = std::max(most, texts.size());
      for (const std::string& text : texts) {
        const std::string line = KeyLine(key, text);
        AddCase(block.subsystem, block.procedure, std::string(key.name) + ": " + text,
                [block, line](Fixture& f) { Load(block, line, f); });
      }
    }
    for (size_t k = 0; k < most; ++k) {
      std::string lines;
      for (const Key& key : block.keys) {
        const auto& texts = BadTexts(key.shape);
        lines += KeyLine(key, texts[k % texts.size()]);
      }
      AddCase(block.subsystem, block.procedure, "all keys bad #" + std::to_string(k + 1),
              [block, lines](Fixture& f) { Load(block, lines, f); });
    }
  }
}

}  // namespace sweep
