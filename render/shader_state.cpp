// Access to the engine context for the shader code.
#include "render/shader_state.h"

#include "core/context.h"

namespace vlm::render {

ShaderState& Shaders() { return Ctx().shaderPrograms; }

Registry<VLM_SHADER>& ShaderRegistry() { return Ctx().registries.shaders; }

bool HasGL() { return Ctx().hasGL; }

void ScreenSize(int* width, int* height) {
  *width = Ctx().screen.width;
  *height = Ctx().screen.height;
}

}  // namespace vlm::render
