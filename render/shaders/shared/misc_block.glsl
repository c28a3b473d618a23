// The Misc block (binding 4).
// Stages include this file whole; see tools/embed_shaders.cmake.

layout(std140) uniform Misc
{
    vec2 vMapSize;
    float fNear;
    float fFar;
};
