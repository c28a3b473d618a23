#version 330
// One light volume: the unit icosphere through the Model block.
layout(location = 0) in vec4 vVertex;
layout(std140) uniform Projection
{
    mat4 mProjectionMatrix;
    mat4 mInvProjectionMatrix;
    mat4 mScreenMatrix;
};
layout(std140) uniform Model
{
    mat4 mModelViewMatrix;
};
void main()
{
    gl_Position = mProjectionMatrix * (mModelViewMatrix * vVertex);
}
