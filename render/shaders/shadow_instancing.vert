#version 330
// Instance i: its matrix is texels 5i .. 5i+3 of the instance buffer.
layout(location = 0) in vec4 vVertex;
layout(location = 2) in vec2 vTexCoord0;
uniform samplerBuffer InstanceBuffer;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
out vec2 vUV;
void main()
{
    int base = 5 * gl_InstanceID;
    mat4 instance = mat4(texelFetch(InstanceBuffer, base), texelFetch(InstanceBuffer, base + 1),
                         texelFetch(InstanceBuffer, base + 2), texelFetch(InstanceBuffer, base + 3));
    vUV = vTexCoord0;
    gl_Position = mProjectionMatrix * mModelViewMatrix * instance * vVertex;
    gl_Position.z += 0.0001;
}
