// The shader code's view of the engine: the shader registry, whether a GL
// context is up, and the size of the screen. (Shaders() is defined with the
// engine context.)
#include "render/shader_state.h"

#include "core/engine_state.h"
#include "core/registries.h"
#include "platform/screen_state.h"

namespace vlm::render {

Registry<VLM_SHADER>& ShaderRegistry() { return vlm::ShaderRegistry(); }

bool HasGL() { return Engine().hasGL; }

void ScreenSize(int* width, int* height) {
  *width = Screen().width;
  *height = Screen().height;
}

}  // namespace vlm::render
