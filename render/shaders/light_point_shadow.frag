#version 330
// One shadow-casting point light: as the instanced point light, times the
// 4-tap cube shadow test of the dynamic cube and, for iStatic 1, of the
// light's static cube. mWorldViewMatrix takes view-space vectors into the
// light's frame; mShadowTextureMatrix turns them into cube lookups.
#include "shared/misc_block.glsl"
#include "shared/light_block.glsl"
uniform sampler2DArray GBufferMap;
uniform samplerCube ShadowMap;
uniform samplerCube StaticShadowMap;
uniform mat4 mWorldViewMatrix;
uniform mat4 mShadowTextureMatrix;
layout(location = 0) out vec4 vFragColor;
#include "shared/surface_light.glsl"

#include "shared/shadow_taps.glsl"

// 0.25 for every tap that finds something nearer to the light.
float Occlusion(samplerCube map, vec3 direction, float depth)
{
    float occlusion = 0.0;
    for (int i = 0; i < 4; ++i)
    {
        vec3 offset = vec3(kTaps[i].x, kTaps[i].y, kTaps[i].x) * depth;
        if (texture(map, direction + offset).r < depth) occlusion += 0.25;
    }
    return occlusion;
}

void main()
{
    vec2 uv = gl_FragCoord.xy / vMapSize;
    // Where no geometry was drawn the layers hold the clear colour, not a surface.
    if (texture(GBufferMap, vec3(uv, 4.0)).a == 0.0) discard;
    vec4 position = texture(GBufferMap, vec3(uv, 0.0));
    vec3 toLight = vLightPosition - position.xyz;
    float a = max(0.0, 1.0 - length(toLight / fLightRange));
    if (a <= 0.0) discard;
    vec3 inLight = (mWorldViewMatrix * vec4(-toLight, 0.0)).xyz;
    vec3 direction = (mShadowTextureMatrix * vec4(inLight, 0.0)).xyz;
    float z = max(abs(inLight.x), max(abs(inLight.y), abs(inLight.z)));
    float f = fLightRange, n = 0.01;
    float depth = ((f + n) / (f - n) - 2.0 * f * n / ((f - n) * z) + 1.0) * 0.5;
    float shadow = 1.0 - Occlusion(ShadowMap, direction, depth);
    if (iStatic == 1) shadow -= Occlusion(StaticShadowMap, direction, depth);
    if (shadow <= 0.0) discard;
    vec4 normal = texture(GBufferMap, vec3(uv, 1.0));
    vec4 diffuse = texture(GBufferMap, vec3(uv, 2.0));
    vec4 specular = texture(GBufferMap, vec3(uv, 3.0));
    vec3 N = normalize(normal.xyz);
    // A surface point at the light itself has no direction to it: lit face on.
    vec3 L = dot(toLight, toLight) > 0.0 ? normalize(toLight) : N;
    vFragColor = SurfaceLight(N, L, position, normal, diffuse, specular) * vec4(vLightColor, 1.0) * fLightIntensity * a * shadow;
}
