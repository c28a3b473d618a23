// A clean scene for every test: no objects, nodes, bodies, meshes or
// materials, no default material; and small builders.
#pragma once

#include <gtest/gtest.h>

#include "core/engine_state.h"
#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "mesh/mesh_internal.h"
#include "physics/world.h"
#include "render/render_state.h"
#include "render/shader_record.h"
#include "scene/entity.h"
#include "scene/entity_records.h"
#include "scene/object_record.h"
#include "velmora.h"

namespace scenetest {

inline void ResetScene() {
  vlm::ResetObjects();
  vlm::NodeRegistry().Reset();
  vlm::ResetPhysics();
  vlm::mesh::ResetMeshes();
  vlm::MaterialRegistry().Reset();
  // Only the program records the tests made; a GL context keeps its built-in set.
  for (VLM_SHADER* shader : vlm::ShaderRegistry().Records())
    if (shader->iProgram == 0) VLM_FreeShader(shader->iHandle);
  vlm::Render().defaults.material = 0;
  vlm::Render().defaults.material3D = 0;
}

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetScene(); }
  void TearDown() override { ResetScene(); }
};

// A material record as the material loaders leave it: named, with a program.
inline VLM_MATERIAL* Material(VLM_HANDLE id, const char* name = "") {
  VLM_HANDLE program = -1;
  VLM_SHADER* shader = VLM_CreateShaderListEntry(&program, "");
  VLM_MATERIAL* material = VLM_CreateMaterialListEntry(&id, name);
  if (material) material->pShader = shader;
  return material;
}

inline VLM_MESH* Mesh(VLM_HANDLE id) { return VLM_CreateMeshListEntry(&id, ""); }

inline VLM_HANDLE H(const void* record) { return reinterpret_cast<VLM_HANDLE>(record); }

inline v4f P(float x, float y, float z) { return v4f{x, y, z, 1.0f}; }

// Where a point of the entity's own frame lands in the world.
inline v4f WorldPoint(const void* entity, v4f local) {
  m4f m;
  VLM_EntityWorldMatrix(&m, entity, 1);
  VLM_v4fTransform(&local, &m);
  return local;
}

}  // namespace scenetest

#define EXPECT_XYZ_NEAR(v, ex, ey, ez, tol) \
  do {                                      \
    const v4f v_ = (v);                     \
    EXPECT_NEAR(v_.x, (ex), (tol));         \
    EXPECT_NEAR(v_.y, (ey), (tol));         \
    EXPECT_NEAR(v_.z, (ez), (tol));         \
  } while (0)
