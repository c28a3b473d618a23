#version 330
// Frosted panel: the screen behind the element, blurred along
// (fUShift, fVShift) with 11 taps, and again at half the spacing; the two
// blurs are mixed 0.8 : 1.0. The mask's red channel is the alpha.
in vec2 vUV;
uniform sampler2D ColorMap;
uniform sampler2D MaskMap;
uniform vec4 vColor;
uniform float fUShift;
uniform float fVShift;
#include "shared/misc_block.glsl"
layout(location = 0) out vec4 vFragColor;
const float kWeights[6] = float[6](0.1750, 0.1550, 0.1250, 0.1000, 0.0600, 0.0380);
vec3 Blur(vec2 at, vec2 step)
{
    vec3 sum = texture(ColorMap, at).rgb * kWeights[0];
    for (int k = 1; k < 6; ++k)
        sum += (texture(ColorMap, at + float(k) * step).rgb + texture(ColorMap, at - float(k) * step).rgb) * kWeights[k];
    return sum / 1.131;
}
void main()
{
    vec2 screen = gl_FragCoord.xy / vMapSize;
    vec2 step = vec2(fUShift, fVShift);
    vec3 colour = (0.8 * Blur(screen, step) + 1.0 * Blur(screen, 0.5 * step)) / 1.8;
    vFragColor = vec4(colour, texture(MaskMap, vUV).r) * vColor;
}
