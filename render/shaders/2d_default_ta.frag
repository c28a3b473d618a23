#version 330
in vec2 vUV;
uniform sampler2DArray ColorMap;
uniform float fIndex;
uniform vec4 vColor;
layout(location = 0) out vec4 vFragColor;
void main()
{
    vFragColor = vec4(texture(ColorMap, vec3(vUV, fIndex)).rgb * vColor.rgb, 1.0);
}
