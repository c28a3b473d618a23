#version 330
// Specular glint of a fixed light (0, 0, 1) in tangent space on the normal
// map, exponent fHardness * 0.2; half transparent.
#include "shared/deferred_inputs.glsl"
uniform sampler2D NormalMap;
#include "shared/material_block.glsl"
layout(location = 0) out vec4 vFragColor;
#include "shared/tangent_frame.glsl"
void main()
{
    mat3 tbn = TangentFrame(vViewNormal, vViewTangent);
    vec3 normal = normalize(2.0 * texture(NormalMap, vUV).rgb - 1.0);
    vec3 eye = normalize(transpose(tbn) * -vViewPosition);
    float specular = pow(max(dot(reflect(vec3(0.0, 0.0, -1.0), normal), eye), 0.0), fHardness * 0.2);
    vec4 colour = vColor * specular;
    colour.a *= 0.5;
    vFragColor = colour;
}
