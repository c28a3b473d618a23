#version 330
// Linear depth, view distance / far: 2n / (f + n - z (f - n)) with z the
// depth in normalised device coordinates, 2d - 1 for the stored d (with d
// itself the result would be 2 distance / (distance + far), and soft
// particles and water, which compare it with distance / far, would be off
// by up to a factor of two). Green is the occlusion factor (none), alpha
// marks where geometry was drawn.
in vec2 vUV;
uniform sampler2D DepthMap;
#include "shared/misc_block.glsl"
layout(location = 0) out vec4 vFragMisc;
void main()
{
    float d = texture(DepthMap, vUV).r;
    float z = 2.0 * d - 1.0;
    float depth = 2.0 * fNear / (fFar + fNear - z * (fFar - fNear));
    vFragMisc = vec4(depth, 1.0, 0.0, d < 1.0 ? 1.0 : 0.0);
}
