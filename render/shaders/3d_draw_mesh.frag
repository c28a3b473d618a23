#version 330
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
    vFragColor = vColor;
}
