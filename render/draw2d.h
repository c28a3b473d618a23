// The 2D pass's drawing primitives: making a material current for screen
// drawing, and drawing quads through the shared quad batch. Coordinates are
// screen pixels (x right, y down from the top edge), placed by the screen
// matrix of the Projection block.
#pragma once

#include <cstdint>

#include "velmora/types.h"

struct VLM_MATERIAL;

namespace vlm::render {

// One vertex of the quad batch: the batch's fixed 24-byte layout.
struct Vertex2D {
  float position[4];  // attribute 0: x, y, z, w
  float uv[2];        // attribute 2
};
static_assert(sizeof(Vertex2D) == 24);

// Makes `material` current for 2D drawing: its program, its colour texture
// on unit 0, its colour (vColor), the model matrix into the Model block
// (byte 0, 64 bytes), its blend factors, depth test and face culling off.
// False, with nothing changed, without a GL context or a live program.
bool Begin2D(const VLM_MATERIAL& material, const m4f& model);
// Puts depth test and face culling back as the render-state cache says.
void End2D();

// Uploads `quads` quads (4 vertices each, at most the batch's 256) into the
// quad batch and draws them as indexed triangles. Between Begin2D and End2D.
void DrawQuadBatch(const Vertex2D* vertices, int quads);

}  // namespace vlm::render
