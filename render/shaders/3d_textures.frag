#version 330
in vec2 vUV;
uniform sampler2D ColorMap;
#include "shared/material_block.glsl"
layout(location = 0) out vec4 vFragColor;
void main()
{
    vFragColor = texture(ColorMap, vUV) * vColor;
}
