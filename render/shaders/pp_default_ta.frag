#version 330
// Copy of layer fIndex.
in vec2 vUV;
uniform sampler2DArray ColorMap;
uniform float fIndex;
layout(location = 0) out vec4 vFragColor;
void main()
{
    vFragColor = texture(ColorMap, vec3(vUV, fIndex));
}
