// Making a program and a material current for 3D drawing: the program's
// samplers on their units, the material's textures bound where its program
// reads them, and its values in the Material block.
#include "render/material_apply.h"

#include <cstring>

#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "gpu/gl_state.h"
#include "gpu/gl_table.h"
#include "render/render_state.h"
#include "render/shader_internal.h"
#include "render/shader_state.h"
#include "velmora/render.h"

namespace vlm::render {
namespace {

// Where a program reads the material's texture slots: unit by slot
// (colour, normal, specular, mask, cube), -1 where it reads none, and how
// much of the Material block it declares.
struct UnitTable {
  int8_t units[VLM_SLOT_COUNT];
  bool wholeBlock;
};

constexpr UnitTable kColourOnly{{-1, -1, -1, -1, -1}, false};
constexpr UnitTable kColourMap{{0, -1, -1, -1, -1}, false};
constexpr UnitTable kTwoMaps{{0, 1, -1, -1, -1}, true};
constexpr UnitTable kThreeMaps{{0, 1, 2, -1, -1}, true};

UnitTable UnitsOf(int program) {
  switch (program) {
    case VLM_PROGRAM_3D_DEFAULT: case VLM_PROGRAM_3D_DRAW_MESH: return kColourOnly;
    case VLM_PROGRAM_3D_TEXTURES: case VLM_PROGRAM_3D_TEXTURES_NODEPTH: case VLM_PROGRAM_3D_PERLIN: return kColourMap;
    case VLM_PROGRAM_3D_NORMALMAP: case VLM_PROGRAM_3D_NORMALMAP_TA: case VLM_PROGRAM_PARALLAX_MAPPING: return kTwoMaps;
    case VLM_PROGRAM_3D_SPECULARMAP: case VLM_PROGRAM_3D_SPECULARMAP_TA: case VLM_PROGRAM_3D_CLIPPED_SPECULARMAP: case VLM_PROGRAM_SPECULAR_PARALLAX_MAPPING: return kThreeMaps;
    case VLM_PROGRAM_3D_SPECULARMAP_I: return {{1, 2, 3, -1, -1}, true};  // unit 0 holds the instance buffer
    case VLM_PROGRAM_3D_REFLECTIONMAP: return {{0, 1, -1, -1, 2}, true};
    case VLM_PROGRAM_3D_ULTIMATE: return {{0, 1, 2, 3, 4}, true};
    case VLM_PROGRAM_3D_GRASS: return {{1, -1, 2, -1, -1}, true};  // unit 0 holds the instance buffer
    case VLM_PROGRAM_NORMAL_MAPPING_SILHOUETTE: return {{-1, 0, -1, -1, -1}, true};
    // The glass reads colour, normal and specular maps and the cube.
    case VLM_PROGRAM_3D_GLASS: return {{0, 1, 2, -1, 3}, true};
    default: return kThreeMaps;
  }
}

// Programs whose third Material float is the refraction strength, and
// those whose fourth is the reflection strength.
bool Refracts(int program) {
  return program == VLM_PROGRAM_3D_GLASS || program == VLM_PROGRAM_WATER ||
         program == VLM_PROGRAM_MASK_REFRACTION;
}

// The texture a material slot draws with: its own, or for an empty colour,
// normal or specular slot the substitute that changes nothing, so that an
// unbound unit never reads as black.
const VLM_TEXTURE* SlotTexture(const VLM_MATERIAL& material, int slot) {
  if (material.apTextures[slot]) return material.apTextures[slot];
  const DefaultResources& defaults = Render().defaults;
  if (slot <= VLM_SLOT_SPECULAR) return TextureRegistry().Resolve(defaults.substituteTextures[slot]);
  if (slot == VLM_SLOT_CUBE) return TextureRegistry().Resolve(defaults.cubeMap);
  return TextureRegistry().Resolve(defaults.texture);
}

bool IsSamplerType(GLint type) {
  switch (type) {
    case GL_SAMPLER_2D: case GL_SAMPLER_3D: case GL_SAMPLER_CUBE: case GL_SAMPLER_2D_ARRAY:
    case GL_SAMPLER_BUFFER: case GL_SAMPLER_2D_SHADOW: case GL_SAMPLER_CUBE_SHADOW:
      return true;
    default:
      return false;
  }
}

// The slot of a registered uniform of `list` at `location`, or -1.
int SlotAt(const VLM_SHADER& shader, int list, GLint location) {
  for (size_t slot = 0; slot < shader.aSlotsA.size(); ++slot) {
    const VLM_SHADER_UNIFORM* entry = shader.aSlotsA[slot];
    if (!entry || entry->iLocation != location) continue;
    for (const VLM_SHADER_UNIFORM& registered : shader.aUniforms[list])
      if (&registered == entry) return static_cast<int>(slot);
  }
  return -1;
}

// The hand-built programs register their samplers as integers. Those that
// the program declares as samplers get their slot's unit too: left on unit
// 0, a cube and an array sampler would share it and every draw would fail.
void PointIntegerSamplers(const VLM_SHADER& shader) {
  if (shader.aUniforms[VLM_UNIFORMS_INTEGER].empty()) return;
  GLint count = 0;
  vlmgl.glGetProgramiv(shader.iProgram, GL_ACTIVE_UNIFORMS, &count);
  for (GLuint index = 0; index < static_cast<GLuint>(count); ++index) {
    GLint type = 0;
    vlmgl.glGetActiveUniformsiv(shader.iProgram, 1, &index, GL_UNIFORM_TYPE, &type);
    if (!IsSamplerType(type)) continue;
    char name[128] = {};
    vlmgl.glGetActiveUniformName(shader.iProgram, index, sizeof name, nullptr, name);
    const GLint location = vlmgl.glGetUniformLocation(shader.iProgram, name);
    const int slot = location < 0 ? -1 : SlotAt(shader, VLM_UNIFORMS_INTEGER, location);
    if (slot >= 0) vlmgl.glUniform1i(location, slot);
  }
}

}  // namespace

void UseProgram(const VLM_SHADER& shader) {
  gl::UseProgram(shader.iProgram);
  // A sampler's slot is its texture unit.
  const auto& samplers = shader.aUniforms[VLM_UNIFORMS_SAMPLER];
  for (size_t slot = 0; slot < shader.aSlotsA.size(); ++slot) {
    const VLM_SHADER_UNIFORM* entry = shader.aSlotsA[slot];
    if (!entry || entry->iLocation < 0) continue;
    for (const VLM_SHADER_UNIFORM& sampler : samplers) {
      if (&sampler == entry) {
        vlmgl.glUniform1i(entry->iLocation, static_cast<GLint>(slot));
        break;
      }
    }
  }
  PointIntegerSamplers(shader);
}

void ApplyMaterial(const VLM_MATERIAL& material) {
  const int program = material.pShader ? material.pShader->iProgramNumber : 0;
  const UnitTable table = UnitsOf(program);
  for (int slot = 0; slot < VLM_SLOT_COUNT; ++slot) {
    if (table.units[slot] < 0) continue;
    const VLM_TEXTURE* texture = SlotTexture(material, slot);
    if (!texture || texture->iTexture == 0) continue;
    gl::BindTextureUnit(table.units[slot], texture->iTarget, texture->iTexture);
  }
  gl::ActivateTextureUnit(0);

  MaterialBlock& block = Shaders().buffers.material.data;
  block.vColor = material.v4fColor;
  if (!table.wholeBlock) {
    UploadBlockRange(Block::kMaterial, 0, sizeof(v4f));
    return;
  }
  block.fIntensity = material.fShine;
  block.fHardness = material.fHardness;
  block.fSurfaceScattering = Refracts(program) ? material.fRefraction : material.fSurfaceScattering;
  block.fEmission = material.fReflection;
  block.vSpecularColor = material.v4fShineColor;
  UploadBlock(Block::kMaterial);
}

}  // namespace vlm::render

extern "C" {

int VLM_UseShaderProgram(VLM_HANDLE handle) {
  VLM_SHADER* shader = vlm::render::ResolveShader(handle);
  if (!shader || !vlm::render::HasGL()) return 0;
  vlm::render::UseProgram(*shader);
  return 1;
}

int VLM_ApplyMaterial(VLM_HANDLE handle) {
  VLM_MATERIAL* material = vlm::MaterialRegistry().Resolve(handle);
  if (!material || !vlm::render::HasGL()) return 0;
  vlm::render::ApplyMaterial(*material);
  return 1;
}

}  // extern "C"
