#version 330
// Ambient occlusion is not computed: the factor is 1 everywhere. Linear
// depth and coverage are written as the linearisation pass does.
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
