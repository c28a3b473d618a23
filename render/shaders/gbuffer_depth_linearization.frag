#version 330
// Linear depth from the depth texture: 2n / (f + n - d (f - n)), about
// view distance / far. Green is the occlusion factor (none), alpha marks
// where geometry was drawn.
in vec2 vUV;
uniform sampler2D DepthMap;
layout(std140) uniform Misc
{
    vec2 vMapSize;
    float fNear;
    float fFar;
};
layout(location = 0) out vec4 vFragMisc;
void main()
{
    float d = texture(DepthMap, vUV).r;
    float depth = 2.0 * fNear / (fFar + fNear - d * (fFar - fNear));
    vFragMisc = vec4(depth, 1.0, 0.0, d < 1.0 ? 1.0 : 0.0);
}
