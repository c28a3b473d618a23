#version 330
// Deferred parallax mapping with a specular map: texture coordinates as in
// the parallax program, specular and emission as in the specular-map program.
#include "shared/deferred_inputs.glsl"
uniform sampler2D ColorMap;
uniform sampler2D NormalMap;
uniform sampler2D SpecularMap;
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
    vec4 specular = texture(SpecularMap, uv);
    vFragDiffuse = vec4(texture(ColorMap, uv).rgb * vColor.rgb, 1.0 - specular.a);
    vFragSpecular = vec4(specular.rgb, fIntensity);
    vFragMisc = vec4(0.0, 1.0, 0.0, 1.0);
}
