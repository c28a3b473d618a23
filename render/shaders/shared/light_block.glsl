// The Light block (binding 3) of the lights drawn one by one.
// Stages include this file whole; see tools/embed_shaders.cmake.

layout(std140) uniform Light
{
    vec3 vLightPosition;
    float fLightRange;
    vec3 vLightColor;
    float fLightIntensity;
    vec3 vLightDirection;
    float fConeAngle;
    int iStatic;
};
