#version 330
// Depth only; fully transparent texels cast no shadow.
in vec2 vUV;
uniform sampler2D ColorMap;
layout(std140) uniform Misc
{
    vec2 vMapSize;
    float fNear;
    float fFar;
};
void main()
{
    if (texture(ColorMap, vUV).a == 0.0)
        discard;
}
