#version 330
// Instanced grass swaying in the wind: phase t = (fTime + 10 (tx + ty + tz)) / 8
// from the instance translation, offset f = sin t + cos 2t + 2 sin 3t along
// vWind, scaled by iGroup (0 at the root, 1 at the tip).
layout(location = 0) in vec4 vVertex;
layout(location = 1) in vec3 vNormal;
layout(location = 2) in vec2 vTexCoord0;
layout(location = 6) in vec3 vTangent;
layout(location = 7) in float iGroup;
uniform samplerBuffer InstanceBuffer;
uniform float fTime;
uniform vec3 vWind;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
#include "shared/grass_sway.glsl"
out vec3 vViewPosition;
out vec3 vViewNormal;
out vec2 vUV;
void main()
{
    mat4 instance = GrassInstance();
    vec4 position = mModelViewMatrix * SwayedVertex(instance);
    vViewPosition = position.xyz;
    vViewNormal = mNormalMatrix * (mat3(instance) * vNormal);
    vUV = vTexCoord0;
    gl_Position = mProjectionMatrix * position;
}
