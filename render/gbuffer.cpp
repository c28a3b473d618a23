// The light passes' programs and volumes: the direct light over a
// full-screen quad, point lights (instanced, and one at a time with a
// shadow cube) and spot lights over the unit icosphere.
#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gpu/gl_objects.h"
#include "gpu/gl_state.h"
#include "render/shader_state.h"
#include "render/targets.h"
#include "render/uniform_buffers.h"
#include "shader_sources.h"
#include "velmora/core.h"
#include "velmora/render.h"
#include "velmora/shader.h"

namespace vlm::render {
namespace {

namespace src = shader_sources;

constexpr const char* kProc = "VLM_InitGBuffer";

const char* BlockName(Block block) {
  switch (block) {
    case Block::kProjection: return "Projection";
    case Block::kModel: return "Model";
    case Block::kMaterial: return "Material";
    case Block::kLight: return "Light";
    case Block::kMisc: break;
  }
  return "Misc";
}

void Info(const std::string& row) { VLM_LogMessage(row.c_str(), VLM_COLOR_INFO, 0, "", kProc); }

bool HasProgramFunctions() {
  return HasGL() && gl::HasVertexArrayFunctions() &&
         gl::HasFunctions(kProc, {"glCreateShader", "glShaderSource", "glCompileShader",
                                  "glGetShaderiv", "glGetShaderInfoLog", "glAttachShader",
                                  "glDeleteShader", "glCreateProgram", "glLinkProgram",
                                  "glGetProgramiv", "glBindAttribLocation",
                                  "glBindFragDataLocation", "glGetUniformLocation",
                                  "glGetUniformBlockIndex", "glUniformBlockBinding",
                                  "glVertexAttribDivisor", "glUseProgram", "glUniform1i"});
}

using Defines = std::initializer_list<const char*>;

// Compiles a stage, logs "<label><compile log>" as information whatever
// it says, attaches it and lets the program own it. With `defines` the
// stage is compiled with "#define <name>" lines after its version line,
// and without a row: a variant of a program whose rows are already
// written. Without a label it is compiled without a row too: a program of
// the engine's own that the log has never listed.
void AttachStage(GLuint program, GLenum type, const src::Source& source, const char* label,
                 Defines defines = {}) {
  const GLuint stage = vlmgl.glCreateShader(type);
  const auto length = static_cast<GLint>(source.end - source.begin);
  if (defines.size() != 0) {
    const std::string_view text(source.begin, static_cast<size_t>(length));
    const size_t body = std::min(text.find('\n') + 1, text.size());  // after "#version ..."
    std::string line;
    for (const char* define : defines) line += std::string("#define ") + define + "\n";
    const GLchar* parts[3] = {source.begin, line.c_str(), source.begin + body};
    const GLint lengths[3] = {static_cast<GLint>(body), static_cast<GLint>(line.size()),
                              static_cast<GLint>(static_cast<size_t>(length) - body)};
    vlmgl.glShaderSource(stage, 3, parts, lengths);
    vlmgl.glCompileShader(stage);
  } else {
    const GLchar* text = source.begin;
    vlmgl.glShaderSource(stage, 1, &text, &length);
    vlmgl.glCompileShader(stage);
    // A driver that reports no log for a clean compile reads as the success
    // phrase, as in the program builder's rows.
    if (label) {
      const std::string log = VLM_GetShaderCompileLog(stage);
      Info(std::string(label) + (log.empty() ? "Compiling successfull!" : log));
    }
  }
  vlmgl.glAttachShader(program, stage);
  vlmgl.glDeleteShader(stage);
}

// A light program with its blocks at their binding points and the location
// table of `slots` (slot, uniform name); other slots stay -1. The first
// `samplers` slots are samplers, set to units 0, 1, ... so that samplers of
// different types never share a unit (a draw would fail).
// With `logged` false the stages are compiled without rows.
LightProgram BuildProgram(const src::Source& vertex, const src::Source& fragment,
                          std::initializer_list<Block> blocks,
                          std::initializer_list<std::pair<int, const char*>> slots, int samplers,
                          Defines defines = {}, bool logged = true) {
  LightProgram light;
  light.locations.fill(-1);
  light.program = gl::CreateProgram();
  AttachStage(light.program, GL_VERTEX_SHADER, vertex, logged ? "VertexShader: " : nullptr, defines);
  AttachStage(light.program, GL_FRAGMENT_SHADER, fragment, logged ? "FragmentShader: " : nullptr, defines);
  vlmgl.glBindAttribLocation(light.program, 0, "vVertex");
  vlmgl.glBindFragDataLocation(light.program, 0, "vFragColor");
  std::string log;
  if (!gl::LinkProgram(light.program, &log)) {
    VLM_LogMessage(("Fail: A light program did not link! " + log).c_str(), VLM_COLOR_FAIL, 0, "",
                   kProc);
    return light;  // kept: drawing with it draws nothing, as with any unlinked program
  }
  for (Block block : blocks) {
    const GLuint index = vlmgl.glGetUniformBlockIndex(light.program, BlockName(block));
    if (index != GL_INVALID_INDEX)
      vlmgl.glUniformBlockBinding(light.program, index, static_cast<GLuint>(block));
  }
  for (const auto& [slot, name] : slots)
    light.locations[static_cast<size_t>(slot)] = vlmgl.glGetUniformLocation(light.program, name);
  gl::UseProgram(light.program);
  for (int slot = 0; slot < samplers; ++slot)
    vlmgl.glUniform1i(light.locations[static_cast<size_t>(slot)], slot);
  gl::UseProgram(0);
  return light;
}

// The full-screen quad of the direct light: (0,0), (0,1), (1,0), (1,1)
// scaled to pixels, attribute 0 as vec4.
void CreateDirectQuad(RenderTargets& t) {
  const float w = static_cast<float>(t.width), h = static_cast<float>(t.height);
  const float quad[4][4] = {{0, 0, 0, 1}, {0, h, 0, 1}, {w, 0, 0, 1}, {w, h, 0, 1}};
  t.directQuadArray = gl::CreateVertexArray();
  gl::BindVertexArray(t.directQuadArray);
  t.directQuadBuffer = gl::CreateBuffer();
  gl::FillBuffer(GL_ARRAY_BUFFER, t.directQuadBuffer, sizeof quad, quad, GL_STATIC_DRAW);
  gl::DeclareAttributes(16, {{0, 4, GL_FLOAT, 0}});
  gl::BindVertexArray(0);
  gl::BindBuffer(GL_ARRAY_BUFFER, 0);
}

// The icosphere's buffers, its plain vertex array and an instanced one that
// also reads the per-light attributes 7..14 from the instance buffer.
void CreateLightVolumes(RenderTargets& t) {
  std::vector<float> vertices;
  std::vector<uint32_t> indices;
  BuildIcosphere(&vertices, &indices);
  t.sphereVertices = gl::CreateBuffer();
  t.sphereIndices = gl::CreateBuffer();
  t.instanceBuffer = gl::CreateBuffer();
  gl::FillBuffer(GL_ARRAY_BUFFER, t.sphereVertices,
                 static_cast<GLsizeiptr>(vertices.size() * sizeof(float)), vertices.data(),
                 GL_STATIC_DRAW);
  gl::FillBuffer(GL_ARRAY_BUFFER, t.sphereIndices,
                 static_cast<GLsizeiptr>(indices.size() * sizeof(uint32_t)), indices.data(),
                 GL_STATIC_DRAW);
  gl::FillBuffer(GL_ARRAY_BUFFER, t.instanceBuffer,
                 kMaxPointLightInstances * kPointLightInstanceBytes, nullptr, GL_STREAM_DRAW);

  for (uint32_t* array : {&t.sphereArray, &t.instancedSphereArray}) {
    *array = gl::CreateVertexArray();
    gl::BindVertexArray(*array);
    gl::BindBuffer(GL_ARRAY_BUFFER, t.sphereVertices);
    gl::DeclareAttributes(16, {{0, 4, GL_FLOAT, 0}});
    gl::BindBuffer(GL_ELEMENT_ARRAY_BUFFER, t.sphereIndices);
  }
  gl::BindBuffer(GL_ARRAY_BUFFER, t.instanceBuffer);
  gl::DeclareAttributes(kPointLightInstanceBytes, {{7, 4, GL_FLOAT, 0},
                                                   {8, 4, GL_FLOAT, 16},
                                                   {9, 4, GL_FLOAT, 32},
                                                   {10, 4, GL_FLOAT, 48},
                                                   {11, 3, GL_FLOAT, 64},
                                                   {12, 1, GL_FLOAT, 76},
                                                   {13, 3, GL_FLOAT, 80},
                                                   {14, 1, GL_FLOAT, 92}});
  for (GLuint location = 7; location <= 14; ++location) vlmgl.glVertexAttribDivisor(location, 1);
  gl::BindVertexArray(0);
  gl::BindBuffer(GL_ARRAY_BUFFER, 0);
}

void DeleteLightProgram(LightProgram& light) {
  gl::DeleteProgram(light.program);
  light.locations.fill(-1);
}

}  // namespace

void RemakeDirectQuad() {
  RenderTargets& t = Targets();
  gl::DeleteVertexArray(t.directQuadArray);
  gl::DeleteBuffer(t.directQuadBuffer);
  CreateDirectQuad(t);
}

void DeleteLightPrograms() {
  RenderTargets& t = Targets();
  for (LightProgram* light :
       {&t.direct, &t.directUnshadowed, &t.directUnlit, &t.point, &t.pointShadow, &t.pointShadowDynamic,
        &t.pointShadowAmbient, &t.spot,
        &t.spotShadow, &t.undrawn})
    DeleteLightProgram(*light);
  for (LightProgram& copy : t.opaqueShadow) DeleteLightProgram(copy);
  for (uint32_t* array : {&t.directQuadArray, &t.sphereArray, &t.instancedSphereArray})
    gl::DeleteVertexArray(*array);
  for (uint32_t* buffer : {&t.directQuadBuffer, &t.sphereVertices, &t.sphereIndices, &t.instanceBuffer})
    gl::DeleteBuffer(*buffer);
}

}  // namespace vlm::render

extern "C" {

int VLM_InitGBuffer(void) {
  using namespace vlm::render;
  VLM_BeginLogSection("G-Buffer", VLM_COLOR_SUBSYSTEM);
  Info("Buffer initialization:");
  if (!HasProgramFunctions()) {
    VLM_EndLogSection();
    return 0;
  }
  RenderTargets& t = Targets();
  DeleteLightPrograms();  // a second start-up replaces them, leaking nothing
  ScreenSize(&t.width, &t.height);

  Info("Direct Light initialization:");
  CreateDirectQuad(t);
  const std::initializer_list<std::pair<int, const char*>> directSlots = {
      {kDirectGBufferMap, "GBufferMap"},
      {kDirectShadowMap, "ShadowMap"},
      {kDirectAmbientColor, "vAmbientColor"},
      {kDirectLightState, "iLightState"},
      {kDirectLightDirection, "vLightDirection"},
      {kDirectLightColor, "vLightColor"},
      {kDirectLightIntensity, "fLightIntensity"},
      {kDirectWorldToLightView, "mWorldToLightViewMatrix"},
      {kDirectLightViewToProjection, "mLightViewToProjectionMatrix"},
      {kDirectWorldToCameraView, "mWorldToCameraViewMatrix"}};
  t.direct = BuildProgram(src::s_light_direct_vert, src::s_light_direct_frag,
                          {Block::kProjection, Block::kMisc}, directSlots, 2);
  // The same program without the shadow test, for frames whose direct
  // light casts none: a branch on iLightState still runs the test's four
  // taps for every pixel on a driver that shades pixels in lock-step.
  t.directUnshadowed = BuildProgram(src::s_light_direct_vert, src::s_light_direct_frag,
                                    {Block::kProjection, Block::kMisc}, directSlots, 2, {"VLM_UNSHADOWED"});
  // And without the light at all, for frames whose direct light is off:
  // the lit branch's three reads and its arithmetic cost every pixel too.
  t.directUnlit = BuildProgram(src::s_light_direct_vert, src::s_light_direct_frag,
                               {Block::kProjection, Block::kMisc}, directSlots, 2, {"VLM_UNLIT"});

  Info("Point Light initialization:");
  CreateLightVolumes(t);
  t.point = BuildProgram(src::s_light_point_vert, src::s_light_point_frag,
                         {Block::kProjection, Block::kMisc}, {{0, "GBufferMap"}}, 1);
  const std::initializer_list<Block> pointBlocks = {Block::kProjection, Block::kModel, Block::kLight, Block::kMisc};
  const std::initializer_list<std::pair<int, const char*>> pointSlots = {
      {kPointGBufferMap, "GBufferMap"},
      {kPointShadowMap, "ShadowMap"},
      {kPointStaticShadowMap, "StaticShadowMap"},
      {kPointAmbientColor, "vAmbientColor"},
      {kPointWorldViewMatrix, "mWorldViewMatrix"},
      {kPointShadowTextureMatrix, "mShadowTextureMatrix"}};
  t.pointShadow = BuildProgram(src::s_light_volume_vert, src::s_light_point_shadow_frag, pointBlocks, pointSlots, 3);
  // The same without the static cube's test, for lights that keep no cube
  // of their own: a branch on iStatic still runs the test's four taps for
  // every pixel on a driver that shades pixels in lock-step.
  t.pointShadowDynamic = BuildProgram(src::s_light_volume_vert, src::s_light_point_shadow_frag, pointBlocks,
                                      pointSlots, 3, {"VLM_DYNAMIC_ONLY"});
  // And that one also doing the direct pass's work, over the screen quad,
  // for a frame without a direct light whose first light holds the camera.
  t.pointShadowAmbient = BuildProgram(src::s_light_volume_vert, src::s_light_point_shadow_frag, pointBlocks,
                                      pointSlots, 3, {"VLM_DYNAMIC_ONLY", "VLM_AMBIENT", "VLM_WHOLE_SCREEN"});

  Info("Spot Light initialization:");
  const std::initializer_list<std::pair<int, const char*>> spotSlots = {{0, "PositionMap"},
                                                                        {1, "NormalMap"},
                                                                        {2, "DiffuseMap"},
                                                                        {3, "SpecularMap"},
                                                                        {4, "MiscMap"},
                                                                        {kSpotShadowMap, "ShadowMap"},
                                                                        {kSpotViewToShadow, "mViewToShadowMatrix"}};
  const std::initializer_list<Block> spotBlocks = {Block::kProjection, Block::kModel, Block::kLight, Block::kMisc};
  t.spot = BuildProgram(src::s_light_volume_vert, src::s_light_spot_frag, spotBlocks, spotSlots, 5);
  // The same program with the test of the spot's shadow map.
  t.spotShadow = BuildProgram(src::s_light_volume_vert, src::s_light_spot_frag, spotBlocks, spotSlots, 6,
                              {"VLM_SHADOWED"});

  // The G-buffer's pixels that the geometry pass left empty.
  t.undrawn = BuildProgram(src::s_screen_quad_vert, src::s_gbuffer_undrawn_frag, {Block::kProjection}, {}, 0, {},
                           false);

  // The shadow programs without their alpha test, for casters whose colour
  // map has no transparent texel (their rows are the built-in programs').
  const std::initializer_list<Block> shadowBlocks = {Block::kProjection, Block::kModel, Block::kMisc};
  t.opaqueShadow[0] = BuildProgram(src::s_shadow_default_vert, src::s_shadow_default_frag, shadowBlocks, {}, 0,
                                   {"VLM_OPAQUE"});
  t.opaqueShadow[1] = BuildProgram(src::s_shadow_instancing_vert, src::s_shadow_alpha_test_frag, shadowBlocks,
                                   {{0, "InstanceBuffer"}}, 1, {"VLM_OPAQUE"});
  t.opaqueShadow[2] = BuildProgram(src::s_shadow_grass_vert, src::s_shadow_alpha_test_frag, shadowBlocks,
                                   {{0, "InstanceBuffer"}, {1, "fTime"}, {2, "vWind"}}, 1, {"VLM_OPAQUE"});
  VLM_EndLogSection();
  return 0;
}

}  // extern "C"
