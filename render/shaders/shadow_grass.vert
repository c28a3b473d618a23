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
out vec2 vUV;
void main()
{
    int base = 5 * gl_InstanceID;
    mat4 instance = mat4(texelFetch(InstanceBuffer, base), texelFetch(InstanceBuffer, base + 1),
                         texelFetch(InstanceBuffer, base + 2), texelFetch(InstanceBuffer, base + 3));
    // Row 3 of the instance matrix is its translation: the phase differs per tuft.
    vec4 place = texelFetch(InstanceBuffer, base + 3);
    float t = (fTime + 10.0 * (place.x + place.y + place.z)) / 8.0;
    float f = sin(t) + cos(2.0 * t) + 2.0 * sin(3.0 * t);
    vec4 world = instance * vVertex + vec4(f * vWind * iGroup, 0.0);
    vUV = vTexCoord0;
    gl_Position = mProjectionMatrix * mModelViewMatrix * world;
    gl_Position.z += 0.0001;
}
