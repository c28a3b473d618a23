// Start-up and shutdown steps of the renderer that need a GL context.
#pragma once

namespace vlm::gl {

// Fills the engine's function table by name; logs a failure row for a
// missing entry point instead of crashing later.
void LoadFunctionTable();
// The initial GL state, then the "System" section with the driver strings.
void SetInitialState();
void LogSystemInfo();
// The spare framebuffer with a depth renderbuffer.
void CreateDepthFramebuffer();
// The 2D quad batch used by text drawing.
void CreateQuadBatch();
// Deletes the global GL objects at shutdown.
void DeleteGlobalObjects();

}  // namespace vlm::gl
