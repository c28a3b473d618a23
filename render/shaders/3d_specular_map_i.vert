#version 330
// Instanced: texels 5i .. 5i+3 of the instance buffer hold instance i's
// matrix, texel 5i+4 its colour.
layout(location = 0) in vec4 vVertex;
layout(location = 1) in vec3 vNormal;
layout(location = 2) in vec2 vTexCoord0;
layout(location = 6) in vec3 vTangent;
uniform samplerBuffer InstanceBuffer;
#include "shared/projection_block.glsl"
#include "shared/model_block.glsl"
out vec3 vViewPosition;
out vec3 vViewNormal;
out vec3 vViewTangent;
out vec2 vUV;
flat out vec4 vInstanceColor;
void main()
{
    int base = 5 * gl_InstanceID;
    mat4 instance = mat4(texelFetch(InstanceBuffer, base), texelFetch(InstanceBuffer, base + 1),
                         texelFetch(InstanceBuffer, base + 2), texelFetch(InstanceBuffer, base + 3));
    vec4 position = mModelViewMatrix * instance * vVertex;
    vViewPosition = position.xyz;
    vViewNormal = mNormalMatrix * (mat3(instance) * vNormal);
    vViewTangent = mNormalMatrix * (mat3(instance) * vTangent);
    vUV = vTexCoord0;
    vInstanceColor = texelFetch(InstanceBuffer, base + 4);
    gl_Position = mProjectionMatrix * position;
}
