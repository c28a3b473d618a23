#version 330
// Camera-facing particle quad: the corner is rotated by fRotation, scaled
// by fSize and added to the particle's view-space position.
layout(location = 0) in vec4 vVertex;
layout(location = 2) in vec2 vTexCoord0;
layout(location = 4) in vec4 vColor;
layout(location = 7) in vec4 vPosition;
layout(location = 8) in float fSize;
layout(location = 9) in float fRotation;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
#include "shared/misc_block.glsl"
out vec2 vUV;
out vec4 vParticleColor;
out float vDepth;
void main()
{
    float c = cos(fRotation);
    float s = sin(fRotation);
    vec2 corner = vec2(c * vVertex.x - s * vVertex.y, s * vVertex.x + c * vVertex.y) * fSize;
    vec4 position = mModelViewMatrix * vPosition + vec4(corner, 0.0, 0.0);
    vUV = vTexCoord0;
    vParticleColor = vColor;
    vDepth = -position.z / fFar;
    gl_Position = mProjectionMatrix * position;
}
