#version 330
// The mask's red channel, at the second texture coordinate, cuts the alpha.
in vec2 vUV;
in vec2 vMaskUV;
uniform sampler2D ColorMap;
uniform sampler2D MaskMap;
uniform vec4 vColor;
layout(location = 0) out vec4 vFragColor;
void main()
{
    vec4 colour = texture(ColorMap, vUV) * vColor;
    colour.a *= texture(MaskMap, vMaskUV).r;
    vFragColor = colour;
}
