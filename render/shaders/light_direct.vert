#version 330
// Direct light: the full-screen quad in pixels through the screen matrix.
layout(location = 0) in vec4 vVertex;
#include "shared/projection_block.glsl"
uniform mat4 mWorldToCameraViewMatrix;
flat out mat4 mCameraViewToWorld;
void main()
{
#if defined(VLM_UNLIT) || defined(VLM_UNSHADOWED)
    mCameraViewToWorld = mat4(1.0);  // only the shadow test reads it
#else
    mCameraViewToWorld = inverse(mWorldToCameraViewMatrix);
#endif
    gl_Position = mScreenMatrix * vVertex;
}
