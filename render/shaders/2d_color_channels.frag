#version 330
// Colour channels only: the texture's alpha is ignored.
in vec2 vUV;
uniform sampler2D ColorMap;
uniform vec4 vColor;
layout(location = 0) out vec4 vFragColor;
void main()
{
    vFragColor = vec4(texture(ColorMap, vUV).rgb * vColor.rgb, 1.0);
}
