#version 330
// Gradient noise of the object-space position (period 32), brightening and
// darkening the texture: colour = texel * vColor * (0.5 + 0.5 noise).
in vec3 vNoisePosition;
in vec2 vUV;
uniform sampler2D ColorMap;
#include "shared/material_block.glsl"
layout(location = 0) out vec4 vFragColor;
const int kPermutation[32] = int[32](
    13, 7, 29, 2, 21, 16, 0, 26, 9, 31, 4, 18, 24, 11, 27, 6,
    19, 1, 14, 30, 8, 23, 3, 17, 28, 10, 5, 25, 12, 20, 15, 22);
// The twelve cube-edge directions, repeated to fill the table.
const vec3 kGradients[32] = vec3[32](
    vec3(1, 1, 0), vec3(-1, 1, 0), vec3(1, -1, 0), vec3(-1, -1, 0),
    vec3(1, 0, 1), vec3(-1, 0, 1), vec3(1, 0, -1), vec3(-1, 0, -1),
    vec3(0, 1, 1), vec3(0, -1, 1), vec3(0, 1, -1), vec3(0, -1, -1),
    vec3(1, 1, 0), vec3(-1, 1, 0), vec3(1, -1, 0), vec3(-1, -1, 0),
    vec3(1, 0, 1), vec3(-1, 0, 1), vec3(1, 0, -1), vec3(-1, 0, -1),
    vec3(0, 1, 1), vec3(0, -1, 1), vec3(0, 1, -1), vec3(0, -1, -1),
    vec3(1, 1, 0), vec3(0, -1, 1), vec3(-1, 1, 0), vec3(0, -1, -1),
    vec3(1, 0, 1), vec3(-1, 0, -1), vec3(0, 1, -1), vec3(1, -1, 0));
float Corner(ivec3 cell, vec3 offset)
{
    int hash = kPermutation[(kPermutation[(kPermutation[cell.x & 31] + cell.y) & 31] + cell.z) & 31];
    return dot(kGradients[hash], offset);
}
float Noise(vec3 p)
{
    vec3 base = floor(p);
    vec3 f = p - base;
    ivec3 cell = ivec3(base);
    // Corner weight (2x + 3) x^2 with x = -f: the smooth step 3f^2 - 2f^3.
    vec3 w = (3.0 - 2.0 * f) * f * f;
    float x00 = mix(Corner(cell, f), Corner(cell + ivec3(1, 0, 0), f - vec3(1, 0, 0)), w.x);
    float x10 = mix(Corner(cell + ivec3(0, 1, 0), f - vec3(0, 1, 0)), Corner(cell + ivec3(1, 1, 0), f - vec3(1, 1, 0)), w.x);
    float x01 = mix(Corner(cell + ivec3(0, 0, 1), f - vec3(0, 0, 1)), Corner(cell + ivec3(1, 0, 1), f - vec3(1, 0, 1)), w.x);
    float x11 = mix(Corner(cell + ivec3(0, 1, 1), f - vec3(0, 1, 1)), Corner(cell + ivec3(1, 1, 1), f - vec3(1, 1, 1)), w.x);
    return mix(mix(x00, x10, w.y), mix(x01, x11, w.y), w.z);
}
void main()
{
    float n = clamp(Noise(vNoisePosition), -1.0, 1.0);
    vFragColor = texture(ColorMap, vUV) * vColor * (0.5 + 0.5 * n);
}
