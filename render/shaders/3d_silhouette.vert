#version 330
// Outline shell: the surface pushed 0.001 along its normal.
layout(location = 0) in vec4 vVertex;
layout(location = 1) in vec3 vNormal;
layout(location = 2) in vec2 vTexCoord0;
layout(location = 6) in vec3 vTangent;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
out vec3 vViewPosition;
out vec3 vViewNormal;
out vec3 vViewTangent;
out vec2 vUV;
void main()
{
    vec4 position = mModelViewMatrix * vec4(vVertex.xyz + 0.001 * vNormal, vVertex.w);
    vViewPosition = position.xyz;
    vViewNormal = mNormalMatrix * vNormal;
    vViewTangent = mNormalMatrix * vTangent;
    vUV = vTexCoord0;
    gl_Position = mProjectionMatrix * position;
}
