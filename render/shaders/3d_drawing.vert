#version 330
layout(location = 0) in vec4 vVertex;
layout(location = 4) in vec4 vColor;
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
out vec4 vVertexColor;
void main()
{
    vVertexColor = vColor;
    gl_Position = mProjectionMatrix * mModelViewMatrix * vVertex;
}
