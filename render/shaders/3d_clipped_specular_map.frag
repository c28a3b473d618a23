#version 330
// Deferred specular map on a clipped part of the textures: the material's
// specular colour holds the texture-coordinate scale (b, a) and offset (r, g).
in vec3 vViewPosition;
in vec3 vViewNormal;
in vec3 vViewTangent;
in vec2 vUV;
uniform sampler2D ColorMap;
uniform sampler2D NormalMap;
uniform sampler2D SpecularMap;
layout(std140) uniform Material
{
    vec4 vColor;
    float fIntensity;
    float fHardness;
    float fSurfaceScattering;
    float fEmission;
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
    vec2 uv = vec2(vUV.x * vSpecularColor.b + vSpecularColor.r, vUV.y * vSpecularColor.a + vSpecularColor.g);
    vec3 normal = normalize(TangentFrame(vViewNormal, vViewTangent) * (2.0 * texture(NormalMap, uv).rgb - 1.0));
    vec4 specular = texture(SpecularMap, uv);
    vFragPosition = vec4(vViewPosition, fSurfaceScattering);
    vFragNormal = vec4(normal, fHardness);
    vFragDiffuse = vec4(texture(ColorMap, uv).rgb * vColor.rgb, 1.0 - specular.a);
    vFragSpecular = vec4(specular.rgb, fIntensity);
    vFragMisc = vec4(0.0, 1.0, 0.0, 1.0);
}
