#version 330
// Hidden behind the scene's depth; fully transparent texels are cut out.
in vec2 vUV;
uniform sampler2D ColorMap;
uniform sampler2D DepthMap;
#include "shared/misc_block.glsl"
layout(location = 0) out vec4 vFragColor;
void main()
{
    if (gl_FragCoord.z > texture(DepthMap, gl_FragCoord.xy / vMapSize).r)
        discard;
    vec4 colour = texture(ColorMap, vUV);
    if (colour.a == 0.0)
        discard;
    vFragColor = colour;
}
