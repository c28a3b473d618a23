#version 330
layout(location = 0) in vec4 vVertex;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
void main()
{
    gl_Position = mProjectionMatrix * mModelViewMatrix * vVertex;
}
