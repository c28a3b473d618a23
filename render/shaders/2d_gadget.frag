#version 330
in vec2 vUV;
in vec4 vVertexColor;
uniform sampler2D ColorMap;
layout(location = 0) out vec4 vFragColor;
void main()
{
    vFragColor = texture(ColorMap, vUV) * vVertexColor;
}
