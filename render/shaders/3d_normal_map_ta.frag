#version 330
// Deferred normal map on texture arrays; the layer comes with the vertex.
in vec3 vViewPosition;
in vec3 vViewNormal;
in vec3 vViewTangent;
in vec3 vUVLayer;
uniform sampler2DArray ColorMap;
uniform sampler2DArray NormalMap;
#include "shared/material_block.glsl"
#include "shared/gbuffer_outputs.glsl"
#include "shared/tangent_frame.glsl"
void main()
{
    vec3 normal = normalize(TangentFrame(vViewNormal, vViewTangent) * (2.0 * texture(NormalMap, vUVLayer).rgb - 1.0));
    vFragPosition = vec4(vViewPosition, fSurfaceScattering);
    vFragNormal = vec4(normal, fHardness);
    vFragDiffuse = vec4(texture(ColorMap, vUVLayer).rgb * vColor.rgb, fEmission);
    vFragSpecular = vec4(vSpecularColor.rgb, fIntensity);
    vFragMisc = vec4(0.0, 1.0, 0.0, 1.0);
}
