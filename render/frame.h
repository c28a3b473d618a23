// The frame pipeline: the passes VLM_RenderWorld runs, in order, and what
// they share. Each pass leaves the GL state the next one expects.
#pragma once

#include <cstdint>

#include "velmora/types.h"

namespace vlm {
struct MeshInstance;
}

namespace vlm::render {

// What every pass of one frame reads.
struct FrameContext {
  intptr_t target = -1;      // -1: the screen; otherwise a GL framebuffer
  int32_t width = 0;         // render size in pixels
  int32_t height = 0;
  m4f view{};                // world -> camera view (row vectors, v x M)
  m4f projection{};          // the camera's matrix at byte 0 of the Projection block
  bool culling = true;       // frustum culling switch at the start of the frame
};

// first x then in row-vector form: transforming by the result applies
// `first`, then `then`.
m4f Multiply(const m4f& first, const m4f& then);
// The Model block: model-view and its upper 3 x 3 as the normal matrix,
// uploaded whole.
void SetModelView(const m4f& modelView);

// kCulled: drawable, but outside the frustum it was tested against.
enum class Drawn { kSkipped, kCulled, kSingle, kInstanced };

// Draws one mesh instance: model-view = the object's world matrix x `view`
// into the Model block with its normal matrix, the mesh's vertex array,
// then glDrawElements, or glDrawElementsInstanced with the object's
// instance buffer texture on unit 0 when it has more than one instance.
// With `cullProjection` the instance's box is tested against the frustum of
// model-view x *cullProjection first and not drawn when outside. Objects that
// are not visible, meshes without GL data and empty meshes are skipped.
Drawn DrawInstance(const MeshInstance& instance, const m4f& view, const m4f* cullProjection);

// The passes, in frame order.
void BeginFrame(FrameContext& frame);              // camera, state, clear the G-buffer
void StripMeshPass(const FrameContext& frame);
void GeometryPass(const FrameContext& frame);      // render list 0
void DirectionalShadowPass(const FrameContext& frame);
void BeginLightPasses(const FrameContext& frame);  // camera restored, FBuffer, light positions
void DirectLightPass(const FrameContext& frame);
void PointLightPass(const FrameContext& frame);
void SkyBoxPass(const FrameContext& frame);
void ForwardPass(const FrameContext& frame, int list);  // lists 1 and 2 alike
void LinePass(const FrameContext& frame);          // 3D lines, the physics debug view
void PostInputPass(const FrameContext& frame);     // linear depth, glow map
void OutputPass(const FrameContext& frame);        // the lit scene into the target
void EffectPass(const FrameContext& frame);        // particles, ribbons, billboards
void GlowPass(const FrameContext& frame);
void EndFrame(const FrameContext& frame);

// Checks glGetError after a pass in debug builds, with the pass's name in
// the failure row.
void CheckPass(const char* pass);

}  // namespace vlm::render
