// The Material block as the deferred and forward programs read it
// (binding 2; byte layout in render/uniform_buffers.h).
// Stages include this file whole; see tools/embed_shaders.cmake.

layout(std140) uniform Material
{
    vec4 vColor;
    float fIntensity;
    float fHardness;
    float fSurfaceScattering;
    float fEmission;
    vec4 vSpecularColor;
};
