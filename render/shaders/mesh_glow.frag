#version 330
// Rim glow: x grows where the shell turns away from the eye (1 - cosine of
// the angle between view direction and normal, times fIntensity); the
// colour peaks at x = 0.5 and falls off with fHardness. Hidden behind the
// scene's depth.
in vec3 vViewPosition;
in vec3 vViewNormal;
uniform sampler2D DepthMap;
#include "shared/misc_block.glsl"
#include "shared/material_block.glsl"
layout(location = 0) out vec4 vFragColor;
void main()
{
    if (gl_FragCoord.z > texture(DepthMap, gl_FragCoord.xy / vMapSize).r)
        discard;
    float cosine = dot(normalize(-vViewPosition), normalize(vViewNormal));
    float x = clamp(abs((1.0 - cosine) * fIntensity), 0.0, 1.0);
    vFragColor = vColor * pow(1.0 - abs(x - 0.5), fHardness);
}
