// Objects in the render queue: creation defaults, the default material, a
// material's instance list after create, move and free, and meshes or
// materials released under their objects.
#include <algorithm>

#include "scene_fixture.h"
#include "support/test_support.h"

namespace {

using namespace scenetest;

using Entries = std::vector<std::pair<const VLM_OBJECT*, const VLM_MESH*>>;

// The material's queue as (object, mesh) pairs.
Entries Queue(const VLM_MATERIAL* material) {
  Entries out;
  for (const vlm::MeshInstance& entry : material->instances) out.emplace_back(entry.object, entry.mesh);
  return out;
}

TEST_F(SceneTest, CreatedObjectHasItsDefaultsAndTheDefaultMaterial) {
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  VLM_MESH* mesh = Mesh(3);
  // Before the engine has a default material an object is simply not queued.
  VLM_OBJECT* early = VLM_CreateObject(-1, 3, -1, 1, "");
  ASSERT_NE(early, nullptr);
  EXPECT_EQ(early->pMaterial, nullptr);

  VLM_MATERIAL* fallback = Material(-1, "Default");
  vlm::Render().defaults.material = H(fallback);
  VLM_OBJECT* object = VLM_CreateObject(7, 3, -1, 0, "Rock");
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->header.iKind, VLM_ENTITY_OBJECT);
  EXPECT_EQ(object->header.pSecondMatrix, &object->mWorldUnscaled);
  EXPECT_EQ(object->pMesh, mesh);
  EXPECT_EQ(object->pMaterial, fallback);
  EXPECT_EQ(object->aiRenderSwitch[0], 1);
  EXPECT_EQ(object->aiRenderSwitch[1], 1);
  EXPECT_EQ(object->iInstanceCount, 1);
  EXPECT_EQ(object->pInstanceData, nullptr);
  EXPECT_EQ(object->iInstanceBuffer, 0u);
  EXPECT_EQ(object->v4fScale.w, 0.0f);
  VLM_SetObjectShadow(7, 0);
  EXPECT_EQ(object->aiRenderSwitch[1], 0);

  // A material that does not exist gives the default too; a mesh that does
  // not exist gives none, and no queue entry.
  VLM_OBJECT* unknownMaterial = VLM_CreateObject(-1, 3, 42, 1, "");
  VLM_OBJECT* meshless = VLM_CreateObject(-1, 77, -1, 1, "");
  EXPECT_EQ(unknownMaterial->pMaterial, fallback);
  EXPECT_EQ(meshless->pMesh, nullptr);
  EXPECT_EQ(Queue(fallback), (Entries{{object, mesh}, {unknownMaterial, mesh}}));
  // A stale default handle gives no material rather than a dangling one.
  VLM_FreeMaterial(H(fallback));
  EXPECT_EQ(object->pMaterial, nullptr);
  EXPECT_EQ(VLM_CreateObject(-1, 3, -1, 1, "")->pMaterial, nullptr);

  VLM_OpenLogFile("", 1, 1);
  const std::string body = vlmtest::LogBody(log);
  const std::string notice = "<tr><td>\xC2\x95</td><td>VLM_CreateObject</td><td colspan=2><i style='color:#0000FF;'>";
  EXPECT_NE(body.find(notice + "Info: Material not found, the object uses the default material!</i></td></tr>"),
            std::string::npos);
  EXPECT_NE(body.find(notice + "Info: Mesh not found, the object has no mesh!</i></td></tr>"), std::string::npos);
}

TEST_F(SceneTest, MaterialInstanceListAfterCreateMoveAndFree) {
  VLM_MESH* cube = Mesh(1);
  VLM_MESH* ball = Mesh(2);
  VLM_MATERIAL* wood = Material(10, "Wood");
  VLM_MATERIAL* iron = Material(11, "Iron");
  VLM_OBJECT* a = VLM_CreateObject(1, 1, 10, 1, "");
  VLM_OBJECT* b = VLM_CreateObject(2, 2, 10, 1, "");
  VLM_OBJECT* c = VLM_CreateObject(3, 1, 10, 1, "");
  EXPECT_EQ(Queue(wood), (Entries{{a, cube}, {b, ball}, {c, cube}}));

  // Move b to iron: the last entry of wood takes its place.
  EXPECT_EQ(VLM_SetObjectMaterial(2, 11), 1);
  EXPECT_EQ(Queue(wood), (Entries{{a, cube}, {c, cube}}));
  EXPECT_EQ(Queue(iron), (Entries{{b, ball}}));
  // A new mesh is named in the entry; no mesh, no entry.
  EXPECT_EQ(VLM_SetObjectMesh(2, 1), 1);
  EXPECT_EQ(Queue(iron), (Entries{{b, cube}}));
  EXPECT_EQ(VLM_SetObjectMesh(2, 99), 0);
  EXPECT_TRUE(iron->instances.empty());
  EXPECT_EQ(VLM_SetObjectMesh(2, 2), 1);

  // Freed by handle, by ID re-use and by name collision.
  EXPECT_EQ(VLM_FreeObject(1), 1);
  EXPECT_EQ(Queue(wood), (Entries{{c, cube}}));
  VLM_OBJECT* c2 = VLM_CreateObject(3, 2, 11, 1, "Named");
  EXPECT_TRUE(wood->instances.empty());
  EXPECT_EQ(Queue(iron), (Entries{{b, ball}, {c2, ball}}));
  VLM_OBJECT* d = VLM_CreateObject(-1, 1, 11, 1, "Named");
  EXPECT_EQ(Queue(iron), (Entries{{b, ball}, {d, cube}}));
  // A list reordered by someone else is still searched right.
  std::reverse(iron->instances.begin(), iron->instances.end());
  EXPECT_EQ(VLM_FreeObject(2), 1);
  EXPECT_EQ(Queue(iron), (Entries{{d, cube}}));
  EXPECT_EQ(VLM_SetObjectMaterial(1, 10), 0);  // freed object
}

TEST_F(SceneTest, ReleasedMeshOrMaterialLeavesNoQueueEntryBehind) {
  VLM_MESH* cube = Mesh(1);
  Mesh(2);
  VLM_MATERIAL* wood = Material(10, "Wood");
  VLM_MATERIAL* iron = Material(11, "Iron");
  VLM_OBJECT* a = VLM_CreateObject(1, 1, 10, 1, "");
  VLM_OBJECT* b = VLM_CreateObject(2, 2, 10, 1, "");
  VLM_OBJECT* c = VLM_CreateObject(3, 2, 11, 1, "");

  // Mesh 2 goes: b and c forget it and leave their queues.
  EXPECT_EQ(VLM_FreeMesh(2), 1);
  EXPECT_EQ(b->pMesh, nullptr);
  EXPECT_EQ(c->pMesh, nullptr);
  EXPECT_EQ(Queue(wood), (Entries{{a, cube}}));
  EXPECT_TRUE(iron->instances.empty());

  // Material 10 goes: its objects move to the default 3D material, queued
  // or not (b has no mesh any more). Then that goes too, with no default
  // left: nothing names it.
  vlm::Render().defaults.material3D = 11;
  EXPECT_EQ(VLM_FreeMaterial(10), 1);
  EXPECT_EQ(a->pMaterial, iron);
  EXPECT_EQ(b->pMaterial, iron);
  EXPECT_EQ(Queue(iron), (Entries{{a, cube}}));
  VLM_SetObjectMesh(2, 1);  // b's entry comes after a's, in slot 1
  vlm::Render().defaults.material3D = 0;
  EXPECT_EQ(VLM_FreeMaterial(11), 1);
  EXPECT_EQ(a->pMaterial, nullptr);
  EXPECT_EQ(b->pMaterial, nullptr);
  EXPECT_EQ(c->pMaterial, nullptr);
  // Objects whose mesh or material has gone are moved and freed safely.
  VLM_MATERIAL* stone = Material(12, "Stone");
  EXPECT_EQ(VLM_SetObjectMaterial(1, 12), 1);
  EXPECT_EQ(VLM_FreeObject(2), 1);
  EXPECT_EQ(VLM_FreeObject(3), 1);
  EXPECT_EQ(VLM_FreeObject(1), 1);
  EXPECT_TRUE(stone->instances.empty());
}

}  // namespace
