// Lighting of a G-buffer surface, shared by the light passes.
// Stages include this file whole; see tools/embed_shaders.cmake.

// The light a G-buffer surface sends back from a light in direction L
// (unit, towards the light), before the light's colour and intensity:
// diffuse by N.L, wrapped below the surface's scattering threshold
// (position.a), plus the highlight with the hardness (normal.a) as exponent
// times the specular intensity (specular.a); alpha 1.
vec4 SurfaceLight(vec3 N, vec3 L, vec4 position, vec4 normal, vec4 diffuse, vec4 specular)
{
    float d = dot(N, L);
    if (d < position.a) d = position.a * (1.0 - d);
    float s = pow(max(0.0, dot(reflect(L, N), normalize(position.xyz))), normal.a) * specular.a;
    return vec4(diffuse.rgb * d + specular.rgb * s, 1.0);
}
