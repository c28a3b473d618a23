#version 330
layout(location = 0) in vec4 vVertex;
layout(location = 4) in vec4 vColor;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
out vec4 vVertexColor;
void main()
{
    vVertexColor = vColor;
    gl_Position = mProjectionMatrix * mModelViewMatrix * vVertex;
}
