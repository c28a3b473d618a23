// Small GL-state helpers the frame's passes and the presentation share:
// switches that keep the render-state mirror in step, the compatibility-only
// alpha test, and the full-screen quad of the post-processing programs.
#pragma once

#include <cstdint>

#include "render/targets.h"

struct VLM_SHADER;

namespace vlm::render {

// Culling, depth test, depth writes and blend factors, mirrored in
// vlm::Render().cache so that 2D drawing puts back what the frame left.
void SetCulling(bool on);
void SetDepthTest(bool on);
// Light passes shade only pixels the geometry pass drew (see the .cpp).
void MaskToDrawnPixels(bool on);
// The other side: only pixels where the depth is still the cleared far
// value, with the depth test on; off puts back the range 0-1.
void MaskToUndrawnPixels(bool on);
void SetBlendFactors(uint32_t source, uint32_t destination);
void SetWireframe(bool on);
// GL_ALPHA_TEST exists only in a compatibility context; a core context
// has no alpha test to switch.
void SetAlphaTest(bool on);

// One of the three framebuffer records bound (GL_FRAMEBUFFER).
void BindFramebufferRecord(FramebufferIndex index);
// The forward framebuffer's one draw buffer: the attachment showing `layer`.
void DrawIntoLayer(GBufferLayer layer);
// The forward framebuffer's own draw buffers: the lit scene and the glow map.
void DrawIntoForwardLayers();
// The screen quad: a triangle strip of 4 vertices through mScreenMatrix.
void DrawScreenQuad();

// A built-in program made current with its samplers on their units, or
// null when start-up did not build it.
const VLM_SHADER* UseBuiltIn(int number);

// Slots of the uniforms the frame sets in built-in programs: the builder
// numbers a program's uniforms in source order, vertex stage first; the
// hand-built programs register theirs at fixed slots.
namespace slot {
constexpr int kDepthLinearizationDepthMap = 0;  // VLM_PROGRAM_GBUFFER_DEPTH_LINEARIZATION
constexpr int kGlowMapBufferMap = 0;            // VLM_PROGRAM_GBUFFER_BLOOM_GLOW_MAP
constexpr int kGlowMapGlow = 1;
constexpr int kGlowMapBloom = 2;
constexpr int kSkyBoxColour = 2;                // VLM_PROGRAM_SKYBOX: vColor
constexpr int kParticleDepthMap = 1;            // VLM_PROGRAM_PARTICLE
constexpr int kParticleColorMap = 2;
constexpr int kSoftParticleDepthMap = 0;        // VLM_PROGRAM_SOFT_PARTICLE
constexpr int kSoftParticleColorMap = 2;
constexpr int kSoftParticleBlend = 3;
constexpr int kLayerColorMap = 0;               // the _TA post programs: ColorMap
constexpr int kLayerIndex = 1;                  // the _TA post programs: fIndex
constexpr int kGammaValue = 2;                  // VLM_PROGRAM_PP_GAMMA_TA: fGamma
constexpr int kBlurShift = 2;                   // VLM_PROGRAM_PP_BLUR_TA: vShift
constexpr int kBillboardColorMap = 0;           // VLM_PROGRAM_BILLBOARD
constexpr int kBillboardDepthMap = 1;
constexpr int kBillboardInstances = 2;
constexpr int kBillboardProjectionMode = 3;
}  // namespace slot

// The location of a uniform of `shader`: the one registered at `slot` of
// its slot table, without asking the driver; by `name` only where nothing
// is registered there (a program made elsewhere), -1 without a name.
int32_t UniformLocation(const VLM_SHADER& shader, int slot, const char* name);
// Sets an int, float, vec2 or vec4 uniform of the current program found
// so; nothing when the program does not use it.
void SetUniform(const VLM_SHADER& shader, int slot, const char* name, int value);
void SetUniform(const VLM_SHADER& shader, int slot, const char* name, float value);
void SetUniform(const VLM_SHADER& shader, int slot, const char* name, float x, float y);
void SetUniform(const VLM_SHADER& shader, int slot, const char* name, const float (&rgba)[4]);

// Draws the screen quad (triangle strip of 4) with blending, depth test and
// culling off, the G-buffer array on unit 0, through `shader` with
// `fIndex` = layer. Blending is left off; depth test and culling come back
// as the mirror says.
void DrawLayerQuad(const VLM_SHADER& shader, GBufferLayer layer);

// Deletes the sky box's and the line pass's GL objects (shutdown).
void DeleteSceneDrawing();

}  // namespace vlm::render
