// The frame's shadow and light passes: the directional shadow map, the
// direct light, and point lights (shadowed one by one, the rest instanced).
#include "render/frame.h"

namespace vlm::render {

void DirectionalShadowPass(const FrameContext& /*frame*/) {}
void BeginLightPasses(const FrameContext& /*frame*/) {}
void DirectLightPass(const FrameContext& /*frame*/) {}
void PointLightPass(const FrameContext& /*frame*/) {}

}  // namespace vlm::render
