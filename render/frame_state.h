// Small GL-state helpers the frame's passes and the presentation share:
// switches that keep the render-state mirror in step, the compatibility-only
// alpha test, and the full-screen quad of the post-processing programs.
#pragma once

#include <cstdint>

struct VLM_SHADER;

namespace vlm::render {

// glEnable / glDisable.
void SetCapability(uint32_t capability, bool on);
// Culling, depth test, depth writes and blend factors, mirrored in
// vlm::Render().cache so that 2D drawing puts back what the frame left.
void SetCulling(bool on);
void SetDepthTest(bool on);
void SetBlendFactors(uint32_t source, uint32_t destination);
void SetWireframe(bool on);
// GL_ALPHA_TEST exists only in a compatibility context; a core context
// has no alpha test to switch.
void SetAlphaTest(bool on);

// A built-in program made current with its samplers on their units, or
// null when start-up did not build it.
const VLM_SHADER* UseBuiltIn(int number);
// A float uniform of the current program by name (nothing when the
// program does not declare it).
void SetFloatUniform(const VLM_SHADER& shader, const char* name, float value);

// Draws the screen quad (triangle strip of 4) with blending, depth test and
// culling off, the G-buffer array on unit 0, through `shader` with
// `fIndex` = layer. Blending is left off; depth test and culling come back
// as the mirror says.
void DrawLayerQuad(const VLM_SHADER& shader, float layer);

// Deletes the sky box's and the line pass's GL objects (shutdown).
void DeleteSceneDrawing();

}  // namespace vlm::render
