#version 330
// Hidden behind the scene's depth.
in vec2 vUV;
in vec4 vParticleColor;
uniform sampler2D DepthMap;
uniform sampler2D ColorMap;
layout(std140) uniform Misc
{
    vec2 vMapSize;
    float fNear;
    float fFar;
};
layout(location = 0) out vec4 vFragColor;
void main()
{
    if (gl_FragCoord.z > texture(DepthMap, gl_FragCoord.xy / vMapSize).r)
        discard;
    vFragColor = texture(ColorMap, vUV) * vParticleColor;
}
