#version 330
// Specular glint of a fixed light (0, 0, 1) in tangent space on the normal
// map, exponent fHardness * 0.2; half transparent.
in vec3 vViewPosition;
in vec3 vViewNormal;
in vec3 vViewTangent;
in vec2 vUV;
uniform sampler2D NormalMap;
layout(std140) uniform Material
{
    vec4 vColor;
    float fIntensity;
    float fHardness;
    float fSurfaceScattering;
    float fEmission;
    vec4 vSpecularColor;
};
layout(location = 0) out vec4 vFragColor;
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
    mat3 tbn = TangentFrame(vViewNormal, vViewTangent);
    vec3 normal = normalize(2.0 * texture(NormalMap, vUV).rgb - 1.0);
    vec3 eye = normalize(transpose(tbn) * -vViewPosition);
    float specular = pow(max(dot(reflect(vec3(0.0, 0.0, -1.0), normal), eye), 0.0), fHardness * 0.2);
    vec4 colour = vColor * specular;
    colour.a *= 0.5;
    vFragColor = colour;
}
