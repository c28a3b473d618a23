// The frame's scene passes: camera and state, strip meshes, the geometry
// pass, sky box, forward passes, 3D lines, the output copy and the end state.
#include "render/frame.h"

namespace vlm::render {

void BeginFrame(FrameContext& /*frame*/) {}
void StripMeshPass(const FrameContext& /*frame*/) {}
void GeometryPass(const FrameContext& /*frame*/) {}
void SkyBoxPass(const FrameContext& /*frame*/) {}
void ForwardPass(const FrameContext& /*frame*/, int /*list*/) {}
void LinePass(const FrameContext& /*frame*/) {}
void OutputPass(const FrameContext& /*frame*/) {}
void EndFrame(const FrameContext& /*frame*/) {}

}  // namespace vlm::render
