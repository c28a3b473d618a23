// The Projection block (binding 0).
// Stages include this file whole; see tools/embed_shaders.cmake.

layout(std140) uniform Projection
{
    mat4 mProjectionMatrix;
    mat4 mInvProjectionMatrix;
    mat4 mScreenMatrix;
};
