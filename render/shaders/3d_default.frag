#version 330
// Head light at (0, 5, 5) in view space; at least 0.1 of it everywhere.
in vec3 vViewPosition;
in vec3 vViewNormal;
#include "shared/material_block.glsl"
layout(location = 0) out vec4 vFragColor;
void main()
{
    float l = max(0.1, dot(normalize(vViewNormal), normalize(vec3(0.0, 5.0, 5.0) - vViewPosition)));
    vFragColor = vec4(vColor.rgb * l + (1.0 - l) * vColor.rgb * 0.25, vColor.a);
}
