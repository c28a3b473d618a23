#version 330
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
    mat3 mNormalMatrix;
};
void main()
{
    gl_Position = mScreenMatrix * mModelViewMatrix * vVertex;
}
