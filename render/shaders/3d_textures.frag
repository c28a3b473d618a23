#version 330
in vec2 vUV;
uniform sampler2D ColorMap;
layout(std140) uniform Material
{
    vec4 vColor;
    float fIntensity;
    float fHardness;
    float fSurfaceScattering;
    float fEmission;
    vec4 vSpecularColor;
};
layout(location = 0) out vec4 vFragColor;
void main()
{
    vFragColor = texture(ColorMap, vUV) * vColor;
}
