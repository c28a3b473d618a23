#version 330
// Deferred parallax mapping: the height in the normal map's alpha
// (scaled by fScale, shifted by fBias) moves the texture coordinates along
// the tangent-space view direction; then as the normal-map program.
#include "shared/deferred_inputs.glsl"
uniform sampler2D ColorMap;
uniform sampler2D NormalMap;
uniform float fScale;
uniform float fBias;
#include "shared/material_block.glsl"
#include "shared/gbuffer_outputs.glsl"
#include "shared/tangent_frame.glsl"
#include "shared/parallax.glsl"
void main()
{
    mat3 tbn = TangentFrame(vViewNormal, vViewTangent);
    vec2 uv = ParallaxUV(tbn);
    vec3 normal = normalize(tbn * (2.0 * texture(NormalMap, uv).rgb - 1.0));
    vFragPosition = vec4(vViewPosition, fSurfaceScattering);
    vFragNormal = vec4(normal, fHardness);
    vFragDiffuse = vec4(texture(ColorMap, uv).rgb * vColor.rgb, fEmission);
    vFragSpecular = vec4(vSpecularColor.rgb, fIntensity);
    vFragMisc = vec4(0.0, 1.0, 0.0, 1.0);
}
