#version 330
layout(location = 0) in vec4 vVertex;
layout(location = 1) in vec3 vNormal;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
out vec3 vViewPosition;
out vec3 vViewNormal;
void main()
{
    vec4 position = mModelViewMatrix * vVertex;
    vViewPosition = position.xyz;
    vViewNormal = mNormalMatrix * vNormal;
    gl_Position = mProjectionMatrix * position;
}
