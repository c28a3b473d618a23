#version 330
// Deferred grass: both sides lit, the back side with the negated normal;
// fully transparent texels are cut out.
in vec3 vViewPosition;
in vec3 vViewNormal;
in vec2 vUV;
uniform sampler2D ColorMap;
uniform sampler2D SpecularMap;
#include "shared/material_block.glsl"
#include "shared/gbuffer_outputs.glsl"
void main()
{
    vec4 colour = texture(ColorMap, vUV);
    if (colour.a == 0.0)
        discard;
    vec3 normal = normalize(gl_FrontFacing ? vViewNormal : -vViewNormal);
    vec4 specular = texture(SpecularMap, vUV);
    vFragPosition = vec4(vViewPosition, fSurfaceScattering);
    vFragNormal = vec4(normal, fHardness);
    vFragDiffuse = vec4(colour.rgb * vColor.rgb, 1.0 - specular.a);
    vFragSpecular = vec4(specular.rgb, fIntensity);
    vFragMisc = vec4(0.0, 1.0, 0.0, 1.0);
}
