#version 330
// Deferred: normal, specular and mask maps plus a cube reflection weighted
// by the mask's red channel (looked up with the view-space vector).
#include "shared/deferred_inputs.glsl"
uniform sampler2D ColorMap;
uniform sampler2D NormalMap;
uniform sampler2D SpecularMap;
uniform sampler2D MaskMap;
uniform samplerCube ReflectionCubeMap;
layout(std140) uniform Material
{
    vec4 vColor;
    float fIntensity;
    float fHardness;
    float fSurfaceScattering;
    float fReflection;
    vec4 vSpecularColor;
};
#include "shared/gbuffer_outputs.glsl"
#include "shared/tangent_frame.glsl"
void main()
{
    vec3 normal = normalize(TangentFrame(vViewNormal, vViewTangent) * (2.0 * texture(NormalMap, vUV).rgb - 1.0));
    vec4 specular = texture(SpecularMap, vUV);
    vec3 reflection = texture(ReflectionCubeMap, reflect(normalize(vViewPosition), normal)).rgb;
    vec3 diffuse = texture(ColorMap, vUV).rgb * vColor.rgb + reflection * texture(MaskMap, vUV).r * fReflection;
    vFragPosition = vec4(vViewPosition, fSurfaceScattering);
    vFragNormal = vec4(normal, fHardness);
    vFragDiffuse = vec4(diffuse, 1.0 - specular.a);
    vFragSpecular = vec4(specular.rgb, fIntensity);
    vFragMisc = vec4(0.0, 1.0, 0.0, 1.0);
}
