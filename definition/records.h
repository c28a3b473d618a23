// Records of textures and materials.
#pragma once

#include <vector>

#include "core/named_record.h"

struct VLM_SHADER;
struct VLM_OBJECT;
struct VLM_MESH;

namespace vlm {

// One object drawn with a material: the render queue's leaf. The renderer
// walks render list -> program -> material -> these.
struct MeshInstance {
  VLM_OBJECT* object = nullptr;
  VLM_MESH* mesh = nullptr;
};

}  // namespace vlm

struct VLM_TEXTURE : vlm::NamedRecord {};

struct VLM_MATERIAL : vlm::NamedRecord {
  VLM_SHADER* pShader = nullptr;              // the built-in program it is drawn with
  std::vector<vlm::MeshInstance> instances;   // objects drawn with this material
};
