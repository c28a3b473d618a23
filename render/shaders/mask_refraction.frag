#version 330
// Refracting decal: the screen colour behind the surface, shifted by the
// normal map (scrolled by vOffset) and tinted, plus a specular highlight of
// a fixed light (0, 0.8, -0.2); the mask's red channel is the alpha.
in vec3 vViewPosition;
in vec3 vViewNormal;
in vec3 vViewTangent;
in vec2 vUV;
uniform sampler2D ColorMap;
uniform sampler2D DepthMap;
uniform sampler2D NormalMap;
uniform sampler2D MaskMap;
uniform vec2 vOffset;
layout(std140) uniform Misc
{
    vec2 vMapSize;
    float fNear;
    float fFar;
};
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
    vec2 screen = gl_FragCoord.xy / vMapSize;
    if (gl_FragCoord.z > texture(DepthMap, screen).r)
        discard;
    vec3 bump = 2.0 * texture(NormalMap, vUV + vOffset).rgb - 1.0;
    vec3 normal = normalize(TangentFrame(vViewNormal, vViewTangent) * bump);
    vec3 refraction = texture(ColorMap, screen + bump.xy * fRefraction).rgb * vRefractionColor.rgb;
    vec3 light = normalize(vec3(0.0, 0.8, -0.2));
    float specular = pow(max(dot(reflect(-light, normal), normalize(-vViewPosition)), 0.0), fHardness) * fIntensity;
    vFragColor = vec4(refraction + specular * vSpecularColor.rgb, texture(MaskMap, vUV).r);
}
