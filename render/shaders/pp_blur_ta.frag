#version 330
// 11-tap blur of layer fIndex along vShift, brightened by 1.25.
in vec2 vUV;
uniform sampler2DArray ColorMap;
uniform float fIndex;
uniform vec2 vShift;
layout(location = 0) out vec4 vFragColor;
const float kWeights[6] = float[6](0.1750, 0.1550, 0.1250, 0.1000, 0.0600, 0.0380);
void main()
{
    vec4 sum = texture(ColorMap, vec3(vUV, fIndex)) * kWeights[0];
    for (int k = 1; k < 6; ++k)
        sum += (texture(ColorMap, vec3(vUV + float(k) * vShift, fIndex)) + texture(ColorMap, vec3(vUV - float(k) * vShift, fIndex))) * kWeights[k];
    vFragColor = sum * 1.25;
}
