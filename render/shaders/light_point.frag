#version 330
// One point light over the G-buffer, fading linearly to 0 at its range.
#include "shared/misc_block.glsl"
uniform sampler2DArray GBufferMap;
flat in vec3 vLightPosition;
flat in float fLightRange;
flat in vec3 vLightColor;
flat in float fLightIntensity;
layout(location = 0) out vec4 vFragColor;
#include "shared/surface_light.glsl"
void main()
{
    ivec2 texel = ivec2(gl_FragCoord.xy / vMapSize * vec2(textureSize(GBufferMap, 0).xy));
    // Where no geometry was drawn the layers hold the clear colour, not a surface.
    if (texelFetch(GBufferMap, ivec3(texel, 4), 0).a == 0.0) discard;
    vec4 position = texelFetch(GBufferMap, ivec3(texel, 0), 0);
    vec3 toLight = vLightPosition - position.xyz;
    float a = max(0.0, 1.0 - length(toLight / fLightRange));
    if (a <= 0.0) discard;
    vec4 normal = texelFetch(GBufferMap, ivec3(texel, 1), 0);
    vec4 diffuse = texelFetch(GBufferMap, ivec3(texel, 2), 0);
    vec4 specular = texelFetch(GBufferMap, ivec3(texel, 3), 0);
    vec3 N = normalize(normal.xyz);
    // A surface point at the light itself has no direction to it: lit face on.
    vec3 L = dot(toLight, toLight) > 0.0 ? normalize(toLight) : N;
    vFragColor = SurfaceLight(N, L, position, normal, diffuse, specular) * vec4(vLightColor, 1.0) * fLightIntensity * a;
}
