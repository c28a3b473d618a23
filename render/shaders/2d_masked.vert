#version 330
layout(location = 0) in vec4 vVertex;
layout(location = 2) in vec2 vTexCoord0;
layout(location = 3) in vec2 vTexCoord1;
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
out vec2 vUV;
out vec2 vMaskUV;
void main()
{
    vUV = vTexCoord0;
    vMaskUV = vTexCoord1;
    gl_Position = mScreenMatrix * mModelViewMatrix * vVertex;
}
