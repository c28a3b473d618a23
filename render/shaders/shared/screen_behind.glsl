// The screen position of the refracting programs; needs DepthMap and the
// Misc block declared first.
// Stages include this file whole; see tools/embed_shaders.cmake.

// This fragment's screen position (0..1); discarded where the scene drawn
// so far is nearer than the surface.
vec2 VisibleScreenPosition()
{
    vec2 screen = gl_FragCoord.xy / vMapSize;
    if (gl_FragCoord.z > texture(DepthMap, screen).r)
        discard;
    return screen;
}
