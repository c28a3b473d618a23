#version 330
// 2D: pixel coordinates, placed by the model-view matrix.
layout(location = 0) in vec4 vVertex;
layout(location = 2) in vec2 vTexCoord0;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
out vec2 vUV;
void main()
{
    vUV = vTexCoord0;
    gl_Position = mScreenMatrix * mModelViewMatrix * vVertex;
}
