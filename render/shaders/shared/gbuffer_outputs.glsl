// The five G-buffer layers a deferred program writes.
// Stages include this file whole; see tools/embed_shaders.cmake.

layout(location = 0) out vec4 vFragPosition;
layout(location = 1) out vec4 vFragNormal;
layout(location = 2) out vec4 vFragDiffuse;
layout(location = 3) out vec4 vFragSpecular;
layout(location = 4) out vec4 vFragMisc;
