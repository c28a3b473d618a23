// The renderer's shader state in the engine context: the built-in program
// table, the three render lists and the uniform buffers.
#pragma once

#include <array>
#include <vector>

#include "core/registry.h"
#include "render/shader_record.h"
#include "render/uniform_buffers.h"
#include "velmora/shader.h"

namespace vlm::render {

constexpr int kBuiltInProgramCount = VLM_PROGRAM_LAST;  // numbers 1..47; 34 is not defined
constexpr int kRenderListCount = 3;

struct ShaderState {
  std::array<VLM_SHADER*, kBuiltInProgramCount + 1> builtIn{};  // [0] unused
  std::array<std::vector<VLM_SHADER*>, kRenderListCount> renderLists;
  UniformBuffers buffers;
};

// The one place the shader code reaches the engine context: its shader
// state, the shader registry, whether a GL context is up, and the size of
// the screen in pixels.
ShaderState& Shaders();
Registry<VLM_SHADER>& ShaderRegistry();
bool HasGL();
void ScreenSize(int* width, int* height);

}  // namespace vlm::render
