#version 330
// Depth only; fully transparent texels of the vertex's layer cast no shadow.
in vec3 vUVLayer;
uniform sampler2DArray ColorMap;
void main()
{
    if (texture(ColorMap, vUVLayer).a == 0.0)
        discard;
}
