#version 330
// One light volume: the unit icosphere through the Model block. Built with
// VLM_WHOLE_SCREEN for a volume that holds the camera, whose far side then
// covers every pixel: the direct light's quad in pixels (through the
// screen matrix) covers the same pixels with two triangles.
layout(location = 0) in vec4 vVertex;
#include "shared/projection_block.glsl"
layout(std140) uniform Model
{
    mat4 mModelViewMatrix;
};
void main()
{
#ifdef VLM_WHOLE_SCREEN
    gl_Position = mScreenMatrix * vVertex;
#else
    gl_Position = mProjectionMatrix * (mModelViewMatrix * vVertex);
#endif
}
