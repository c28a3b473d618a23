#version 330
#include "shared/material_block.glsl"
layout(location = 0) out vec4 vFragColor;
void main()
{
    vFragColor = vColor;
}
