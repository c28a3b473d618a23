#version 330
// One shadow-casting point light: as the instanced point light, times the
// 4-tap cube shadow test of the dynamic cube and, for iStatic 1, of the
// light's static cube. mWorldViewMatrix takes view-space vectors into the
// light's frame; mShadowTextureMatrix turns them into cube lookups.
//
// The engine also builds copies of it. With VLM_DYNAMIC_ONLY, for lights
// that keep no static cube, the static cube's test is left out: a driver
// that shades pixels in lock-step would run its four taps for every pixel
// whatever iStatic says. With VLM_AMBIENT, for the first light of a frame
// without a direct light when its volume holds the camera, it also does
// the direct pass's work: it writes ambient and emission (vAmbientColor)
// where the light adds nothing and their sum with the light elsewhere,
// without blending, over the whole screen.
#include "shared/misc_block.glsl"
#include "shared/light_block.glsl"
uniform sampler2DArray GBufferMap;
uniform samplerCube ShadowMap;
uniform samplerCube StaticShadowMap;
uniform mat4 mWorldViewMatrix;
uniform mat4 mShadowTextureMatrix;
#ifdef VLM_AMBIENT
uniform vec4 vAmbientColor;
#endif
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

// The light the surface at `uv` sends back; false where it gets none: out
// of reach, or every tap in shadow.
bool PointLight(vec2 uv, out vec4 light)
{
    light = vec4(0.0);
    vec4 position = texture(GBufferMap, vec3(uv, 0.0));
    vec3 toLight = vLightPosition - position.xyz;
    float a = max(0.0, 1.0 - length(toLight / fLightRange));
    if (a <= 0.0) return false;
    vec3 inLight = (mWorldViewMatrix * vec4(-toLight, 0.0)).xyz;
    vec3 direction = (mShadowTextureMatrix * vec4(inLight, 0.0)).xyz;
    float z = max(abs(inLight.x), max(abs(inLight.y), abs(inLight.z)));
    float f = fLightRange, n = 0.01;
    float depth = ((f + n) / (f - n) - 2.0 * f * n / ((f - n) * z) + 1.0) * 0.5;
    float shadow = 1.0 - Occlusion(ShadowMap, direction, depth);
#ifndef VLM_DYNAMIC_ONLY
    if (iStatic == 1) shadow -= Occlusion(StaticShadowMap, direction, depth);
#endif
    if (shadow <= 0.0) return false;
    vec4 normal = texture(GBufferMap, vec3(uv, 1.0));
    vec4 diffuse = texture(GBufferMap, vec3(uv, 2.0));
    vec4 specular = texture(GBufferMap, vec3(uv, 3.0));
    vec3 N = normalize(normal.xyz);
    // A surface point at the light itself has no direction to it: lit face on.
    vec3 L = dot(toLight, toLight) > 0.0 ? normalize(toLight) : N;
    light = SurfaceLight(N, L, position, normal, diffuse, specular) * vec4(vLightColor, 1.0) * fLightIntensity * a * shadow;
    return true;
}

void main()
{
    vec2 uv = gl_FragCoord.xy / vMapSize;
#ifdef VLM_AMBIENT
    // As the direct pass without its light writes it (read as that pass
    // reads it), then as the blend would add the light to it.
    ivec2 texel = ivec2(uv * vec2(textureSize(GBufferMap, 0).xy));
    if (texelFetch(GBufferMap, ivec3(texel, 4), 0).a == 0.0) discard;
    vec4 diffuse = texelFetch(GBufferMap, ivec3(texel, 2), 0);
    vec4 colour = vec4(diffuse.rgb * vAmbientColor.rgb + diffuse.rgb * diffuse.a, 1.0);
    vec4 light;
    if (texture(GBufferMap, vec3(uv, 4.0)).a != 0.0 && PointLight(uv, light)) colour += light;
    vFragColor = colour;
#else
    // Where no geometry was drawn the layers hold the clear colour, not a surface.
    if (texture(GBufferMap, vec3(uv, 4.0)).a == 0.0) discard;
    vec4 light;
    if (!PointLight(uv, light)) discard;
    vFragColor = light;
#endif
}
