#version 330
layout(location = 0) in vec4 vVertex;
layout(location = 2) in vec2 vTexCoord0;
layout(location = 7) in float iGroup;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
out vec3 vUVLayer;
void main()
{
    vUVLayer = vec3(vTexCoord0, iGroup);
    gl_Position = mProjectionMatrix * mModelViewMatrix * vVertex;
    gl_Position.z += 0.0001;
}
