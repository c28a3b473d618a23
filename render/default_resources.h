// The engine's built-in textures and materials, made at the end of start-up.
#pragma once

namespace vlm::render {

// In this order: the default texture and material (program 8, colour
// 0x80FFFFFF), the logo's texture and material, the three substitute maps,
// the environment cube map, the materials of VLM_PROGRAM_3D_DEFAULT and VLM_PROGRAM_PARTICLE. Their
// handles go to Render().defaults.
void CreateDefaultResources();

}  // namespace vlm::render
