#version 330
// As the normal-map vertex stage, with the texture-array layer of the vertex.
layout(location = 0) in vec4 vVertex;
layout(location = 1) in vec3 vNormal;
layout(location = 2) in vec2 vTexCoord0;
layout(location = 6) in vec3 vTangent;
layout(location = 7) in float iGroup;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
out vec3 vViewPosition;
out vec3 vViewNormal;
out vec3 vViewTangent;
out vec3 vUVLayer;
void main()
{
    vec4 position = mModelViewMatrix * vVertex;
    vViewPosition = position.xyz;
    vViewNormal = mNormalMatrix * vNormal;
    vViewTangent = mNormalMatrix * vTangent;
    vUVLayer = vec3(vTexCoord0, iGroup);
    gl_Position = mProjectionMatrix * position;
}
