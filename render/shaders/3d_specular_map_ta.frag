#version 330
// Deferred normal and specular maps on texture arrays.
in vec3 vViewPosition;
in vec3 vViewNormal;
in vec3 vViewTangent;
in vec3 vUVLayer;
uniform sampler2DArray ColorMap;
uniform sampler2DArray NormalMap;
uniform sampler2DArray SpecularMap;
#include "shared/material_block.glsl"
#include "shared/gbuffer_outputs.glsl"
#include "shared/tangent_frame.glsl"
void main()
{
    vec3 normal = normalize(TangentFrame(vViewNormal, vViewTangent) * (2.0 * texture(NormalMap, vUVLayer).rgb - 1.0));
    vec4 specular = texture(SpecularMap, vUVLayer);
    vFragPosition = vec4(vViewPosition, fSurfaceScattering);
    vFragNormal = vec4(normal, fHardness);
    vFragDiffuse = vec4(texture(ColorMap, vUVLayer).rgb * vColor.rgb, 1.0 - specular.a);
    vFragSpecular = vec4(specular.rgb, fIntensity);
    vFragMisc = vec4(0.0, 1.0, 0.0, 1.0);
}
