// The frame's post-processing and effects: linear depth and the glow map,
// particles, ribbons and billboards, and the half-size glow blur.
#include "render/frame.h"

namespace vlm::render {

void PostInputPass(const FrameContext& /*frame*/) {}
void EffectPass(const FrameContext& /*frame*/) {}
void GlowPass(const FrameContext& /*frame*/) {}

}  // namespace vlm::render
