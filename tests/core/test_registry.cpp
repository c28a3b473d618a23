// Registries: create-list-entry rules, notices, replacement, resolution.
#include <gtest/gtest.h>

#include <vector>

#include "core/registry.h"
#include "support/test_support.h"
#include "velmora/registry.h"

namespace {

using vlmtest::LogBody;
using vlmtest::OpenTestLog;
using vlmtest::TempDir;

struct TestRecord {
  intptr_t iHandle = 0;
  std::string sName;
  int payload = 7;  // a kind default
};

vlm::Registry<TestRecord>* g_registry = nullptr;
std::vector<intptr_t> g_released;

int ReleaseTest(intptr_t handle) {
  g_released.push_back(handle);
  if (TestRecord* r = g_registry->Resolve(handle)) g_registry->Remove(r);
  return 1;
}

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() : registry({"Mesh", "VLM_CreateMeshListEntry", true}, ReleaseTest) {
    g_registry = &registry;
    g_released.clear();
    log = OpenTestLog(dir, VLM_LOG_PROCEDURE);
  }
  ~RegistryTest() override { g_registry = nullptr; }
  TempDir dir;
  std::string log;
  vlm::Registry<TestRecord> registry;
};

const std::string kRow = "<tr><td>\xC2\x95</td><td>VLM_CreateMeshListEntry</td><td colspan=2><i style='color:";

TEST_F(RegistryTest, NumberedIdReuseReleasesSilently) {
  intptr_t id = 5;
  TestRecord* first = registry.CreateEntry(&id, "");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(id, 5);
  EXPECT_EQ(first->iHandle, 5);
  EXPECT_EQ(first->payload, 7);
  EXPECT_EQ(registry.TableSize(), 6u);
  TestRecord* second = registry.CreateEntry(&id, "");
  EXPECT_EQ(g_released, std::vector<intptr_t>{5});
  EXPECT_EQ(registry.Resolve(5), second);
  EXPECT_EQ(registry.Count(), 1u);
  EXPECT_EQ(LogBody(log), "");
}

TEST_F(RegistryTest, NameCollisionReleasesTheFirstWithABlueNotice) {
  intptr_t a = -1;
  TestRecord* first = registry.CreateEntry(&a, "Ball");
  intptr_t b = 3;
  TestRecord* second = registry.CreateEntry(&b, "Ball");
  EXPECT_EQ(g_released, std::vector<intptr_t>{reinterpret_cast<intptr_t>(first)});
  EXPECT_EQ(registry.FindByName("Ball"), second);
  EXPECT_EQ(registry.Find(a), nullptr);  // the released address is no longer live
  EXPECT_EQ(LogBody(log), kRow + "#0000FF;'>Loaded double: First Mesh has been released!</i></td></tr>");
}

TEST_F(RegistryTest, ReplacedNoticeWordingForOtherKinds) {
  vlm::Registry<TestRecord> nodes({"Node", "VLM_CreateNodeListEntry", false}, nullptr);
  intptr_t id = 1;
  nodes.CreateEntry(&id, "n");
  id = 2;
  nodes.CreateEntry(&id, "n");
  EXPECT_EQ(nodes.Count(), 1u);
  EXPECT_EQ(nodes.Resolve(1), nullptr);
  EXPECT_EQ(LogBody(log),
            "<tr><td>\xC2\x95</td><td>VLM_CreateNodeListEntry</td><td colspan=2><i style='color:#0000FF;'>"
            "Info: The already existing Node has been replaced!</i></td></tr>");
}

TEST_F(RegistryTest, DynamicEntriesAreAddressesAndLeaveTheTableAlone) {
  intptr_t a = -1, b = -1;
  TestRecord* ra = registry.CreateEntry(&a, "");
  TestRecord* rb = registry.CreateEntry(&b, "");
  EXPECT_NE(a, b);
  EXPECT_GT(a, 0xFFFF);
  EXPECT_GT(b, 0xFFFF);
  EXPECT_EQ(registry.TableSize(), 0u);
  EXPECT_EQ(registry.Resolve(a), ra);
  EXPECT_EQ(registry.Resolve(b), rb);
}

TEST_F(RegistryTest, UnavailableIdsFailAndKeepTheCallersId) {
  for (intptr_t bad : {intptr_t{65536}, intptr_t{-2}, intptr_t{70000}}) {
    intptr_t id = bad;
    EXPECT_EQ(registry.CreateEntry(&id, ""), nullptr);
    EXPECT_EQ(id, bad);
  }
  EXPECT_EQ(registry.Count(), 0u);
  const std::string fail = kRow + "#FF0000;'>Fail: This ID is not available!</i></td></tr>";
  EXPECT_EQ(LogBody(log), fail + fail + fail);
}

TEST_F(RegistryTest, NameCollisionHappensBeforeTheIdTest) {
  intptr_t id = 1;
  registry.CreateEntry(&id, "Rock");
  intptr_t bad = 65536;
  EXPECT_EQ(registry.CreateEntry(&bad, "Rock"), nullptr);
  EXPECT_EQ(registry.Count(), 0u);
  EXPECT_EQ(registry.FindByName("Rock"), nullptr);
}

TEST_F(RegistryTest, HighestIdGrowsTheTableExactly) {
  intptr_t id = 65535;
  ASSERT_NE(registry.CreateEntry(&id, ""), nullptr);
  EXPECT_EQ(registry.TableSize(), 65536u);
  intptr_t low = 2;
  registry.CreateEntry(&low, "");
  EXPECT_EQ(registry.TableSize(), 65536u);
}

TEST_F(RegistryTest, ResolvingRejectsEmptySlotsAndForgedAddresses) {
  intptr_t id = 1;
  registry.CreateEntry(&id, "");
  EXPECT_EQ(registry.Resolve(0), nullptr);  // empty slot
  EXPECT_EQ(registry.Resolve(3), nullptr);  // beyond the table
  // Addresses that are not live records of this kind resolve to 0 rather
  // than being dereferenced.
  EXPECT_EQ(registry.Resolve(70000), nullptr);
  int unrelated = 0;
  EXPECT_EQ(registry.Resolve(reinterpret_cast<intptr_t>(&unrelated)), nullptr);
  EXPECT_EQ(registry.Resolve(-1), nullptr);
  intptr_t dyn = -1;
  TestRecord* r = registry.CreateEntry(&dyn, "");
  ASSERT_EQ(registry.Resolve(dyn), r);
  ReleaseTest(dyn);
  EXPECT_EQ(registry.Resolve(dyn), nullptr);
  EXPECT_EQ(registry.Find(dyn), nullptr);
}

TEST_F(RegistryTest, ReleaseFreesIdAndName) {
  intptr_t id = 4;
  registry.CreateEntry(&id, "Crate");
  ReleaseTest(4);
  EXPECT_EQ(registry.Resolve(4), nullptr);
  EXPECT_EQ(registry.FindByName("Crate"), nullptr);
  intptr_t again = 9;
  TestRecord* r = registry.CreateEntry(&again, "Crate");
  EXPECT_EQ(registry.FindByName("Crate"), r);
  EXPECT_EQ(LogBody(log), "");  // the name was free: no notice
}

TEST_F(RegistryTest, ListKeepsCreationOrder) {
  std::vector<intptr_t> ids = {3, -1, 0, 2};
  std::vector<TestRecord*> made;
  for (intptr_t id : ids) made.push_back(registry.CreateEntry(&id, ""));
  EXPECT_EQ(registry.Records(), made);
  EXPECT_EQ(registry.Last(), made.back());
  registry.ReleaseAll();
  EXPECT_EQ(registry.Count(), 0u);
}

// The engine's own kinds share the generic registry.
TEST(EngineRegistries, KindsResolveOnlyTheirOwnRecords) {
  TempDir dir;
  const std::string log = OpenTestLog(dir, VLM_LOG_PROCEDURE);
  intptr_t node = -1;
  VLM_NODE* n = VLM_CreateNodeListEntry(&node, "Pivot");
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(VLM_IsNode(node), n);
  EXPECT_EQ(VLM_ResolveNode(node), n);
  // A node's address is not a texture.
  EXPECT_EQ(VLM_ResolveTexture(node), nullptr);
  EXPECT_EQ(VLM_IsTexture(node), nullptr);
  intptr_t tex = 1;
  VLM_CreateTextureListEntry(&tex, "Wood");
  intptr_t tex2 = 2;
  VLM_CreateTextureListEntry(&tex2, "Wood");
  EXPECT_EQ(VLM_ResolveTexture(1), nullptr);
  EXPECT_NE(VLM_ResolveTexture(2), nullptr);
  EXPECT_EQ(VLM_FreeNode(node), 1);
  EXPECT_EQ(VLM_IsNode(node), nullptr);
  EXPECT_EQ(VLM_FreeNode(node), 0);
  VLM_FreeTexture(2);
  EXPECT_EQ(LogBody(log),
            "<tr><td>\xC2\x95</td><td>VLM_CreateTextureListEntry</td><td colspan=2><i style='color:#0000FF;'>"
            "Loaded double: First Texture has been released!</i></td></tr>");
}

}  // namespace
