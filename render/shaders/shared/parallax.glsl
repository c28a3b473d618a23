// Parallax offset of the two parallax programs; needs NormalMap, fScale,
// fBias and the deferred inputs declared first.
// Stages include this file whole; see tools/embed_shaders.cmake.

// The texture coordinates moved along the tangent-space view direction by
// the height in the normal map's alpha (scaled by fScale, shifted by fBias).
vec2 ParallaxUV(mat3 tbn)
{
    vec3 eye = normalize(transpose(tbn) * -vViewPosition);
    float height = texture(NormalMap, vUV).a * fScale + fBias;
    return vUV + height * eye.xy;
}
