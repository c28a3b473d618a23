#version 330
// Refracting decal: the screen colour behind the surface, shifted by the
// normal map (scrolled by vOffset) and tinted, plus a specular highlight of
// a fixed light (0, 0.8, -0.2); the mask's red channel is the alpha.
#include "shared/deferred_inputs.glsl"
uniform sampler2D ColorMap;
uniform sampler2D DepthMap;
uniform sampler2D NormalMap;
uniform sampler2D MaskMap;
uniform vec2 vOffset;
#include "shared/misc_block.glsl"
layout(std140) uniform Material
{
    vec4 vRefractionColor;
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
    vec3 bump = 2.0 * texture(NormalMap, vUV + vOffset).rgb - 1.0;
    vec3 normal = normalize(TangentFrame(vViewNormal, vViewTangent) * bump);
    vec3 refraction = texture(ColorMap, screen + bump.xy * fRefraction).rgb * vRefractionColor.rgb;
    vec3 light = normalize(vec3(0.0, 0.8, -0.2));
    float specular = pow(max(dot(reflect(-light, normal), normalize(-vViewPosition)), 0.0), fHardness) * fIntensity;
    vFragColor = vec4(refraction + specular * vSpecularColor.rgb, texture(MaskMap, vUV).r);
}
