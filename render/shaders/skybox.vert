#version 330
// Sky box around the eye: only the view's rotation applies; drawn at the
// far plane.
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
out vec3 vDirection;
void main()
{
    vDirection = vVertex.xyz;
    vec4 position = mProjectionMatrix * vec4(mat3(mModelViewMatrix) * vVertex.xyz, 1.0);
    gl_Position = position.xyww;
}
