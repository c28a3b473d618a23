// The 47 built-in programs (34 is not defined) and VLM_InitShaders, which
// builds them in four log sections.
#include "render/shader_builtin.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "gpu/gl_table.h"
#include "render/shader_internal.h"
#include "render/shader_state.h"
#include "shader_sources.h"
#include "velmora/core.h"
#include "velmora/shader.h"

namespace vlm::render {
namespace {

namespace src = shader_sources;

constexpr int kNone = -1;

std::string_view View(const src::Source& s) {
  return std::string_view(s.begin, static_cast<size_t>(s.end - s.begin));
}

struct Entry {
  int number;
  const char* name;
  int group;
  int renderList;
  int shadowNumber;
  bool handBuilt;
  const src::Source* vertex;
  const src::Source* fragment;
};

constexpr int G0 = VLM_SHADERGROUP_GBUFFER, G1 = VLM_SHADERGROUP_SHADOW, G2 = VLM_SHADERGROUP_2D,
              G3 = VLM_SHADERGROUP_3D, G4 = VLM_SHADERGROUP_PP;

// In table order.
const Entry kPrograms[] = {
    {VLM_PROGRAM_GBUFFER_DEPTH_LINEARIZATION, "GBuffer Depth Linearization", G0, kNone, 0, false, &src::s_screen_quad_vert, &src::s_gbuffer_depth_linearization_frag},
    {VLM_PROGRAM_GBUFFER_BLOOM_GLOW_MAP, "GBuffer Bloom Glow Map", G0, kNone, 0, false, &src::s_screen_quad_vert, &src::s_gbuffer_bloom_glow_map_frag},
    {VLM_PROGRAM_GBUFFER_SSAO, "GBuffer SSAO", G0, kNone, 0, false, &src::s_screen_quad_vert, &src::s_gbuffer_ssao_frag},
    {VLM_PROGRAM_SHADOW_DEFAULT, "Shadow Default", G1, kNone, 0, false, &src::s_shadow_default_vert, &src::s_shadow_default_frag},
    {VLM_PROGRAM_SHADOW_INSTANCING, "Shadow Instancing", G1, kNone, 0, false, &src::s_shadow_instancing_vert, &src::s_shadow_alpha_test_frag},
    {VLM_PROGRAM_SHADOW_TEXTUREARRAY, "Shadow TextureArray", G1, kNone, 0, false, &src::s_shadow_texture_array_vert, &src::s_shadow_texture_array_frag},
    {VLM_PROGRAM_SHADOW_GRASS, "Shadow Grass", G1, kNone, 0, false, &src::s_shadow_grass_vert, &src::s_shadow_alpha_test_frag},
    {VLM_PROGRAM_2D_DEFAULT, "2D Default", G2, kNone, 0, false, &src::s_2d_default_vert, &src::s_2d_default_frag},
    {VLM_PROGRAM_2D_DEFAULT_TA, "2D Default TA", G2, kNone, 0, false, &src::s_2d_default_vert, &src::s_2d_default_ta_frag},
    {VLM_PROGRAM_2D_DRAWING, "2D Drawing", G2, kNone, 0, false, &src::s_2d_drawing_vert, &src::s_2d_drawing_frag},
    {VLM_PROGRAM_2D_MASKED, "2D Masked", G2, kNone, 0, false, &src::s_2d_masked_vert, &src::s_2d_masked_frag},
    {VLM_PROGRAM_2D_COLOR_CHANNELS, "2D Color Channels", G2, kNone, 0, false, &src::s_2d_default_vert, &src::s_2d_color_channels_frag},
    {VLM_PROGRAM_2D_BLUR, "2D Blur", G2, kNone, 0, false, &src::s_2d_default_vert, &src::s_2d_blur_frag},
    {VLM_PROGRAM_2D_GADGET, "2D Gadget", G2, kNone, 0, false, &src::s_2d_gadget_vert, &src::s_2d_gadget_frag},
    {VLM_PROGRAM_3D_DEFAULT, "3D Default", G3, 1, VLM_PROGRAM_SHADOW_DEFAULT, false, &src::s_3d_default_vert, &src::s_3d_default_frag},
    {VLM_PROGRAM_3D_DRAWING, "3D Drawing", G3, 1, 0, false, &src::s_3d_drawing_vert, &src::s_3d_drawing_frag},
    {VLM_PROGRAM_3D_DRAW_MESH, "3D Draw Mesh", G3, 1, VLM_PROGRAM_SHADOW_DEFAULT, false, &src::s_3d_draw_mesh_vert, &src::s_3d_draw_mesh_frag},
    {VLM_PROGRAM_3D_TEXTURES, "3D Textures", G3, 1, VLM_PROGRAM_SHADOW_DEFAULT, false, &src::s_3d_textures_vert, &src::s_3d_textures_frag},
    {VLM_PROGRAM_3D_TEXTURES_NODEPTH, "3D Textures NoDepth", G3, 2, VLM_PROGRAM_SHADOW_DEFAULT, false, &src::s_3d_textures_vert, &src::s_3d_textures_frag},
    {VLM_PROGRAM_3D_NORMALMAP, "3D NormalMap", G3, 0, VLM_PROGRAM_SHADOW_DEFAULT, false, &src::s_3d_normal_map_vert, &src::s_3d_normal_map_frag},
    {VLM_PROGRAM_3D_NORMALMAP_TA, "3D NormalMap TA", G3, 0, VLM_PROGRAM_SHADOW_TEXTUREARRAY, false, &src::s_3d_normal_map_ta_vert, &src::s_3d_normal_map_ta_frag},
    {VLM_PROGRAM_3D_SPECULARMAP, "3D SpecularMap", G3, 0, VLM_PROGRAM_SHADOW_DEFAULT, false, &src::s_3d_normal_map_vert, &src::s_3d_specular_map_frag},
    {VLM_PROGRAM_3D_SPECULARMAP_I, "3D SpecularMap I", G3, 0, VLM_PROGRAM_SHADOW_INSTANCING, false, &src::s_3d_specular_map_i_vert, &src::s_3d_specular_map_i_frag},
    {VLM_PROGRAM_3D_SPECULARMAP_TA, "3D SpecularMap TA", G3, 0, VLM_PROGRAM_SHADOW_TEXTUREARRAY, false, &src::s_3d_normal_map_ta_vert, &src::s_3d_specular_map_ta_frag},
    {VLM_PROGRAM_3D_CLIPPED_SPECULARMAP, "3D Clipped SpecularMap", G3, 0, VLM_PROGRAM_SHADOW_DEFAULT, false, &src::s_3d_normal_map_vert, &src::s_3d_clipped_specular_map_frag},
    {VLM_PROGRAM_3D_REFLECTIONMAP, "3D ReflectionMap", G3, 0, VLM_PROGRAM_SHADOW_DEFAULT, false, &src::s_3d_normal_map_vert, &src::s_3d_reflection_map_frag},
    {VLM_PROGRAM_3D_ULTIMATE, "3D Ultimate", G3, 0, VLM_PROGRAM_SHADOW_DEFAULT, false, &src::s_3d_normal_map_vert, &src::s_3d_ultimate_frag},
    {VLM_PROGRAM_3D_GRASS, "3D Grass", G3, 0, VLM_PROGRAM_SHADOW_GRASS, false, &src::s_3d_grass_vert, &src::s_3d_grass_frag},
    {VLM_PROGRAM_3D_GLASS, "3D Glass", G3, 0, VLM_PROGRAM_SHADOW_DEFAULT, false, &src::s_3d_normal_map_vert, &src::s_3d_glass_frag},
    {VLM_PROGRAM_NORMAL_MAPPING_SILHOUETTE, "Normal Mapping Silhouette", G3, 1, 0, true, &src::s_3d_silhouette_vert, &src::s_3d_silhouette_frag},
    {VLM_PROGRAM_PARALLAX_MAPPING, "Parallax Mapping", G3, 0, 0, true, &src::s_3d_normal_map_vert, &src::s_parallax_mapping_frag},
    {VLM_PROGRAM_SPECULAR_PARALLAX_MAPPING, "Specular Parallax Mapping", G3, 0, 0, true, &src::s_3d_normal_map_vert, &src::s_specular_parallax_mapping_frag},
    {VLM_PROGRAM_WATER, "Water", G3, 2, 0, true, &src::s_3d_normal_map_vert, &src::s_water_frag},
    {VLM_PROGRAM_MASK_REFRACTION, "Mask Refraction", G3, 2, 0, true, &src::s_3d_normal_map_vert, &src::s_mask_refraction_frag},
    {VLM_PROGRAM_MESH_GLOW, "Mesh Glow", G3, 2, 0, true, &src::s_mesh_glow_vert, &src::s_mesh_glow_frag},
    {VLM_PROGRAM_SKYBOX, "Skybox", G3, kNone, 0, true, &src::s_skybox_vert, &src::s_skybox_frag},
    {VLM_PROGRAM_PARTICLE, "Particle", G3, kNone, 0, true, &src::s_particle_vert, &src::s_particle_frag},
    {VLM_PROGRAM_SOFT_PARTICLE, "Soft Particle", G3, kNone, 0, true, &src::s_particle_vert, &src::s_soft_particle_frag},
    {VLM_PROGRAM_3D_PERLIN, "3D Perlin", G3, 1, VLM_PROGRAM_SHADOW_DEFAULT, false, &src::s_3d_perlin_vert, &src::s_3d_perlin_frag},
    {VLM_PROGRAM_PP_DEFAULT, "PP Default", G4, kNone, 0, false, &src::s_screen_quad_vert, &src::s_pp_default_frag},
    {VLM_PROGRAM_PP_DEFAULT_TA, "PP Default TA", G4, kNone, 0, false, &src::s_screen_quad_vert, &src::s_pp_default_ta_frag},
    {VLM_PROGRAM_PP_GAMMA, "PP Gamma", G4, kNone, 0, false, &src::s_screen_quad_vert, &src::s_pp_gamma_frag},
    {VLM_PROGRAM_PP_GAMMA_TA, "PP Gamma TA", G4, kNone, 0, false, &src::s_screen_quad_vert, &src::s_pp_gamma_ta_frag},
    {VLM_PROGRAM_PP_BLUR, "PP Blur", G4, kNone, 0, false, &src::s_screen_quad_vert, &src::s_pp_blur_frag},
    {VLM_PROGRAM_PP_BLUR_TA, "PP Blur TA", G4, kNone, 0, false, &src::s_screen_quad_vert, &src::s_pp_blur_ta_frag},
    {VLM_PROGRAM_BILLBOARD, "Billboard", G3, kNone, 0, true, &src::s_billboard_vert, &src::s_billboard_frag},
};

// ---- The hand-built programs ---------------------------------------------

struct Binding {
  int location;
  const char* name;
};

struct Slot {
  int type;
  const char* name;
  int slot;
};

struct HandBuilt {
  int number;
  std::vector<Binding> inputs;
  std::vector<Binding> outputs;
  std::vector<const char*> blocks;
  std::vector<Slot> uniforms;
};

constexpr int kInt = VLM_UNIFORM_INTEGER;

const std::vector<Binding> kMeshInputs = {{0, "vVertex"}, {1, "vNormal"}, {2, "vTexCoord0"}, {6, "vTangent"}};
const std::vector<Binding> kParticleInputs = {{0, "vVertex"}, {2, "vTexCoord0"}, {4, "vColor"},
                                              {7, "vPosition"}, {8, "fSize"}, {9, "fRotation"}};
const std::vector<Binding> kForwardOutput = {{0, "vFragColor"}};
const std::vector<Binding> kDeferredOutputs = {{0, "vFragPosition"}, {1, "vFragNormal"}, {2, "vFragDiffuse"},
                                               {3, "vFragSpecular"}, {4, "vFragMisc"}};

const std::vector<HandBuilt>& HandBuiltPrograms() {
  static const std::vector<HandBuilt> programs = {
      {VLM_PROGRAM_NORMAL_MAPPING_SILHOUETTE, kMeshInputs, kForwardOutput, {"Projection", "Model", "Material"}, {{kInt, "NormalMap", 0}}},
      {VLM_PROGRAM_PARALLAX_MAPPING, kMeshInputs, kDeferredOutputs, {"Projection", "Model", "Material"},
       {{kInt, "ColorMap", 0}, {kInt, "NormalMap", 1}, {kInt, "fScale", 2}, {kInt, "fBias", 3}}},
      {VLM_PROGRAM_SPECULAR_PARALLAX_MAPPING, kMeshInputs, kDeferredOutputs, {"Projection", "Model", "Material"},
       {{kInt, "ColorMap", 0}, {kInt, "NormalMap", 1}, {kInt, "SpecularMap", 2}, {kInt, "fScale", 3},
        {kInt, "fBias", 4}}},
      {VLM_PROGRAM_WATER, kMeshInputs, kForwardOutput, {"Projection", "Model", "Misc", "Material"},
       {{kInt, "GBufferMap", 0}, {kInt, "DepthMap", 1}, {kInt, "NormalMapA", 2}, {kInt, "NormalMapB", 3},
        {kInt, "ReflectionCubeMap", 4}, {VLM_UNIFORM_VECTOR2, "vOffset", 6},
        {VLM_UNIFORM_FLOAT, "fFogDepth", 7}, {VLM_UNIFORM_VECTOR3, "vLightDir", 8}}},
      {VLM_PROGRAM_MASK_REFRACTION, kMeshInputs, kForwardOutput, {"Projection", "Model", "Misc", "Material"},
       {{kInt, "ColorMap", 0}, {kInt, "DepthMap", 1}, {kInt, "NormalMap", 2}, {kInt, "MaskMap", 3},
        {VLM_UNIFORM_VECTOR2, "vOffset", 4}}},
      {VLM_PROGRAM_MESH_GLOW, {{0, "vVertex"}, {1, "vNormal"}}, kForwardOutput, {"Projection", "Model", "Misc", "Material"},
       {{kInt, "DepthMap", 0}, {VLM_UNIFORM_FLOAT, "fScale", 1}}},
      {VLM_PROGRAM_SKYBOX, {{0, "vVertex"}}, kForwardOutput, {"Projection", "Model", "Misc"},
       {{kInt, "ColorCubeMap", 0}, {kInt, "MaskMap", 1}, {VLM_UNIFORM_VECTOR4, "vColor", 2}}},
      {VLM_PROGRAM_PARTICLE, kParticleInputs, kForwardOutput, {"Projection", "Model", "Misc"},
       {{kInt, "DepthMap", 1}, {kInt, "ColorMap", 2}}},
      {VLM_PROGRAM_SOFT_PARTICLE, kParticleInputs, kForwardOutput, {"Projection", "Model", "Misc"},
       {{kInt, "DepthMap", 0}, {kInt, "ColorMap", 2}, {VLM_UNIFORM_FLOAT, "fBlend", 3}}},
      {VLM_PROGRAM_BILLBOARD, kMeshInputs, kForwardOutput, {"Projection", "Model", "Misc"},
       {{kInt, "ColorMap", 0}, {kInt, "DepthMap", 1}, {kInt, "InstancesTextureBuffer", 2},
        {kInt, "iProjectionMode", 3}}},
  };
  return programs;
}

const HandBuilt* FindHandBuilt(int number) {
  for (const HandBuilt& h : HandBuiltPrograms())
    if (h.number == number) return &h;
  return nullptr;
}

// Step by step, with the bindings and slots of its table instead of
// reading the sources.
VLM_SHADER* BuildByHand(const Entry& entry, const HandBuilt& recipe) {
  constexpr const char* kProc = "VLM_InitShaders3D";
  VLM_SHADER* shader = VLM_CreateShaderProgram(-1, entry.group, entry.name);
  if (!shader) return nullptr;
  const VLM_HANDLE handle = reinterpret_cast<VLM_HANDLE>(shader);
  SetBuiltInShader(entry.number, shader);
  VLM_CatchVertexShader(handle, entry.vertex->begin, entry.vertex->end);
  VLM_CatchFragmentShader(handle, entry.fragment->begin, entry.fragment->end);
  if (ShaderGLReady(kProc)) {
    for (const Binding& b : recipe.inputs) VLM_BindShaderAttribute(shader->iProgram, b.location, b.name);
    for (const Binding& b : recipe.outputs) VLM_BindShaderOutput(shader->iProgram, b.location, b.name);
    LinkShaderProgram(*shader, kProc);
    for (const char* block : recipe.blocks) BindShaderBlock(*shader, block);
    for (const Slot& u : recipe.uniforms) VLM_AddShaderUniform(handle, u.type, u.name, u.slot, 0, 0, 0, 1);
  }
  VLM_SetShaderProgramIndex(handle, entry.number);
  if (entry.renderList != kNone) VLM_AddShaderToRenderList(entry.renderList, handle);
  return shader;
}

void Build(const Entry& entry) {
  VLM_SHADER* shader = nullptr;
  if (const HandBuilt* recipe = entry.handBuilt ? FindHandBuilt(entry.number) : nullptr) {
    shader = BuildByHand(entry, *recipe);
  } else {
    shader = VLM_BuildShaderProgram(entry.number, entry.group, entry.renderList, entry.vertex->begin,
                                    entry.vertex->end, entry.fragment->begin, entry.fragment->end,
                                    entry.name);
  }
  if (shader && entry.group == VLM_SHADERGROUP_3D && entry.shadowNumber != 0)
    VLM_SetShaderShadowProgram(reinterpret_cast<VLM_HANDLE>(shader),
                               reinterpret_cast<VLM_HANDLE>(VLM_GetBuiltInShader(entry.shadowNumber)));
}

// One log section with the programs of the given groups, in table order.
void BuildSection(const char* title, std::initializer_list<int> groups) {
  VLM_BeginLogSection(title, VLM_COLOR_SUBSYSTEM);
  for (const Entry& entry : kPrograms) {
    for (int group : groups) {
      if (entry.group == group) Build(entry);
    }
  }
  VLM_EndLogSection();
}

}  // namespace

const BuiltInProgram* FindBuiltInProgram(int number) {
  static const std::vector<BuiltInProgram> programs = [] {
    std::vector<BuiltInProgram> out;
    for (const Entry& e : kPrograms)
      out.push_back({e.number, e.name, e.group, e.renderList, e.shadowNumber, e.handBuilt,
                     View(*e.vertex), View(*e.fragment)});
    return out;
  }();
  for (const BuiltInProgram& p : programs)
    if (p.number == number) return &p;
  return nullptr;
}

}  // namespace vlm::render

extern "C" {

int VLM_InitShaders(void) {
  using namespace vlm::render;
  const int buffers = VLM_InitShaderBuffers();
  BuildSection("GBuffer Shader", {G0});
  BuildSection("2D Shader", {G2});
  // The shadow programs come first: the 3D programs link to them.
  BuildSection("3D Shader", {G1, G3});
  BuildSection("PP Shader", {G4});
  return buffers;
}

}  // extern "C"
