// Setting up a fresh GL context for the engine.
#pragma once

#include <string>
#include <string_view>

namespace vlm::gl {

// Fills the engine's function table by name. A missing entry point leaves
// its slot null; the features that need it check with HasFunctions.
void LoadFunctionTable();
// The initial GL state; calls that only a compatibility context knows are
// left out on a core context.
void SetInitialState();
// The "System" section with the driver strings.
void LogSystemInfo();
// The driver's renderer string; empty without a function table.
std::string RendererText();
// The name of the software rasteriser a renderer string names (llvmpipe,
// softpipe, swrast, in any case), or empty for any other renderer.
std::string SoftwareRasteriserName(std::string_view renderer);

}  // namespace vlm::gl
