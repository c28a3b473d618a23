#version 330
layout(location = 0) in vec4 vVertex;
layout(location = 2) in vec2 vTexCoord0;
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
void main()
{
    vUV = vTexCoord0;
    gl_Position = mProjectionMatrix * mModelViewMatrix * vVertex;
    gl_Position.z += 0.0001;
}
