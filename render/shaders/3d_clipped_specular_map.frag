#version 330
// Deferred specular map on a clipped part of the textures: the material's
// specular colour holds the texture-coordinate scale (b, a) and offset (r, g).
#include "shared/deferred_inputs.glsl"
uniform sampler2D ColorMap;
uniform sampler2D NormalMap;
uniform sampler2D SpecularMap;
#include "shared/material_block.glsl"
#include "shared/gbuffer_outputs.glsl"
#include "shared/tangent_frame.glsl"
void main()
{
    vec2 uv = vec2(vUV.x * vSpecularColor.b + vSpecularColor.r, vUV.y * vSpecularColor.a + vSpecularColor.g);
    vec3 normal = normalize(TangentFrame(vViewNormal, vViewTangent) * (2.0 * texture(NormalMap, uv).rgb - 1.0));
    vec4 specular = texture(SpecularMap, uv);
    vFragPosition = vec4(vViewPosition, fSurfaceScattering);
    vFragNormal = vec4(normal, fHardness);
    vFragDiffuse = vec4(texture(ColorMap, uv).rgb * vColor.rgb, 1.0 - specular.a);
    vFragSpecular = vec4(specular.rgb, fIntensity);
    vFragMisc = vec4(0.0, 1.0, 0.0, 1.0);
}
