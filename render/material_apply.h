// Making a program and a material current for 3D drawing.
#pragma once

struct VLM_SHADER;
struct VLM_MATERIAL;

namespace vlm::render {

// glUseProgram, and every sampler of the program pointed at the texture
// unit of its slot.
void UseProgram(const VLM_SHADER& shader);
// The material's textures on the units its program reads them from (an
// empty colour, normal or specular slot binds the substitute texture that
// leaves the result unchanged), then its values into the Material block:
// 16 bytes (vColor) for the programs that declare only that, else all 48.
void ApplyMaterial(const VLM_MATERIAL& material);

}  // namespace vlm::render
