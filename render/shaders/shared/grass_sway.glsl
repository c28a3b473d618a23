// The wind's sway of the grass programs; needs InstanceBuffer, fTime, vWind,
// iGroup and vVertex declared first.
// Stages include this file whole; see tools/embed_shaders.cmake.

// This tuft's instance matrix: texels 5i .. 5i + 3 of the instance buffer.
mat4 GrassInstance()
{
    int base = 5 * gl_InstanceID;
    return mat4(texelFetch(InstanceBuffer, base), texelFetch(InstanceBuffer, base + 1),
                texelFetch(InstanceBuffer, base + 2), texelFetch(InstanceBuffer, base + 3));
}
// The vertex in the object's space, swayed: phase t = (fTime + 10 (tx + ty
// + tz)) / 8 from the instance translation (row 3, so the phase differs per
// tuft), offset f = sin t + cos 2t + 2 sin 3t along vWind, scaled by iGroup
// (0 at the root, 1 at the tip).
vec4 SwayedVertex(mat4 instance)
{
    vec4 place = texelFetch(InstanceBuffer, 5 * gl_InstanceID + 3);
    float t = (fTime + 10.0 * (place.x + place.y + place.z)) / 8.0;
    float f = sin(t) + cos(2.0 * t) + 2.0 * sin(3.0 * t);
    return instance * vVertex + vec4(f * vWind * iGroup, 0.0);
}
