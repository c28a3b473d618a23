#version 330
layout(location = 0) in vec4 vVertex;
layout(location = 2) in vec2 vTexCoord0;
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
out vec2 vUV;
out vec4 vVertexColor;
void main()
{
    vUV = vTexCoord0;
    vVertexColor = vColor;
    gl_Position = mScreenMatrix * mModelViewMatrix * vVertex;
}
