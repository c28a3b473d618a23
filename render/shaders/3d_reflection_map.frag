#version 330
// Deferred with an environment reflection: the view-space reflection vector
// is turned back to world space by the eye matrix and looked up in the cube.
#include "shared/deferred_inputs.glsl"
uniform sampler2D ColorMap;
uniform sampler2D NormalMap;
uniform samplerCube ReflectionCubeMap;
uniform mat4 mViewMatrix;
layout(std140) uniform Material
{
    vec4 vColor;
    float fIntensity;
    float fHardness;
    float fSurfaceScattering;
    float fReflection;
    vec4 vSpecularColor;
};
#include "shared/gbuffer_outputs.glsl"
#include "shared/tangent_frame.glsl"
void main()
{
    vec3 normal = normalize(TangentFrame(vViewNormal, vViewTangent) * (2.0 * texture(NormalMap, vUV).rgb - 1.0));
    vec3 direction = mat3(mViewMatrix) * reflect(normalize(vViewPosition), normal);
    vec3 diffuse = texture(ColorMap, vUV).rgb * vColor.rgb + texture(ReflectionCubeMap, direction).rgb * fReflection;
    vFragPosition = vec4(vViewPosition, fSurfaceScattering);
    vFragNormal = vec4(normal, fHardness);
    vFragDiffuse = vec4(diffuse, 0.0);
    vFragSpecular = vec4(vSpecularColor.rgb, fIntensity);
    vFragMisc = vec4(0.0, 1.0, 0.0, 1.0);
}
