#version 330
uniform vec4 vColor;
layout(location = 0) out vec4 vFragColor;
void main()
{
    vFragColor = vColor;
}
