#version 330
// Deferred glass: the lit scene of the previous frame (G-buffer layer fIndex,
// 6 for the lit colour) seen through the surface, shifted by the normal map
// (scrolled by vOffset), nearer surfaces bending more; plus a cube reflection.
// Written as emission, as the refracted colour is already lit.
in vec3 vViewPosition;
in vec3 vViewNormal;
in vec3 vViewTangent;
in vec2 vUV;
uniform sampler2DArray ColorMap;
uniform sampler2D NormalMap;
uniform sampler2D SpecularMap;
uniform samplerCube ReflectionCubeMap;
uniform float fIndex;
uniform vec2 vOffset;
layout(std140) uniform Misc
{
    vec2 vMapSize;
    float fNear;
    float fFar;
};
layout(std140) uniform Material
{
    vec4 vColor;
    float fIntensity;
    float fHardness;
    float fRefraction;
    float fReflection;
    vec4 vSpecularColor;
};
layout(location = 0) out vec4 vFragPosition;
layout(location = 1) out vec4 vFragNormal;
layout(location = 2) out vec4 vFragDiffuse;
layout(location = 3) out vec4 vFragSpecular;
layout(location = 4) out vec4 vFragMisc;
// Orthonormal tangent frame (tangent, bitangent, normal) that stays finite
// for meshes without tangents.
mat3 TangentFrame(vec3 normal, vec3 tangent)
{
    vec3 n = normalize(normal);
    vec3 t = tangent - n * dot(n, tangent);
    if (dot(t, t) < 1e-12)
        t = cross(n, abs(n.x) < 0.9 ? vec3(1.0, 0.0, 0.0) : vec3(0.0, 1.0, 0.0));
    t = normalize(t);
    return mat3(t, cross(n, t), n);
}
void main()
{
    vec2 uv = vUV + vOffset;
    vec3 normal = normalize(TangentFrame(vViewNormal, vViewTangent) * (2.0 * texture(NormalMap, uv).rgb - 1.0));
    vec2 screen = gl_FragCoord.xy / vMapSize + normal.xz * gl_FragCoord.w * fRefraction;
    vec3 refraction = texture(ColorMap, vec3(screen, fIndex)).rgb * vColor.rgb;
    vec3 reflection = texture(ReflectionCubeMap, reflect(normalize(vViewPosition), normal)).rgb * fReflection;
    vFragPosition = vec4(vViewPosition, 0.0);
    vFragNormal = vec4(normal, fHardness);
    vFragDiffuse = vec4(refraction + reflection, 1.0);
    vFragSpecular = vec4(texture(SpecularMap, uv).rgb, fIntensity);
    vFragMisc = vec4(0.0, 1.0, 0.0, 1.0);
}
