#version 330
// Point lights without shadow, one instance per light: the unit icosphere
// scaled by the instance's model-view matrix.
layout(location = 0) in vec4 vVertex;
layout(location = 7) in mat4 mInstanceModelView;
layout(location = 11) in vec3 vInstancePosition;
layout(location = 12) in float fInstanceRange;
layout(location = 13) in vec3 vInstanceColor;
layout(location = 14) in float fInstanceIntensity;
#include "shared/projection_block.glsl"
flat out vec3 vLightPosition;
flat out float fLightRange;
flat out vec3 vLightColor;
flat out float fLightIntensity;
void main()
{
    vLightPosition = vInstancePosition;
    fLightRange = fInstanceRange;
    vLightColor = vInstanceColor;
    fLightIntensity = fInstanceIntensity;
    gl_Position = mProjectionMatrix * (mInstanceModelView * vVertex);
}
