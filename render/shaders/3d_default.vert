#version 330
layout(location = 0) in vec4 vVertex;
layout(location = 1) in vec3 vNormal;
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
out vec3 vViewPosition;
out vec3 vViewNormal;
void main()
{
    vec4 position = mModelViewMatrix * vVertex;
    vViewPosition = position.xyz;
    vViewNormal = mNormalMatrix * vNormal;
    gl_Position = mProjectionMatrix * position;
}
