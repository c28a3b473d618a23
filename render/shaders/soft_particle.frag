#version 330
// Fades out where the particle nears the scene behind it: alpha times
// clamp((scene depth - particle depth) fBlend, 0, 1), both linear depths
// (G-buffer layer 4 red).
in vec2 vUV;
in vec4 vParticleColor;
in float vDepth;
uniform sampler2DArray DepthMap;
uniform sampler2D ColorMap;
uniform float fBlend;
#include "shared/misc_block.glsl"
layout(location = 0) out vec4 vFragColor;
void main()
{
    float scene = texture(DepthMap, vec3(gl_FragCoord.xy / vMapSize, 4.0)).r;
    vec4 colour = texture(ColorMap, vUV) * vParticleColor;
    colour.a *= clamp((scene - vDepth) * fBlend, 0.0, 1.0);
    vFragColor = colour;
}
