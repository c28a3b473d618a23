#version 330
// Full-screen passes: a quad in pixels through the screen matrix.
layout(location = 0) in vec4 vVertex;
layout(location = 2) in vec2 vTexCoord0;
#include "shared/projection_block.glsl"
out vec2 vUV;
void main()
{
    vUV = vTexCoord0;
    gl_Position = mScreenMatrix * vVertex;
}
