// The renderer's global GL objects, made by VLM_Init once the context is set up.
#pragma once

namespace vlm::gl {

// The spare framebuffer with a depth renderbuffer.
void CreateDepthFramebuffer();
// The 2D quad batch used by text drawing.
void CreateQuadBatch();
// The 3 x 3 quad grid of screen elements.
void CreateQuadGrid();
// Deletes the global GL objects at shutdown.
void DeleteGlobalObjects();

}  // namespace vlm::gl

namespace vlm::render {

// On a software rasteriser anisotropic filtering costs most of a frame (and
// a textured box seen from very close can take a minute): the maximum
// anisotropy goes down to what such a renderer draws cheaply, with an Info
// row naming it. Other renderers keep the setting.
void FitAnisotropyToRenderer();

}  // namespace vlm::render
