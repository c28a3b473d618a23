// The frame's shadow and light passes: the directional shadow map, the
// direct light, point lights (shadowed one by one, the rest instanced) and
// spot lights (with their shadow map one by one), all added into the
// lit-scene layer.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "core/engine_state.h"
#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "gpu/gl_objects.h"
#include "gpu/gl_state.h"
#include "gpu/gl_table.h"
#include "gpu/gl_textures.h"
#include "render/frame.h"
#include "render/frame_state.h"
#include "render/frustum.h"
#include "render/material_apply.h"
#include "render/render_state.h"
#include "render/shader_state.h"
#include "render/targets.h"
#include "scene/light.h"
#include "scene/object_record.h"
#include "scene/scene_state.h"
#include "velmora/math.h"
#include "velmora/scene.h"

namespace vlm::render {
namespace {

// The directional shadow covers a box of +-20 units across around the
// camera, 4096 deep; its eye sits half that depth back towards the light,
// so casters well above the camera still reach the map.
constexpr float kDirectionalHalfWidth = 20.0f;
constexpr float kShadowNear = 0.01f;
constexpr float kDirectionalFar = 4096.0f;
constexpr float kDirectionalEyeDistance = kDirectionalFar * 0.5f;
// Point-light shadows and attenuation end just inside the light volume.
constexpr float kLightRangeScale = 0.982f;

constexpr m4f kIdentity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

float Length3(const v4f& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// v x M for a point (w = 1) or a direction (w = 0).
v4f Transform(const v4f& v, const m4f& m) {
  v4f out = v;
  VLM_v4fTransformInto(&out, &m, &v);
  return out;
}

m4f Inverse(const m4f& m) {
  m4f out = m;
  VLM_m4fInverse(&out, &m);
  return out;
}

m4f Translation(float x, float y, float z) {
  m4f m = kIdentity;
  m.e[12] = x;
  m.e[13] = y;
  m.e[14] = z;
  return m;
}

void UploadProjection(const m4f& projection) {
  Shaders().buffers.projection.data.mProjectionMatrix = projection;
  UploadBlockRange(Block::kProjection, 0, sizeof(m4f));
}

void SetMatrix(GLint location, const m4f& m) {
  // The engine's rows are GLSL's columns: the program applies v x M.
  if (location >= 0) vlmgl.glUniformMatrix4fv(location, 1, GL_FALSE, m.e);
}

// The direct light's travel direction, unit length; false when it has none.
bool DirectDirection(v4f* direction) {
  const v4f d = Render().lighting.directLightDirection;
  const float length = Length3(d);
  if (!(length > 1e-6f) || !std::isfinite(length)) return false;
  *direction = {d.x / length, d.y / length, d.z / length, 0.0f};
  return true;
}

bool DirectShadowed() {
  const LightingState& lighting = Render().lighting;
  v4f direction;
  return lighting.shadowsOn && lighting.directLightOn && lighting.directLightShadows &&
         Targets().shadowFramebuffer != 0 && Targets().shadowMap != 0 &&
         DirectDirection(&direction);
}

// World -> light view of the directional shadow: looking along the light's
// direction at the camera's position.
m4f DirectionalLightView(const FrameContext& frame) {
  v4f d{0.0f, -1.0f, 0.0f, 0.0f};
  DirectDirection(&d);
  const m4f cameraWorld = Inverse(frame.view);
  const v4f centre{cameraWorld.e[12], cameraWorld.e[13], cameraWorld.e[14], 1.0f};
  const v4f eye{centre.x - d.x * kDirectionalEyeDistance, centre.y - d.y * kDirectionalEyeDistance,
                centre.z - d.z * kDirectionalEyeDistance, 1.0f};
  // Any up vector that is not along the direction.
  const v4f up = std::fabs(d.y) > 0.9f ? v4f{0.0f, 0.0f, -1.0f, 0.0f} : v4f{0.0f, 1.0f, 0.0f, 0.0f};
  return LookAt(eye, centre, up);
}

m4f DirectionalLightProjection() {
  return OrthographicMatrix(-kDirectionalHalfWidth, kDirectionalHalfWidth, -kDirectionalHalfWidth,
                            kDirectionalHalfWidth, kShadowNear, kDirectionalFar);
}

// A shadow program (number `number`, GL program `program`) made current
// with its samplers on the units its textures go to, its uniforms found
// by slot through `at`; the colour texture's unit.
template <class Location>
int UseShadowProgram(GLuint program, int number, Location at) {
  gl::UseProgram(program);
  int colourUnit = 0;
  switch (number) {
    case VLM_PROGRAM_SHADOW_INSTANCING:  // instance buffer on unit 0, colour map on 1
      vlmgl.glUniform1i(at(0), 0);
      vlmgl.glUniform1i(at(1), 1);
      colourUnit = 1;
      break;
    case VLM_PROGRAM_SHADOW_GRASS: {  // instance buffer 0, fTime 1, vWind 2, colour map 3 on unit 1
      vlmgl.glUniform1i(at(0), 0);
      vlmgl.glUniform1i(at(3), 1);
      const GLint time = at(1);
      if (time >= 0) vlmgl.glUniform1f(time, static_cast<float>(Timing().elapsedSeconds));
      const GLint wind = at(2);
      const float windVector[3] = {Render().effects.grassWind, 0.0f, 0.0f};
      if (wind >= 0) vlmgl.glUniform3fv(wind, 1, windVector);
      colourUnit = 1;
      break;
    }
    default:
      vlmgl.glUniform1i(at(0), 0);
      break;
  }
  return colourUnit;
}

// The copy of shadow program `number` without the alpha test, or null.
const LightProgram* OpaqueShadowCopy(int number) {
  const auto& copies = Targets().opaqueShadow;
  size_t index = 0;
  switch (number) {
    case VLM_PROGRAM_SHADOW_DEFAULT: index = 0; break;
    case VLM_PROGRAM_SHADOW_INSTANCING: index = 1; break;
    case VLM_PROGRAM_SHADOW_GRASS: index = 2; break;
    default: return nullptr;
  }
  return copies[index].program ? &copies[index] : nullptr;
}

// Whether the alpha test can discard anything of the material: not with
// an empty slot or a colour map without a transparent texel (an array
// program keeps its test).
bool AlphaTestCanDiscard(const VLM_MATERIAL& material, int shadowProgram) {
  if (shadowProgram == VLM_PROGRAM_SHADOW_TEXTUREARRAY) return true;
  const VLM_TEXTURE* texture = material.apTextures[VLM_SLOT_COLOUR];
  return texture && texture->iTarget == GL_TEXTURE_2D && !texture->iOpaque;
}

// The material's colour map for the alpha test. An empty slot binds the
// opaque substitute, so that whatever the unit held cannot discard the
// caster; an array program without an array reads the unbound unit as
// opaque black. A colour map without a transparent texel can discard
// nothing either, so it gets the 1 x 1 substitute too: the depth is the
// same and a software rasteriser samples a large mipmapped map over every
// pixel of six 2048 x 2048 faces several times slower.
void BindShadowColour(const VLM_MATERIAL& material, int shadowProgram, int unit) {
  const VLM_TEXTURE* texture = material.apTextures[VLM_SLOT_COLOUR];
  gl::ActivateTextureUnit(unit);
  if (shadowProgram == VLM_PROGRAM_SHADOW_TEXTUREARRAY) {
    const bool array = texture && texture->iTarget == GL_TEXTURE_2D_ARRAY;
    gl::BindTexture(GL_TEXTURE_2D_ARRAY, array ? texture->iTexture : 0);
  } else {
    if (!texture || texture->iTarget != GL_TEXTURE_2D || texture->iOpaque)
      texture = TextureRegistry().Resolve(Render().defaults.substituteTextures[VLM_SLOT_COLOUR]);
    gl::BindTexture(GL_TEXTURE_2D, texture ? texture->iTexture : 0);
  }
  gl::ActivateTextureUnit(0);
}

// Render lists 0 and 1 into the bound depth target through each program's
// shadow program, seen from `lightView`: every visible instance that casts
// shadows. Returns the number of casters. With `cullProjection` (a cube
// face) a caster whose box lies outside the face's frustum is not sent,
// as it could not write a depth there, but still counts: the count is of
// casters, whatever the face sees of them.
int DrawShadowCasters(const m4f& lightView, const m4f* cullProjection = nullptr) {
  int drawn = 0;
  for (int list = 0; list <= 1; ++list) {
    for (const VLM_SHADER* shader : Shaders().renderLists[static_cast<size_t>(list)]) {
      const VLM_SHADER* shadow = shader ? shader->pShadowProgram : nullptr;
      if (!shadow || !shadow->iProgram) continue;
      const int number = shadow->iProgramNumber;
      const LightProgram* copy = OpaqueShadowCopy(number);
      GLuint current = 0;
      int colourUnit = 0;
      for (const VLM_MATERIAL* material : shader->materials) {
        if (!material || material->instances.empty()) continue;
        // Materials that cannot discard draw through the copy without the test.
        const bool tested = !copy || AlphaTestCanDiscard(*material, number);
        const GLuint program = tested ? shadow->iProgram : copy->program;
        if (program != current) {
          current = program;
          colourUnit = tested ? UseShadowProgram(program, number,
                                                 [&](int slot) { return UniformLocation(*shadow, slot, nullptr); })
                              : UseShadowProgram(program, number, [&](int slot) {
                                  return copy->locations[static_cast<size_t>(slot)];
                                });
        }
        const bool noCulling = material->iBackFaceCulling == 0;
        if (noCulling) gl::SetCapability(GL_CULL_FACE, false);
        if (tested) BindShadowColour(*material, number, colourUnit);
        for (const MeshInstance& instance : material->instances) {
          if (!instance.object || instance.object->aiRenderSwitch[1] == 0) continue;
          if (DrawInstance(instance, lightView, cullProjection) != Drawn::kSkipped) ++drawn;
        }
        if (noCulling) gl::SetCapability(GL_CULL_FACE, true);
      }
    }
  }
  gl::BindVertexArray(0);
  return drawn;
}

// Viewport, the forward framebuffer and the camera's projection: where
// every light volume draws. The light programs write only the lit scene:
// with the glow map as a second draw buffer its contents would be undefined
// after every light, so only the lit scene is drawn into.
void BindLightTarget(const FrameContext& frame) {
  gl::SetViewport(frame.width, frame.height);
  BindFramebufferRecord(kForwardFramebuffer);
  DrawIntoLayer(kLayerLitScene);
  UploadProjection(frame.projection);
}

// The additive state of the light volumes: blend (1, 1), no depth, front
// faces culled so that a camera inside a volume still sees its far side;
// depth clamping keeps a far side beyond the far plane.
void BeginLightVolumes() {
  gl::SetCapability(GL_BLEND, true);
  SetBlendFactors(GL_ONE, GL_ONE);
  MaskToDrawnPixels(true);
  gl::SetDepthWrites(false);
  SetCulling(true);
  gl::SetCullFace(GL_FRONT);
  gl::SetCapability(GL_DEPTH_CLAMP, true);
}

void BindGBuffer(GLenum unit) {
  gl::BindTextureUnit(unit, GL_TEXTURE_2D_ARRAY, Targets().gbufferArray);
}

// The Light block for one light drawn on its own.
void UploadLight(const VLM_LIGHT& light, int32_t staticCube) {
  LightBlock& block = Shaders().buffers.light.data;
  block.vLightPosition[0] = light.v4fViewPosition.x;
  block.vLightPosition[1] = light.v4fViewPosition.y;
  block.vLightPosition[2] = light.v4fViewPosition.z;
  block.fLightRange = light.fRange * kLightRangeScale;
  block.vLightColor[0] = light.v4fColour.x;
  block.vLightColor[1] = light.v4fColour.y;
  block.vLightColor[2] = light.v4fColour.z;
  block.fLightIntensity = light.fIntensity;
  block.vLightDirection[0] = light.v4fViewDirection.x;
  block.vLightDirection[1] = light.v4fViewDirection.y;
  block.vLightDirection[2] = light.v4fViewDirection.z;
  block.fLightConeAngle = light.afSpot[1];
  block.iStatic = staticCube;
  UploadBlock(Block::kLight);
}

// The state every shadow map is drawn with: its framebuffer and size, no
// blending, depth test and writes on over the whole range, back faces
// culled, depth not clamped.
void BeginShadowMap(GLuint framebuffer, GLsizei size) {
  gl::SetViewport(size, size);
  gl::BindFramebuffer(framebuffer);
  gl::SetCapability(GL_BLEND, false);
  gl::SetCapability(GL_DEPTH_CLAMP, false);
  MaskToDrawnPixels(false);
  SetDepthTest(true);
  gl::SetDepthWrites(true);
  gl::SetCullFace(GL_BACK);
}

// Renders the casters into the six faces of `cube` from the light's
// position; returns the number of shadow-object draws.
int RenderShadowCube(const VLM_LIGHT& light, const m4f& lightWorld, GLuint cube) {
  const RenderTargets& t = Targets();
  BeginShadowMap(t.cubeFramebuffer, t.cubeSize);
  const m4f projection =
      PerspectiveMatrix(90.0f, 1.0f, kShadowNear, std::max(light.fRange * kLightRangeScale, 0.02f));
  UploadProjection(projection);
  const m4f toLight = Translation(-lightWorld.e[12], -lightWorld.e[13], -lightWorld.e[14]);
  int drawn = 0;
  for (int face = 0; face < 6; ++face) {
    vlmgl.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                 GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face), cube, 0);
    vlmgl.glClear(GL_DEPTH_BUFFER_BIT);
    drawn += DrawShadowCasters(Multiply(toLight, t.cubeFaceViews[static_cast<size_t>(face)]), &projection);
  }
  return drawn;
}

// One shadowed point light: its cubes, then its volume through the shadow
// program. A light's own static cube is rendered once, the first time the
// light is drawn with it, and keeps the shadows of that moment. With
// `ambient` (see AmbientCarrier) it draws through the copy that also writes
// ambient and emission, over the screen quad and without blending.
void DrawShadowedPointLight(const FrameContext& frame, VLM_LIGHT& light, const m4f& lightWorld,
                            const m4f& modelView, bool ambient) {
  const RenderTargets& t = Targets();
  int32_t& counted = Render().rendered.shadowObjects;
  const bool hasStatic = light.iStaticShadow != 0 && light.iShadowCube > 0;
  const auto staticCube = static_cast<GLuint>(hasStatic ? light.iShadowCube : 0);
  if (hasStatic && !light.iShadowCubeFilled) {
    counted += RenderShadowCube(light, lightWorld, staticCube);
    light.iShadowCubeFilled = 1;
  }
  counted += RenderShadowCube(light, lightWorld, t.shadowCube);
  BindLightTarget(frame);
  BeginLightVolumes();

  const LightProgram& program = ambient                                        ? t.pointShadowAmbient
                                : hasStatic || t.pointShadowDynamic.program == 0 ? t.pointShadow
                                                                               : t.pointShadowDynamic;
  gl::UseProgram(program.program);
  vlmgl.glUniform1i(program.locations[kPointGBufferMap], 0);
  vlmgl.glUniform1i(program.locations[kPointShadowMap], 1);
  vlmgl.glUniform1i(program.locations[kPointStaticShadowMap], 2);
  // View-space vectors back into world axes, which are the cube's axes.
  m4f viewToWorld = Inverse(frame.view);
  viewToWorld.e[12] = viewToWorld.e[13] = viewToWorld.e[14] = 0.0f;
  SetMatrix(program.locations[kPointWorldViewMatrix], viewToWorld);
  SetMatrix(program.locations[kPointShadowTextureMatrix], kIdentity);
  BindGBuffer(0);
  gl::BindTextureUnit(1, GL_TEXTURE_CUBE_MAP, t.shadowCube);
  gl::BindTextureUnit(2, GL_TEXTURE_CUBE_MAP, staticCube);
  gl::ActivateTextureUnit(0);
  SetModelView(modelView);
  UploadLight(light, hasStatic ? 1 : 0);
  if (ambient) {
    // It writes what the direct pass would have, then the light added as
    // the blend would add it; the quad, seen from either side, needs no culling.
    vlmgl.glUniform4fv(program.locations[kPointAmbientColor], 1, &Render().lighting.ambientColour.x);
    gl::SetCapability(GL_BLEND, false);
    SetCulling(false);
    gl::DrawTriangleStrip(t.directQuadArray, 4);
    gl::SetCapability(GL_BLEND, true);
    SetCulling(true);
    return;
  }
  gl::BindVertexArray(t.sphereArray);
  gl::DrawIndexedTriangles(kIcosphereIndices);
}

// The lights without shadow, at most kMaxPointLightInstances per draw.
void DrawInstancedPointLights(const std::vector<PointLightInstance>& instances) {
  if (instances.empty()) return;
  const RenderTargets& t = Targets();
  gl::UseProgram(t.point.program);
  vlmgl.glUniform1i(t.point.locations[0], 0);
  BindGBuffer(0);
  gl::BindVertexArray(t.instancedSphereArray);
  gl::BindBuffer(GL_ARRAY_BUFFER, t.instanceBuffer);
  for (size_t first = 0; first < instances.size(); first += kMaxPointLightInstances) {
    const size_t count = std::min(instances.size() - first, static_cast<size_t>(kMaxPointLightInstances));
    vlmgl.glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(count * sizeof(PointLightInstance)),
                          &instances[first]);
    gl::DrawIndexedTrianglesInstanced(kIcosphereIndices, static_cast<GLsizei>(count));
  }
  gl::BindBuffer(GL_ARRAY_BUFFER, 0);
}

// One spot light: each of the program's five maps is the G-buffer array on
// its own unit, read at its own layer. With `viewToShadow` it draws through
// the shadowed copy, which reads the spot map on unit 5.
void DrawSpotLight(const VLM_LIGHT& light, const m4f& modelView, const m4f* viewToShadow = nullptr) {
  const RenderTargets& t = Targets();
  const LightProgram& program = viewToShadow ? t.spotShadow : t.spot;
  gl::UseProgram(program.program);
  for (GLenum unit = 0; unit < 5; ++unit) {
    vlmgl.glUniform1i(program.locations[unit], static_cast<GLint>(unit));
    BindGBuffer(unit);
  }
  if (viewToShadow) {
    vlmgl.glUniform1i(program.locations[kSpotShadowMap], 5);
    gl::BindTextureUnit(5, GL_TEXTURE_2D, t.spotShadowMap);
    SetMatrix(program.locations[kSpotViewToShadow], *viewToShadow);
  }
  gl::ActivateTextureUnit(0);
  SetModelView(modelView);
  UploadLight(light, 0);
  gl::BindVertexArray(t.sphereArray);
  gl::DrawIndexedTriangles(kIcosphereIndices);
}

// The half-opening of a spot's shadow view: its cone, 1 / cone factor
// radians, at most kMaxSpotShadowHalfAngle, beyond which a perspective map
// would spread its texels too thin (and at 90 degrees fail).
constexpr float kMaxSpotShadowHalfAngle = 1.3962634f;  // 80 degrees

float SpotShadowHalfAngle(const VLM_LIGHT& light) {
  const float factor = light.afSpot[1];
  return factor > 1.0f / kMaxSpotShadowHalfAngle ? 1.0f / factor : kMaxSpotShadowHalfAngle;
}

// One shadowed spot light: the casters into the spot map from the light's
// position along its axis, then its volume through the shadowed copy.
// Every caster counts once, as for each face of a point light's cube.
void DrawShadowedSpotLight(const FrameContext& frame, const VLM_LIGHT& light, const m4f& lightWorld,
                           const m4f& modelView) {
  const RenderTargets& t = Targets();
  const v4f eye{lightWorld.e[12], lightWorld.e[13], lightWorld.e[14], 1.0f};
  v4f axis = Transform({0.0f, -1.0f, 0.0f, 0.0f}, lightWorld);  // the volume's rows carry the range
  const float length = Length3(axis);
  axis = length > 0.0f ? v4f{axis.x / length, axis.y / length, axis.z / length, 0.0f} : v4f{0.0f, -1.0f, 0.0f, 0.0f};
  const v4f target{eye.x + axis.x, eye.y + axis.y, eye.z + axis.z, 1.0f};
  const v4f up = std::fabs(axis.y) > 0.9f ? v4f{0.0f, 0.0f, -1.0f, 0.0f} : v4f{0.0f, 1.0f, 0.0f, 0.0f};
  const m4f lightView = LookAt(eye, target, up);
  const float degrees = SpotShadowHalfAngle(light) * (180.0f / std::numbers::pi_v<float>);
  const m4f projection =
      PerspectiveMatrix(2.0f * degrees, 1.0f, kShadowNear, std::max(light.fRange * kLightRangeScale, 0.02f));

  BeginShadowMap(t.spotShadowFramebuffer, t.shadowSize);
  vlmgl.glClear(GL_DEPTH_BUFFER_BIT);
  UploadProjection(projection);
  Render().rendered.shadowObjects += DrawShadowCasters(lightView, &projection);
  BindLightTarget(frame);
  BeginLightVolumes();
  const m4f viewToShadow = Multiply(Multiply(Inverse(frame.view), lightView), projection);
  DrawSpotLight(light, modelView, &viewToShadow);
}

// Whether a light is drawn: enabled, with a range, and with culling on the
// sphere of its range around its view-space position against the camera's
// frustum.
bool LightVisible(const FrameContext& frame, const Frustum& frustum, const VLM_LIGHT& light) {
  // A light of range 0 reaches nothing (and would divide by its range).
  if (!light.iEnabled || !(light.fRange > 0.0f)) return false;
  if (!frame.culling) return true;
  return TestSphere(frustum, light.v4fViewPosition, light.fRange) != Containment::kOutside;
}

// Point lights draw with their cube shadows.
bool CubeShadowsOn() {
  const RenderTargets& t = Targets();
  return Render().lighting.shadowsOn && t.cubeFramebuffer != 0 && t.shadowCube != 0;
}

// Whether the camera lies inside a light volume drawn with `modelView`,
// with room to spare for rounding: then the volume's far side covers
// every pixel, as the screen quad does.
bool HoldsCamera(const m4f& modelView) {
  const m4f toVolume = Inverse(modelView);
  const v4f eye{toVolume.e[12], toVolume.e[13], toVolume.e[14], 0.0f};  // the view's origin
  const float distance = Length3(eye);
  return std::isfinite(distance) && distance < kIcosphereInradius * 0.999f;
}

// The light that carries the direct pass's work in a frame whose direct
// light is off: the first shadowed point light drawn, without a static
// cube, when its volume holds the camera. Its copy with ambient then
// shades every pixel the direct pass would, and the direct pass only sets
// its uniforms. Null when the direct pass draws.
const VLM_LIGHT* AmbientCarrier(const FrameContext& frame) {
  const RenderTargets& t = Targets();
  const LightingState& lighting = Render().lighting;
  v4f direction;
  if (t.pointShadowAmbient.program == 0 || !CubeShadowsOn() ||
      (lighting.directLightOn && DirectDirection(&direction)))
    return nullptr;
  const Frustum frustum = FrustumOf(frame.projection);
  for (VLM_LIGHT* light : Scene().pointLights) {
    // Lights without shadow are drawn after the shadowed ones.
    if (!light->iCastsShadow || !LightVisible(frame, frustum, *light)) continue;
    if (light->iStaticShadow != 0 && light->iShadowCube > 0) return nullptr;
    m4f world;
    VLM_EntityWorldMatrix(&world, light, 1);
    return HoldsCamera(Multiply(world, frame.view)) ? light : nullptr;
  }
  return nullptr;
}

}  // namespace

void DirectionalShadowPass(const FrameContext& frame) {
  if (!DirectShadowed()) return;
  const RenderTargets& t = Targets();
  BeginShadowMap(t.shadowFramebuffer, t.shadowSize);
  vlmgl.glClear(GL_DEPTH_BUFFER_BIT);
  UploadProjection(DirectionalLightProjection());
  DrawShadowCasters(DirectionalLightView(frame));
  CheckPass("directional shadow");
}

void BeginLightPasses(const FrameContext& frame) {
  BindLightTarget(frame);
  // Both of the forward framebuffer's layers (lit scene and glow) start as
  // the background; the light volumes then draw into the lit scene alone.
  DrawIntoForwardLayers();
  const v4f& background = Render().lighting.backgroundColour;
  gl::ClearTo(background.x, background.y, background.z, background.w, GL_COLOR_BUFFER_BIT);
  DrawIntoLayer(kLayerLitScene);
  gl::SetCapability(GL_BLEND, true);
  SetBlendFactors(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  SetDepthTest(false);
  gl::SetDepthWrites(false);
  BindGBuffer(0);

  SceneState& scene = Scene();
  for (auto* lights : {&scene.pointLights, &scene.spotLights}) {
    for (VLM_LIGHT* light : *lights) {
      m4f world;
      VLM_EntityWorldMatrix(&world, light, 1);
      const m4f toView = Multiply(world, frame.view);
      light->v4fViewPosition = {toView.e[12], toView.e[13], toView.e[14], 1.0f};
      // The volume's rows carry the range; the axis needs only the turn.
      const v4f axis = Transform({0.0f, -1.0f, 0.0f, 0.0f}, toView);
      const float length = Length3(axis);
      light->v4fViewDirection = length > 0.0f
                                    ? v4f{axis.x / length, axis.y / length, axis.z / length, 0.0f}
                                    : v4f{0.0f, -1.0f, 0.0f, 0.0f};
    }
  }
  CheckPass("light set-up");
}

void DirectLightPass(const FrameContext& frame) {
  const RenderTargets& t = Targets();
  const LightingState& lighting = Render().lighting;
  v4f direction;
  const bool lit = lighting.directLightOn && DirectDirection(&direction);
  const bool shadowed = lit && DirectShadowed();
  const int state = shadowed ? 5 : lit ? 1 : 0;
  // The program's uniforms say what the frame lit with, whichever copy
  // draws; without a shadow the copy compiled without the test draws, and
  // without the light the copy that computes ambient and emission alone.
  const LightProgram* copy = shadowed ? nullptr : lit ? &t.directUnshadowed : &t.directUnlit;
  // A light that holds the camera may draw it all, below.
  const bool carried = !lit && AmbientCarrier(frame) != nullptr;
  if (copy && copy->program == 0) copy = nullptr;
  for (const LightProgram* program : {&t.direct, copy}) {
    if (!program) continue;
    const auto at = [&](int slot) { return program->locations[static_cast<size_t>(slot)]; };
    gl::UseProgram(program->program);
    vlmgl.glUniform1i(at(kDirectGBufferMap), 0);
    vlmgl.glUniform1i(at(kDirectShadowMap), 1);
    vlmgl.glUniform4fv(at(kDirectAmbientColor), 1, &lighting.ambientColour.x);
    if (lit) {
      // The program lights along -vLightDirection, towards the light: it
      // takes the travel direction itself, in view space.
      const v4f inView = Transform(direction, frame.view);
      vlmgl.glUniform3fv(at(kDirectLightDirection), 1, &inView.x);
      vlmgl.glUniform3fv(at(kDirectLightColor), 1, &lighting.directLightColour.x);
      vlmgl.glUniform1f(at(kDirectLightIntensity), lighting.directLightIntensity);
    }
    if (shadowed) {
      SetMatrix(at(kDirectWorldToLightView), DirectionalLightView(frame));
      SetMatrix(at(kDirectLightViewToProjection), DirectionalLightProjection());
      SetMatrix(at(kDirectWorldToCameraView), frame.view);
    }
    vlmgl.glUniform1i(at(kDirectLightState), state);
  }
  if (shadowed) {
    gl::BindTextureUnit(1, GL_TEXTURE_2D, t.shadowMap);
    gl::ActivateTextureUnit(0);
  }
  BindGBuffer(0);
  if (carried) {
    CheckPass("direct light");
    return;
  }
  // Its alpha is 1 wherever it draws, so blending would return the source
  // unchanged: drawing without it gives the same colours for less work.
  gl::SetCapability(GL_BLEND, false);
  MaskToDrawnPixels(true);
  gl::DrawTriangleStrip(t.directQuadArray, 4);
  MaskToDrawnPixels(false);
  gl::SetCapability(GL_BLEND, true);
  CheckPass("direct light");
}

void PointAndSpotLightPass(const FrameContext& frame) {
  const RenderTargets& t = Targets();
  RenderedCounts& rendered = Render().rendered;
  rendered.lights = 0;
  rendered.shadowObjects = 0;
  BeginLightVolumes();
  const Frustum frustum = FrustumOf(frame.projection);
  const bool shadows = CubeShadowsOn();
  const VLM_LIGHT* carrier = AmbientCarrier(frame);

  SceneState& scene = Scene();
  std::vector<PointLightInstance> instances;
  instances.reserve(scene.pointLights.size());
  for (VLM_LIGHT* light : scene.pointLights) {
    if (!LightVisible(frame, frustum, *light)) continue;
    ++rendered.lights;
    m4f world;
    VLM_EntityWorldMatrix(&world, light, 1);
    const m4f modelView = Multiply(world, frame.view);
    if (shadows && light->iCastsShadow) {
      DrawShadowedPointLight(frame, *light, world, modelView, light == carrier);
      continue;
    }
    PointLightInstance& instance = instances.emplace_back();
    instance.modelView = modelView;
    instance.position[0] = light->v4fViewPosition.x;
    instance.position[1] = light->v4fViewPosition.y;
    instance.position[2] = light->v4fViewPosition.z;
    instance.range = light->fRange * kLightRangeScale;
    instance.colour[0] = light->v4fColour.x;
    instance.colour[1] = light->v4fColour.y;
    instance.colour[2] = light->v4fColour.z;
    instance.intensity = light->fIntensity;
  }
  DrawInstancedPointLights(instances);

  const bool spotShadows = Render().lighting.shadowsOn && t.spotShadowFramebuffer != 0 && t.spotShadowMap != 0 &&
                           t.spotShadow.program != 0;
  for (const VLM_LIGHT* light : scene.spotLights) {
    if (!LightVisible(frame, frustum, *light)) continue;
    ++rendered.lights;
    m4f world;
    VLM_EntityWorldMatrix(&world, light, 1);
    const m4f modelView = Multiply(world, frame.view);
    if (spotShadows && light->iCastsShadow)
      DrawShadowedSpotLight(frame, *light, world, modelView);
    else
      DrawSpotLight(*light, modelView);
  }
  // Back to the faces and blending every later pass draws with.
  MaskToDrawnPixels(false);
  gl::SetCapability(GL_DEPTH_CLAMP, false);
  gl::SetCullFace(GL_BACK);
  SetBlendFactors(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  gl::BindVertexArray(0);
  CheckPass("point light");
}

}  // namespace vlm::render
