#version 330
// Grass tufts swaying in the wind (iGroup: 0 at the root, 1 at the tip).
layout(location = 0) in vec4 vVertex;
layout(location = 2) in vec2 vTexCoord0;
layout(location = 7) in float iGroup;
uniform samplerBuffer InstanceBuffer;
uniform float fTime;
uniform vec3 vWind;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
#include "shared/grass_sway.glsl"
out vec2 vUV;
void main()
{
    vec4 world = SwayedVertex(GrassInstance());
    vUV = vTexCoord0;
    gl_Position = mProjectionMatrix * mModelViewMatrix * world;
    gl_Position.z += 0.0001;
}
