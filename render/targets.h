// The renderer's targets: the G-buffer and its framebuffers, the light
// programs with their volumes, and the shadow maps. Created once at
// start-up, deleted at shutdown.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "velmora/types.h"

namespace vlm::render {

constexpr int kGBufferLayers = 8;
constexpr int kHalfLayers = 2;

// The layers of the G-buffer array (W x H, RGBA32F), as the programs write
// and read them (the layer a `_TA` program reads is its fIndex).
enum GBufferLayer : int {
  kLayerPosition = 0,  // view-space position; a = surface scattering
  kLayerNormal = 1,    // view-space normal; a = hardness (specular exponent)
  kLayerDiffuse = 2,   // diffuse colour; a = emission (or 1 - specular-map alpha)
  kLayerSpecular = 3,  // specular colour; a = specular intensity
  kLayerMisc = 4,      // r = linear depth, g = occlusion, a = 1 where geometry was drawn
  kLayerGlow = 5,      // the glow map, the forward pass's second target
  kLayerLitScene = 6,  // the lit scene: lights, sky, forward passes
  kLayerScreen = 7,    // the frame and the 2D drawing, waiting for the present
};

// The three framebuffer records.
enum FramebufferIndex : int {
  kGBufferFramebuffer = 0,  // "GBuffer": layers 0..5 at attachments 0..5, draws 0..4
  kForwardFramebuffer = 1,  // "FBuffer": four layers (ForwardAttachment), draws lit scene and glow
  kHalfFramebuffer = 2,     // "SBuffer": the two half-size layers
};
constexpr int kFramebufferCount = 3;

// The colour attachments of the forward framebuffer and the layer each shows.
constexpr GBufferLayer kForwardAttachments[] = {kLayerLitScene, kLayerScreen, kLayerMisc, kLayerGlow};
// The attachment index showing `layer` in the forward framebuffer; -1 for
// the geometry layers, which it does not show.
constexpr int ForwardAttachment(GBufferLayer layer) {
  for (int i = 0; i < 4; ++i)
    if (kForwardAttachments[i] == layer) return i;
  return -1;
}
constexpr int kMaxPointLightInstances = 768;
constexpr int kPointLightInstanceBytes = 96;
constexpr int kIcosphereVertices = 43;  // the centre, then 42 on the unit sphere
constexpr int kIcosphereIndices = 240;  // 80 triangles
// No face plane of the icosphere lies nearer its centre (0.93417...).
constexpr float kIcosphereInradius = 0.934f;

struct FramebufferRecord {
  uint32_t framebuffer = 0;
  uint32_t depthRenderbuffer = 0;
  uint32_t spare = 0;
  std::vector<uint32_t> drawBuffers;  // attachment enums
};

// A light program and its uniform locations by slot (-1: empty slot).
struct LightProgram {
  uint32_t program = 0;
  std::array<int32_t, 14> locations{};
};

// Slots of the direct-light program's location table.
enum DirectSlot : int {
  kDirectGBufferMap = 0,
  kDirectShadowMap = 1,
  kDirectAmbientColor = 6,
  kDirectLightState = 7,
  kDirectLightDirection = 8,
  kDirectLightColor = 9,
  kDirectLightIntensity = 10,
  kDirectWorldToLightView = 11,
  kDirectLightViewToProjection = 12,
  kDirectWorldToCameraView = 13,
};
// Slots of the spot program: its five G-buffer maps, and in the copy with
// a shadow the spot's shadow map and the matrix into its clip space.
enum SpotSlot : int {
  kSpotShadowMap = 5,
  kSpotViewToShadow = 6,
};
enum PointShadowSlot : int {
  kPointGBufferMap = 0,
  kPointShadowMap = 1,
  kPointStaticShadowMap = 2,
  kPointAmbientColor = 6,  // the copy that also writes ambient and emission
  kPointWorldViewMatrix = 7,
  kPointShadowTextureMatrix = 8,
};

// One point light of the instanced draw, as the instance buffer holds it.
struct PointLightInstance {
  m4f modelView;       // attributes 7..10
  float position[3];   // 11, view space
  float range;         // 12
  float colour[3];     // 13
  float intensity;     // 14
};
static_assert(sizeof(PointLightInstance) == kPointLightInstanceBytes);

struct RenderTargets {
  // Render size and half size (nearest integers, ties to even).
  int32_t width = 0, height = 0, halfWidth = 0, halfHeight = 0;
  float halfScaleX = 0.5f, halfScaleY = 0.5f;
  uint32_t gbufferArray = 0;  // W x H x 8, RGBA32F
  uint32_t depthTexture = 0;  // W x H, DEPTH_COMPONENT24
  uint32_t halfArray = 0;     // W/2 x H/2 x 2, RGBA8
  std::array<FramebufferRecord, kFramebufferCount> framebuffers{};
  uint32_t screenQuadArray = 0, screenQuadBuffer = 0;

  // Light volumes and programs.
  uint32_t directQuadArray = 0, directQuadBuffer = 0;
  uint32_t sphereArray = 0, instancedSphereArray = 0;
  uint32_t sphereVertices = 0, sphereIndices = 0, instanceBuffer = 0;
  LightProgram direct, point, pointShadow, spot;
  LightProgram pointShadowDynamic;  // pointShadow without the static cube's test
  // pointShadowDynamic over the screen quad, adding ambient and emission:
  // the direct pass and the first light in one (see frame_lights.cpp).
  LightProgram pointShadowAmbient;
  // Zeroes the G-buffer's five layers where the geometry pass drew nothing
  // (the screen quad, masked by the depth the geometry left).
  LightProgram undrawn;
  LightProgram spotShadow;        // spot with the 4-tap test of its shadow map
  LightProgram directUnshadowed;  // direct compiled without the shadow test
  LightProgram directUnlit;       // direct with ambient and emission alone
  // The shadow programs Default, Instancing and Grass compiled without the
  // alpha test, for colour maps that cannot discard; their slots are the
  // built-in programs' (InstanceBuffer 0 on unit 0, fTime 1, vWind 2).
  std::array<LightProgram, 3> opaqueShadow;

  // Shadow maps.
  int32_t shadowSize = 0, cubeSize = 0;
  uint32_t shadowMap = 0, shadowRenderbuffer = 0, shadowFramebuffer = 0;
  uint32_t shadowCube = 0, cubeRenderbuffer = 0, cubeFramebuffer = 0;
  // A spot light's map: a perspective view along its axis, the size of the
  // directional map, drawn again for every shadowed spot.
  uint32_t spotShadowMap = 0, spotShadowFramebuffer = 0;
  std::array<m4f, 6> cubeFaceViews{};  // +x, -x, +y, -y, +z, -z
};

RenderTargets& Targets();

// The unit icosphere: kIcosphereVertices vertices (x, y, z, 1), the centre
// first, and kIcosphereIndices indices into them, wound counter-clockwise
// seen from outside.
void BuildIcosphere(std::vector<float>* vertices, std::vector<uint32_t>* indices);

// Look-at view matrix (row vectors) from eye towards target with the up vector.
m4f LookAt(const v4f& eye, const v4f& target, const v4f& up);

// The targets sized by the screen (G-buffer and half-size arrays, depth
// texture and buffer, the three framebuffers, the screen quads) made again
// at the screen's present size; a framebuffer that cannot be completed
// gets a failure row naming `procedure`. False then, or without GL.
bool RemakeSizedTargets(const char* procedure);
// The direct light's screen quad, in pixels, at the targets' size.
void RemakeDirectQuad();
// True when the driver can make the screen's targets at width x height;
// otherwise the failure row of `procedure` (none when null).
bool ScreenTargetsFit(int width, int height, const char* procedure);

// Deletes the objects of each group (0 names are skipped).
void DeleteFramebuffers();
void DeleteLightPrograms();
void DeleteShadowMaps();
inline void DeleteRenderTargets() {
  DeleteShadowMaps();
  DeleteLightPrograms();
  DeleteFramebuffers();
}

}  // namespace vlm::render
