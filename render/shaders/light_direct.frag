#version 330
// Direct light and ambient term over the whole G-buffer. iLightState: 0 off,
// 1 lit, above 1 lit with the 4-tap directional shadow test.
layout(std140) uniform Misc
{
    vec2 vMapSize;
    float fNear;
    float fFar;
};
uniform sampler2DArray GBufferMap;
uniform sampler2D ShadowMap;
uniform vec4 vAmbientColor;
uniform int iLightState;
uniform vec3 vLightDirection;
uniform vec3 vLightColor;
uniform float fLightIntensity;
uniform mat4 mWorldToLightViewMatrix;
uniform mat4 mLightViewToProjectionMatrix;
uniform mat4 mWorldToCameraViewMatrix;
layout(location = 0) out vec4 vFragColor;

const vec2 kTaps[4] = vec2[4](vec2(-0.00094201624, -0.00049906216), vec2(0.00094558609, -0.00076890725),
                              vec2(-0.000194184101, -0.00092938870), vec2(0.00034495938, 0.00039387760));

float DirectionalShadow(vec3 position)
{
    vec4 world = inverse(mWorldToCameraViewMatrix) * vec4(position, 1.0);
    vec4 p = mLightViewToProjectionMatrix * (mWorldToLightViewMatrix * world);
    vec3 c = p.xyz / p.w * 0.5 + 0.5;
    float visibility = 1.0;
    if (c.x > 0.0 && c.x < 1.0 && c.y > 0.0 && c.y < 1.0)
    {
        for (int i = 0; i < 4; ++i)
            if (texture(ShadowMap, c.xy + kTaps[i] * 0.4).r < c.z) visibility -= 0.25;
    }
    return visibility;
}

void main()
{
    vec2 uv = gl_FragCoord.xy / vMapSize;
    if (texture(GBufferMap, vec3(uv, 4.0)).a == 0.0) discard;
    vec4 position = texture(GBufferMap, vec3(uv, 0.0));
    vec4 normal = texture(GBufferMap, vec3(uv, 1.0));
    vec4 diffuse = texture(GBufferMap, vec3(uv, 2.0));
    vec4 specular = texture(GBufferMap, vec3(uv, 3.0));
    vec3 colour = diffuse.rgb * vAmbientColor.rgb + diffuse.rgb * diffuse.a;
    if (iLightState > 0)
    {
        vec3 N = normalize(normal.xyz);
        vec3 L = normalize(-vLightDirection);
        float d = dot(N, L);
        if (d < position.a) d = position.a * (1.0 - d);
        float s = pow(max(0.0, dot(reflect(L, N), normalize(position.xyz))), normal.a) * specular.a;
        float shadow = iLightState > 1 ? DirectionalShadow(position.xyz) : 1.0;
        colour += (diffuse.rgb * d + specular.rgb * s) * vLightColor * fLightIntensity * shadow;
    }
    vFragColor = vec4(colour, 1.0);
}
