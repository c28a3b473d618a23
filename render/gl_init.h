// Start-up and shutdown steps of the renderer that need a GL context.
#pragma once

#include <cstdint>

namespace vlm::gl {

// The 2D quad batch that text drawing fills: 256 quads of 4 vertices.
struct QuadBatch {
  static constexpr int kQuads = 256;
  static constexpr int kVertexBytes = 24;  // position 4 floats, texture coordinate 2 floats
  uint32_t elementBuffer = 0;              // 6 unsigned 32-bit indices per quad, static
  uint32_t vertexBuffer = 0;               // kQuads * 4 * kVertexBytes bytes, dynamic
};

// Fills the engine's function table by name. A missing entry point leaves
// its slot null; the features that need it check with HasFunctions.
void LoadFunctionTable();
// The initial GL state; calls that only a compatibility context knows are
// left out on a core context.
void SetInitialState();
// The "System" section with the driver strings.
void LogSystemInfo();
// The spare framebuffer with a depth renderbuffer.
void CreateDepthFramebuffer();
// The 2D quad batch used by text drawing.
void CreateQuadBatch();
// Deletes the global GL objects at shutdown.
void DeleteGlobalObjects();

}  // namespace vlm::gl
