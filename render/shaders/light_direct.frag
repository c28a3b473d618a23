#version 330
// Direct light and ambient term over the whole G-buffer. iLightState: 0 off,
// 1 lit, above 1 lit with the 4-tap directional shadow test. The engine also
// builds it without the shadow test and, for frames without a direct light,
// with ambient and emission alone.
#include "shared/misc_block.glsl"
uniform sampler2DArray GBufferMap;
uniform sampler2D ShadowMap;
uniform vec4 vAmbientColor;
uniform int iLightState;
uniform vec3 vLightDirection;
uniform vec3 vLightColor;
uniform float fLightIntensity;
uniform mat4 mWorldToLightViewMatrix;
uniform mat4 mLightViewToProjectionMatrix;
// inverse(mWorldToCameraViewMatrix), the same for every fragment: the
// vertex stage works it out once per corner.
flat in mat4 mCameraViewToWorld;
layout(location = 0) out vec4 vFragColor;

#include "shared/shadow_taps.glsl"
#include "shared/surface_light.glsl"

float DirectionalShadow(vec3 position)
{
    vec4 world = mCameraViewToWorld * vec4(position, 1.0);
    vec4 p = mLightViewToProjectionMatrix * (mWorldToLightViewMatrix * world);
    return MapVisibility(ShadowMap, p.xyz / p.w * 0.5 + 0.5);
}

void main()
{
    // The texel under the fragment, read without filtering: at a texel's
    // centre the linear filter returns that texel alone anyway.
    ivec2 texel = ivec2(gl_FragCoord.xy / vMapSize * vec2(textureSize(GBufferMap, 0).xy));
    if (texelFetch(GBufferMap, ivec3(texel, 4), 0).a == 0.0) discard;
    vec4 diffuse = texelFetch(GBufferMap, ivec3(texel, 2), 0);
    vec3 colour = diffuse.rgb * vAmbientColor.rgb + diffuse.rgb * diffuse.a;
#ifndef VLM_UNLIT
    if (iLightState > 0)
    {
        vec4 position = texelFetch(GBufferMap, ivec3(texel, 0), 0);
        vec4 normal = texelFetch(GBufferMap, ivec3(texel, 1), 0);
        vec4 specular = texelFetch(GBufferMap, ivec3(texel, 3), 0);
        vec3 N = normalize(normal.xyz);
        vec3 L = normalize(-vLightDirection);
#ifdef VLM_UNSHADOWED
        float shadow = 1.0;  // the engine's copy for frames without the shadow
#else
        float shadow = iLightState > 1 ? DirectionalShadow(position.xyz) : 1.0;
#endif
        colour += SurfaceLight(N, L, position, normal, diffuse, specular).rgb * vLightColor * fLightIntensity * shadow;
    }
#endif
    vFragColor = vec4(colour, 1.0);
}
