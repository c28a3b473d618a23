#version 330
// Deferred glass: the lit scene of the previous frame (G-buffer layer fIndex,
// 6 for the lit colour) seen through the surface, shifted by the normal map
// (scrolled by vOffset), nearer surfaces bending more; plus a cube reflection.
// Written as emission, as the refracted colour is already lit.
#include "shared/deferred_inputs.glsl"
uniform sampler2DArray ColorMap;
uniform sampler2D NormalMap;
uniform sampler2D SpecularMap;
uniform samplerCube ReflectionCubeMap;
uniform float fIndex;
uniform vec2 vOffset;
#include "shared/misc_block.glsl"
layout(std140) uniform Material
{
    vec4 vColor;
    float fIntensity;
    float fHardness;
    float fRefraction;
    float fReflection;
    vec4 vSpecularColor;
};
#include "shared/gbuffer_outputs.glsl"
#include "shared/tangent_frame.glsl"
void main()
{
    vec2 uv = vUV + vOffset;
    vec3 normal = normalize(TangentFrame(vViewNormal, vViewTangent) * (2.0 * texture(NormalMap, uv).rgb - 1.0));
    vec2 screen = gl_FragCoord.xy / vMapSize + normal.xz * gl_FragCoord.w * fRefraction;
    vec3 refraction = texture(ColorMap, vec3(screen, fIndex)).rgb * vColor.rgb;
    vec3 reflection = texture(ReflectionCubeMap, reflect(normalize(vViewPosition), normal)).rgb * fReflection;
    vFragPosition = vec4(vViewPosition, 0.0);
    vFragNormal = vec4(normal, fHardness);
    vFragDiffuse = vec4(refraction + reflection, 1.0);
    vFragSpecular = vec4(texture(SpecularMap, uv).rgb, fIntensity);
    vFragMisc = vec4(0.0, 1.0, 0.0, 1.0);
}
