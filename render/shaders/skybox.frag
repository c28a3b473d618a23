#version 330
// Cube lookup of (x, y, -z); hidden where geometry was drawn (G-buffer
// layer 4, alpha 1).
in vec3 vDirection;
uniform samplerCube ColorCubeMap;
uniform sampler2DArray MaskMap;
uniform vec4 vColor;
#include "shared/misc_block.glsl"
layout(location = 0) out vec4 vFragColor;
void main()
{
    if (texture(MaskMap, vec3(gl_FragCoord.xy / vMapSize, 4.0)).a == 1.0)
        discard;
    vFragColor = texture(ColorCubeMap, vec3(vDirection.x, vDirection.y, -vDirection.z)) * vColor;
}
