#version 330
layout(location = 0) in vec4 vVertex;
layout(location = 2) in vec2 vTexCoord0;
layout(location = 4) in vec4 vColor;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
out vec2 vUV;
out vec4 vVertexColor;
void main()
{
    vUV = vTexCoord0;
    vVertexColor = vColor;
    gl_Position = mScreenMatrix * mModelViewMatrix * vVertex;
}
