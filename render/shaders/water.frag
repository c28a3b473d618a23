#version 330
// Water surface, drawn after lighting. Hidden where the scene's depth is
// nearer. The normal is the sum of two normal maps scrolling against each
// other (+vOffset, -2 vOffset). The lit scene (G-buffer layer 6) is seen
// through it, bent by the normal, and fogged towards the water colour by the
// water depth below the surface (layer 4 holds linear scene depth). On top:
// a specular highlight of the light direction and a reflection, traced in
// view space for at most 16 steps of 0.075 against layer 0 (view-space
// positions), with the cube map where the trace finds nothing.
#include "shared/deferred_inputs.glsl"
uniform sampler2DArray GBufferMap;
uniform sampler2D DepthMap;
uniform sampler2D NormalMapA;
uniform sampler2D NormalMapB;
uniform samplerCube ReflectionCubeMap;
uniform vec2 vOffset;
uniform float fFogDepth;
uniform vec3 vLightDir;
#include "shared/projection_block.glsl"
#include "shared/misc_block.glsl"
layout(std140) uniform Material
{
    vec4 vWaterColor;
    float fIntensity;
    float fHardness;
    float fRefraction;
    float fReflection;
    vec4 vSpecularColor;
};
layout(location = 0) out vec4 vFragColor;
#include "shared/tangent_frame.glsl"
#include "shared/screen_behind.glsl"
void main()
{
    vec2 screen = VisibleScreenPosition();
    vec3 bump = normalize((2.0 * texture(NormalMapA, vUV + vOffset).rgb - 1.0) +
                          (2.0 * texture(NormalMapB, vUV - 2.0 * vOffset).rgb - 1.0));
    vec3 normal = normalize(TangentFrame(vViewNormal, vViewTangent) * bump);
    vec2 bent = screen + bump.xy * fRefraction;
    vec3 refraction = texture(GBufferMap, vec3(bent, 6.0)).rgb;
    float depth = -vViewPosition.z / fFar;
    float fog = clamp((texture(GBufferMap, vec3(bent, 4.0)).r - depth) * fFar * fFogDepth, 0.05, 0.85);
    vec3 colour = mix(refraction, vWaterColor.rgb * 0.75, fog);
    vec3 eye = normalize(-vViewPosition);
    float specular = pow(max(dot(reflect(-normalize(vLightDir), normal), eye), 0.0), fHardness) * fIntensity;
    vec3 ray = reflect(-eye, normal);
    vec3 reflection = texture(ReflectionCubeMap, ray).rgb;
    vec3 p = vViewPosition;
    for (int i = 0; i < 16; ++i)
    {
        p += ray * 0.075;
        vec4 clip = mProjectionMatrix * vec4(p, 1.0);
        if (clip.w <= 0.0)
            break;
        vec2 at = clip.xy / clip.w * 0.5 + 0.5;
        if (any(lessThan(at, vec2(0.0))) || any(greaterThan(at, vec2(1.0))))
            break;
        vec4 scene = texture(GBufferMap, vec3(at, 0.0));
        if (scene.z < 0.0 && scene.z > p.z)
        {
            reflection = texture(GBufferMap, vec3(at, 6.0)).rgb;
            break;
        }
    }
    vFragColor = vec4(colour + reflection * fReflection + specular * vSpecularColor.rgb, vWaterColor.a);
}
