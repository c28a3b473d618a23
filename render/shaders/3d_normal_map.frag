#version 330
// Deferred: tangent-space normal map, material specular colour.
#include "shared/deferred_inputs.glsl"
uniform sampler2D ColorMap;
uniform sampler2D NormalMap;
#include "shared/material_block.glsl"
#include "shared/gbuffer_outputs.glsl"
#include "shared/tangent_frame.glsl"
void main()
{
    vec3 normal = normalize(TangentFrame(vViewNormal, vViewTangent) * (2.0 * texture(NormalMap, vUV).rgb - 1.0));
    vFragPosition = vec4(vViewPosition, fSurfaceScattering);
    vFragNormal = vec4(normal, fHardness);
    vFragDiffuse = vec4(texture(ColorMap, vUV).rgb * vColor.rgb, fEmission);
    vFragSpecular = vec4(vSpecularColor.rgb, fIntensity);
    vFragMisc = vec4(0.0, 1.0, 0.0, 1.0);
}
