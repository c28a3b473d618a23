#version 330
// Instanced billboards: instance i's matrix is texels 4i .. 4i+3.
// Mode 0: the quad as placed by its matrix. Modes 1 and 2: at the matrix's
// origin, turned by the matrix alone and not by the view (mode 1 builds it
// as a model-view with the view's rotation replaced, mode 2 as a sum).
layout(location = 0) in vec4 vVertex;
layout(location = 1) in vec3 vNormal;
layout(location = 2) in vec2 vTexCoord0;
layout(location = 6) in vec3 vTangent;
uniform samplerBuffer InstancesTextureBuffer;
uniform int iProjectionMode;
#include "shared/projection_block.glsl"
layout(std140) uniform Model
{
    mat4 mViewMatrix;
    mat3 mNormalMatrix;
};
out vec2 vUV;
void main()
{
    int base = 4 * gl_InstanceID;
    mat4 model = mat4(texelFetch(InstancesTextureBuffer, base), texelFetch(InstancesTextureBuffer, base + 1),
                      texelFetch(InstancesTextureBuffer, base + 2), texelFetch(InstancesTextureBuffer, base + 3));
    vec4 position;
    if (iProjectionMode == 0)
    {
        position = mViewMatrix * model * vVertex;
    }
    else if (iProjectionMode == 1)
    {
        mat4 modelView = mViewMatrix * model;
        modelView[0].xyz = model[0].xyz;
        modelView[1].xyz = model[1].xyz;
        modelView[2].xyz = model[2].xyz;
        position = modelView * vVertex;
    }
    else
    {
        position = mViewMatrix * model * vec4(0.0, 0.0, 0.0, 1.0) + model * vec4(vVertex.xyz, 0.0);
    }
    vUV = vTexCoord0;
    gl_Position = mProjectionMatrix * position;
}
