// Setting up a fresh GL context for the engine.
#pragma once

namespace vlm::gl {

// Fills the engine's function table by name. A missing entry point leaves
// its slot null; the features that need it check with HasFunctions.
void LoadFunctionTable();
// The initial GL state; calls that only a compatibility context knows are
// left out on a core context.
void SetInitialState();
// The "System" section with the driver strings.
void LogSystemInfo();

}  // namespace vlm::gl
