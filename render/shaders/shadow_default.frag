#version 330
// Depth only; fully transparent texels cast no shadow. The engine also
// builds it with VLM_OPAQUE, without the test, for colour maps that have
// no such texel: a program that can discard keeps a software rasteriser
// from writing depth before it has shaded every pixel.
in vec2 vUV;
uniform sampler2D ColorMap;
#include "shared/misc_block.glsl"
void main()
{
#ifndef VLM_OPAQUE
    if (texture(ColorMap, vUV).a == 0.0)
        discard;
#endif
}
