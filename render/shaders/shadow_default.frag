#version 330
// Depth only; fully transparent texels cast no shadow.
in vec2 vUV;
uniform sampler2D ColorMap;
#include "shared/misc_block.glsl"
void main()
{
    if (texture(ColorMap, vUV).a == 0.0)
        discard;
}
