#version 330
// Depth only; fully transparent texels cast no shadow (VLM_OPAQUE: the
// engine's copy for colour maps without such texels, as shadow_default.frag).
in vec2 vUV;
uniform sampler2D ColorMap;
void main()
{
#ifndef VLM_OPAQUE
    if (texture(ColorMap, vUV).a == 0.0)
        discard;
#endif
}
