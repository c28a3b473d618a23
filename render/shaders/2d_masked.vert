#version 330
layout(location = 0) in vec4 vVertex;
layout(location = 2) in vec2 vTexCoord0;
layout(location = 3) in vec2 vTexCoord1;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
out vec2 vUV;
out vec2 vMaskUV;
void main()
{
    vUV = vTexCoord0;
    vMaskUV = vTexCoord1;
    gl_Position = mScreenMatrix * mModelViewMatrix * vVertex;
}
