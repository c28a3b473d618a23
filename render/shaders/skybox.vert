#version 330
// Sky box around the eye: only the view's rotation applies; drawn at the
// far plane.
layout(location = 0) in vec4 vVertex;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
out vec3 vDirection;
void main()
{
    vDirection = vVertex.xyz;
    vec4 position = mProjectionMatrix * vec4(mat3(mModelViewMatrix) * vVertex.xyz, 1.0);
    gl_Position = position.xyww;
}
