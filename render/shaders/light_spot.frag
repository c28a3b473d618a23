#version 330
// One spot light: a point light narrowed to a cone around vLightDirection.
// Each of the five maps is the G-buffer array, read at its own layer.
#include "shared/misc_block.glsl"
#include "shared/light_block.glsl"
uniform sampler2DArray PositionMap;
uniform sampler2DArray NormalMap;
uniform sampler2DArray DiffuseMap;
uniform sampler2DArray SpecularMap;
uniform sampler2DArray MiscMap;
layout(location = 0) out vec4 vFragColor;
#include "shared/surface_light.glsl"
#ifdef VLM_SHADOWED
// The engine's copy for a spot that casts shadows: the 4-tap test against
// the depth map of its view along the axis. mViewToShadowMatrix takes
// view-space points into that view's clip space.
uniform sampler2D ShadowMap;
uniform mat4 mViewToShadowMatrix;
#include "shared/shadow_taps.glsl"
#endif
void main()
{
    vec2 uv = gl_FragCoord.xy / vMapSize;
    if (texture(MiscMap, vec3(uv, 4.0)).a == 0.0) discard;
    vec4 position = texture(PositionMap, vec3(uv, 0.0));
    vec3 v = (vLightPosition - position.xyz) / fLightRange;
    float a = max(0.0, 1.0 - length(v));
    // A surface point at the light itself has no direction to it: on the axis.
    vec3 toSurface = dot(v, v) > 0.0 ? -normalize(v) : vLightDirection;
    a *= max(0.0, 1.0 - acos(clamp(dot(vLightDirection, toSurface), -1.0, 1.0)) * fConeAngle);
    if (a <= 0.0) discard;
#ifdef VLM_SHADOWED
    vec4 p = mViewToShadowMatrix * vec4(position.xyz, 1.0);
    if (p.w > 0.0) a *= MapVisibility(ShadowMap, p.xyz / p.w * 0.5 + 0.5);
    if (a <= 0.0) discard;
#endif
    vec4 normal = texture(NormalMap, vec3(uv, 1.0));
    vec4 diffuse = texture(DiffuseMap, vec3(uv, 2.0));
    vec4 specular = texture(SpecularMap, vec3(uv, 3.0));
    vec3 N = normalize(normal.xyz);
    vec3 L = -toSurface;
    vFragColor = SurfaceLight(N, L, position, normal, diffuse, specular) * vec4(vLightColor, 1.0) * fLightIntensity * a;
}
