#version 330
// The G-buffer's five layers where nothing was drawn: all 0, as a clear
// leaves them. Drawn after the geometry instead of a clear before it, so
// that every pixel of the five float layers is written once.
#include "shared/gbuffer_outputs.glsl"
void main()
{
    vFragPosition = vec4(0.0);
    vFragNormal = vec4(0.0);
    vFragDiffuse = vec4(0.0);
    vFragSpecular = vec4(0.0);
    vFragMisc = vec4(0.0);
}
