#version 330
// One light volume: the unit icosphere through the Model block.
layout(location = 0) in vec4 vVertex;
#include "shared/projection_block.glsl"
layout(std140) uniform Model
{
    mat4 mModelViewMatrix;
};
void main()
{
    gl_Position = mProjectionMatrix * (mModelViewMatrix * vVertex);
}
