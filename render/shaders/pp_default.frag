#version 330
// Copy.
in vec2 vUV;
uniform sampler2D ColorMap;
layout(location = 0) out vec4 vFragColor;
void main()
{
    vFragColor = texture(ColorMap, vUV);
}
