// The taps of the 4-tap shadow tests, and the test against a 2D map.
// Stages include this file whole; see tools/embed_shaders.cmake.

// Four offsets around a shadow-map lookup, in texture coordinates.
const vec2 kTaps[4] = vec2[4](vec2(-0.00094201624, -0.00049906216), vec2(0.00094558609, -0.00076890725),
                              vec2(-0.000194184101, -0.00092938870), vec2(0.00034495938, 0.00039387760));

// A point's visibility against a 2D depth map, c in the map's texture
// coordinates with its depth: 1, less 0.25 for every tap that finds a
// nearer depth; 1 outside the map.
float MapVisibility(sampler2D map, vec3 c)
{
    float visibility = 1.0;
    if (c.x > 0.0 && c.x < 1.0 && c.y > 0.0 && c.y < 1.0)
    {
        for (int i = 0; i < 4; ++i)
            if (texture(map, c.xy + kTaps[i] * 0.4).r < c.z) visibility -= 0.25;
    }
    return visibility;
}
