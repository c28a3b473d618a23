#version 330
// Glow map: the emissive layer scaled by its alpha, plus a bloom of the
// brightest parts of the lit scene (colour to the 12th power).
in vec2 vUV;
uniform sampler2DArray BufferMap;
uniform float fGlow;
uniform float fBloom;
layout(location = 0) out vec4 vFragGlow;
void main()
{
    vec4 glow = texture(BufferMap, vec3(vUV, 2.0));
    glow.rgb *= 2.0 * glow.a * fGlow;
    vec3 c = pow(max(texture(BufferMap, vec3(vUV, 6.0)).rgb, vec3(0.0)), vec3(12.0));
    glow.rgb += (0.025 * c + 0.025 * dot(c, vec3(0.299, 0.587, 0.114))) * fBloom;
    vFragGlow = glow;
}
