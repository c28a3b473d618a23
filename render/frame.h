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

// The passes, in frame order: BeginFrame fills the frame's context, then
// VLM_RenderWorld runs the table kFramePasses of frame.cpp.
void BeginFrame(FrameContext& frame);                   // camera and view, state, G-buffer cleared
void StripMeshPass(const FrameContext& frame);          // nothing: the scene keeps no strip meshes
void GeometryPass(const FrameContext& frame);           // render list 0 into the G-buffer
void UndrawnPass(const FrameContext& frame);            // the G-buffer's empty pixels zeroed
void DirectionalShadowPass(const FrameContext& frame);  // the direct light's shadow map
void BeginLightPasses(const FrameContext& frame);       // camera back, lit scene cleared, lights placed
void DirectLightPass(const FrameContext& frame);        // ambient, emission and the direct light
void PointAndSpotLightPass(const FrameContext& frame);  // light volumes, with their cube shadows
void SkyBoxPass(const FrameContext& frame);             // the sky where nothing was drawn
void ForwardPass(const FrameContext& frame);            // render list 1 over the lit scene
void LinePass(const FrameContext& frame);               // 3D lines, the physics debug view
void PostInputPass(const FrameContext& frame);          // linear depth, glow map
void OutputPass(const FrameContext& frame);             // the lit scene into the target
void AfterLightPass(const FrameContext& frame);         // render list 2 onto the target
void EffectPass(const FrameContext& frame);             // particles, ribbons, billboards
void GlowPass(const FrameContext& frame);               // the glow map blurred and added
void EndFrame(const FrameContext& frame);               // the state 2D drawing expects

// Checks glGetError after a pass in debug builds, with the pass's name in
// the failure row.
void CheckPass(const char* pass);

}  // namespace vlm::render
