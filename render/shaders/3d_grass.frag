#version 330
// Deferred grass: both sides lit, the back side with the negated normal;
// fully transparent texels are cut out.
in vec3 vViewPosition;
in vec3 vViewNormal;
in vec2 vUV;
uniform sampler2D ColorMap;
uniform sampler2D SpecularMap;
layout(std140) uniform Material
{
    vec4 vColor;
    float fIntensity;
    float fHardness;
    float fSurfaceScattering;
    float fEmission;
    vec4 vSpecularColor;
};
layout(location = 0) out vec4 vFragPosition;
layout(location = 1) out vec4 vFragNormal;
layout(location = 2) out vec4 vFragDiffuse;
layout(location = 3) out vec4 vFragSpecular;
layout(location = 4) out vec4 vFragMisc;
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
