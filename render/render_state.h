// The renderer's part of the engine context: the mirror of the GL state,
// the lights, the post-processing parameters and the global GL objects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "velmora/types.h"

namespace vlm {

// Mirrors of GL state, changed only through the render setters.
struct RenderStateCache {
  int32_t wireframe = 0;
  int32_t cullFaces = 1;
  int32_t depthTest = 1;
  int32_t blendSource = 0x0302;       // GL_SRC_ALPHA
  int32_t blendDestination = 0x0303;  // GL_ONE_MINUS_SRC_ALPHA
};

// Ambient and background colours, the shadow switch and the direct light.
struct LightingState {
  v4f ambientColour{0, 0, 0, 1};
  v4f backgroundColour{0, 0, 0, 0};
  int32_t shadowsOn = 0;
  int32_t directLightOn = 0;
  int32_t directLightShadows = 0;
  v4f directLightDirection{0, -1, 0, 0};
  v4f directLightColour{1, 1, 1, 1};
  float directLightIntensity = 1.0f;
};

// Post-processing effect parameters.
struct EffectParameters {
  float glowStrength = 1.0f;
  float bloomStrength = 0.5f;
  float glowBlurWidth = 2.0f;
  float grassWind = 0.2f;
};

// The 2D quad batch that text drawing fills: 256 quads of 4 vertices.
struct QuadBatch {
  static constexpr int kQuads = 256;
  static constexpr int kVertexBytes = 24;  // position 4 floats, texture coordinate 2 floats
  uint32_t elementBuffer = 0;              // 6 unsigned 32-bit indices per quad, static
  uint32_t vertexBuffer = 0;               // kQuads * 4 * kVertexBytes bytes, dynamic
  uint32_t vertexArray = 0;                // made by the first 2D draw
};

// The 3 x 3 grid of quads that stretches a screen element's image: 16
// vertices row by row (position 4 floats, texture coordinate 2 floats) and
// 54 indices.
struct QuadGrid {
  static constexpr int kVertices = 16;
  static constexpr int kIndices = 54;
  uint32_t elementBuffer = 0;  // unsigned 32-bit indices, static
  uint32_t vertexBuffer = 0;   // kVertices * QuadBatch::kVertexBytes bytes, dynamic
};

// The engine's built-in resources, created at start-up. Handles, not
// pointers: a user may free any of them, and a stale handle resolves to 0.
struct DefaultResources {
  intptr_t texture = 0;                 // the default texture
  intptr_t substituteTextures[3] = {};  // colour, flat normal, specular
  intptr_t cubeMap = 0;                 // the default environment cube map
  intptr_t material = 0;                // the default material (program 8)
  intptr_t material3D = 0;              // program 15
  intptr_t particleMaterial = 0;        // program 38
  intptr_t logoMaterial = 0;
  intptr_t logoElement = 0;             // 102 x 102, drawn while showLogo is on
};

// Per-frame counters of the frame pipeline, reset by the pass that fills each.
struct RenderedCounts {
  int32_t objects = 0;
  int32_t lights = 0;
  int32_t shadowObjects = 0;
};

// Drawing that floors above the renderer add to a frame. The effect pass
// calls it with the frame's view matrix; the particle floor sets it at
// start-up (the renderer never includes that floor).
struct FrameHooks {
  void (*drawParticles)(const m4f& view) = nullptr;
  // Called by VLM_RenderWorld after each pass with the pass's name; off
  // unless set (benchmarks time the passes with it).
  void (*passEnded)(const char* pass) = nullptr;
};

// GL objects and settings of the frame's scene passes: the sky box and
// its cube, and the 3D line list with its stream buffer.
struct SceneDrawing {
  intptr_t skyTexture = 0;      // VLM_SkyBox: a cube texture handle, 0 for none
  uint32_t skyArray = 0, skyVertices = 0, skyIndices = 0;
  uint32_t lineArray = 0, lineBuffer = 0;
  size_t lineBufferBytes = 0;
  std::vector<float> lines;     // queued 3D lines: per vertex position xyzw, colour rgba
};

struct RenderState {
  RenderStateCache cache;
  FrameHooks hooks;
  RenderedCounts rendered;
  LightingState lighting;
  EffectParameters effects;
  QuadBatch quadBatch;
  QuadGrid quadGrid;
  DefaultResources defaults;
  SceneDrawing scene;
  uint32_t defaultTextureFilter = 0x2601;  // GL_LINEAR
  float maxAnisotropy = 8.0f;  // of the textures made from now on; 1: none
  uint32_t depthRenderbuffer = 0;          // the spare framebuffer with its depth buffer
  uint32_t depthFramebuffer = 0;
  int32_t showLogo = 0;                    // VLM_ShowEngineLogo
  int32_t frustumCulling = 1;              // VLM_FrustumCulling
  int32_t screenFrameReady = 0;            // a frame for the screen waits in layer 7
};

RenderState& Render();

}  // namespace vlm
