#version 330
// Hidden behind the scene's depth.
in vec2 vUV;
in vec4 vParticleColor;
uniform sampler2D DepthMap;
uniform sampler2D ColorMap;
#include "shared/misc_block.glsl"
layout(location = 0) out vec4 vFragColor;
void main()
{
    if (gl_FragCoord.z > texture(DepthMap, gl_FragCoord.xy / vMapSize).r)
        discard;
    vFragColor = texture(ColorMap, vUV) * vParticleColor;
}
