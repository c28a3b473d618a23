// The taps of the 4-tap shadow tests.
// Stages include this file whole; see tools/embed_shaders.cmake.

// Four offsets around a shadow-map lookup, in texture coordinates.
const vec2 kTaps[4] = vec2[4](vec2(-0.00094201624, -0.00049906216), vec2(0.00094558609, -0.00076890725),
                              vec2(-0.000194184101, -0.00092938870), vec2(0.00034495938, 0.00039387760));
