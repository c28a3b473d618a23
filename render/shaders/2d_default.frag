#version 330
in vec2 vUV;
uniform sampler2D ColorMap;
uniform vec4 vColor;
layout(location = 0) out vec4 vFragColor;
void main()
{
    vFragColor = texture(ColorMap, vUV) * vColor;
}
