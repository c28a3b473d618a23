// What the deferred vertex stage (3d_normal_map.vert) hands on.
// Stages include this file whole; see tools/embed_shaders.cmake.

in vec3 vViewPosition;
in vec3 vViewNormal;
in vec3 vViewTangent;
in vec2 vUV;
