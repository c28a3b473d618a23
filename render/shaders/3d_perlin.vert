#version 330
layout(location = 0) in vec4 vVertex;
layout(location = 2) in vec2 vTexCoord0;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
out vec3 vNoisePosition;
out vec2 vUV;
void main()
{
    vNoisePosition = vVertex.xyz;
    vUV = vTexCoord0;
    gl_Position = mProjectionMatrix * mModelViewMatrix * vVertex;
}
