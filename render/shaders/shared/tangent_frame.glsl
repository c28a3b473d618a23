// The tangent frame of the normal-mapped programs.
// Stages include this file whole; see tools/embed_shaders.cmake.

// Orthonormal tangent frame (tangent, bitangent, normal) that stays finite
// for meshes without tangents.
mat3 TangentFrame(vec3 normal, vec3 tangent)
{
    vec3 n = normalize(normal);
    vec3 t = tangent - n * dot(n, tangent);
    if (dot(t, t) < 1e-12)
        t = cross(n, abs(n.x) < 0.9 ? vec3(1.0, 0.0, 0.0) : vec3(0.0, 1.0, 0.0));
    t = normalize(t);
    return mat3(t, cross(n, t), n);
}
