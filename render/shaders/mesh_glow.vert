#version 330
// Glow shell: the surface pushed fScale along its normal.
layout(location = 0) in vec4 vVertex;
layout(location = 1) in vec3 vNormal;
uniform float fScale;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
out vec3 vViewPosition;
out vec3 vViewNormal;
void main()
{
    vec4 position = mModelViewMatrix * vec4(vVertex.xyz + fScale * vNormal, vVertex.w);
    vViewPosition = position.xyz;
    vViewNormal = mNormalMatrix * vNormal;
    gl_Position = mProjectionMatrix * position;
}
