// The Model block (binding 1).
// Stages include this file whole; see tools/embed_shaders.cmake.

layout(std140) uniform Model
{
    mat4 mModelViewMatrix;
    mat3 mNormalMatrix;
};
