#version 330
// Gamma: rgb^(1 / fGamma), alpha kept.
in vec2 vUV;
uniform sampler2D ColorMap;
uniform float fGamma;
layout(location = 0) out vec4 vFragColor;
void main()
{
    vec4 colour = texture(ColorMap, vUV);
    vFragColor = vec4(pow(max(colour.rgb, vec3(0.0)), vec3(1.0 / fGamma)), colour.a);
}
