// Stale and forged handles: a freed record's address must not reach a new
// record, in the generic registry and in every engine kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/registries.h"
#include "core/registry.h"
#include "physics/surface_joint_records.h"
#include "scene/object_record.h"
#include "support/test_support.h"
#include "velmora/registry.h"

namespace {

struct Plain {
  intptr_t iHandle = 0;
  std::string sName;
  double payload[3] = {1, 2, 3};
};

using PlainRegistry = vlm::Registry<Plain>;
const vlm::KindInfo kPlainKind{"Node", "VLM_CreateNodeListEntry", false};

intptr_t Make(PlainRegistry& r, intptr_t id = -1, const char* name = "") {
  r.CreateEntry(&id, name);
  return id;
}

TEST(HandleReuse, FreedAddressWaitsForTheWholeDelayThenIsReusedFirstInFirstOut) {
  PlainRegistry r(kPlainKind, nullptr);
  const intptr_t first = Make(r);
  const intptr_t second = Make(r);
  ASSERT_EQ(r.Free(first), 1);
  ASSERT_EQ(r.Free(second), 1);
  // Every record freed after `first` pushes it one place nearer reuse; the
  // two freed above plus 4095 churn cycles still leave it waiting.
  for (size_t i = 0; i + 1 < vlm::kRecordReuseDelay; ++i) {
    const intptr_t h = Make(r);
    ASSERT_NE(h, first) << i;
    ASSERT_NE(h, second) << i;
    ASSERT_EQ(r.Resolve(first), nullptr) << i;
    ASSERT_EQ(r.Free(h), 1);
  }
  EXPECT_EQ(r.Find(first), nullptr);
  // 4096 records freed after it: its slot is the oldest and comes back,
  // value-initialised, and the old handle now names the new record.
  const intptr_t reused = Make(r, -1, "New");
  EXPECT_EQ(reused, first);
  EXPECT_EQ(r.Resolve(first)->payload[2], 3.0);
  EXPECT_EQ(r.Resolve(first)->sName, "New");
  // `second` has 4095 frees after it; one more and it is next.
  EXPECT_NE(Make(r), second);
  ASSERT_EQ(r.Free(reused), 1);
  EXPECT_EQ(Make(r), second);
}

TEST(HandleReuse, ChurnKeepsStaleHandlesDeadAndTheMemoryBounded) {
  PlainRegistry r(kPlainKind, nullptr);
  const intptr_t kept = Make(r, -1, "Kept");
  std::vector<intptr_t> recent;
  std::set<intptr_t> seen;
  for (int i = 0; i < 10000; ++i) {
    const intptr_t h = Make(r, i % 3 == 0 ? 77 : -1);  // IDs and addresses alike
    if (h != 77) seen.insert(h);
    ASSERT_EQ(r.Free(h), 1);
    EXPECT_EQ(r.Resolve(h), nullptr);
    if (h != 77) recent.push_back(h);
  }
  EXPECT_EQ(r.Resolve(77), nullptr);
  // The last 4096 addresses freed are all still waiting.
  ASSERT_GE(recent.size(), vlm::kRecordReuseDelay);
  for (size_t i = recent.size() - vlm::kRecordReuseDelay; i < recent.size(); ++i) {
    ASSERT_EQ(r.Resolve(recent[i]), nullptr) << i;
  }
  EXPECT_EQ(r.Resolve(kept)->sName, "Kept");
  EXPECT_EQ(r.Count(), 1u);
  // One live record, the quarantine and one partly used block of slots.
  EXPECT_LE(r.PoolCapacity(), 1 + vlm::kRecordReuseDelay + 1 + 64);
  EXPECT_LE(seen.size(), vlm::kRecordReuseDelay + 1 + 64);
}

TEST(HandleReuse, ReleaseAllLeavesNoHandleAlive) {
  PlainRegistry r(kPlainKind, nullptr);
  std::vector<intptr_t> handles;
  for (intptr_t id : {intptr_t{-1}, intptr_t{0}, intptr_t{5}, intptr_t{-1}, intptr_t{65535}}) {
    handles.push_back(Make(r, id, id == 5 ? "Five" : ""));
  }
  r.ReleaseAll();
  EXPECT_EQ(r.Count(), 0u);
  for (intptr_t h : handles) EXPECT_EQ(r.Resolve(h), nullptr) << h;
  EXPECT_EQ(r.FindByName("Five"), nullptr);
  const intptr_t fresh = Make(r);
  EXPECT_EQ(std::count(handles.begin(), handles.end(), fresh), 0);
}

TEST(HandleReuse, ForgedAddressesResolveToNothing) {
  PlainRegistry r(kPlainKind, nullptr);
  const intptr_t h = Make(r);
  const Plain* live = r.Resolve(h);
  ASSERT_NE(live, nullptr);
  int onStack = 0;
  const intptr_t forged[] = {
      h + 1,                                   // inside a live record
      h + static_cast<intptr_t>(sizeof(Plain)),  // the slot after it, never used
      h - static_cast<intptr_t>(sizeof(Plain)),
      reinterpret_cast<intptr_t>(&onStack),
      reinterpret_cast<intptr_t>(&live->payload[1]),
      0x10000,                                  // the first value that is not an ID
      INTPTR_MAX,
      INTPTR_MIN,
      -2,
  };
  for (intptr_t f : forged) {
    EXPECT_EQ(r.Resolve(f), nullptr) << f;
    EXPECT_EQ(r.Free(f), 0) << f;
  }
  EXPECT_EQ(r.Count(), 1u);
}

// The fifteen engine kinds through their public procedures.
struct Kind {
  const char* name;
  void* (*create)(VLM_HANDLE* id, const char* name);
  void* (*is)(VLM_HANDLE handle);
  int (*release)(VLM_HANDLE handle);
};

#define VLM_KIND(K)                                                                    \
  Kind {                                                                               \
    #K, [](VLM_HANDLE* id, const char* n) -> void* { return VLM_Create##K##ListEntry(id, n); }, \
        [](VLM_HANDLE h) -> void* { return VLM_Is##K(h); }, VLM_Free##K                 \
  }

const Kind kKinds[] = {VLM_KIND(Shader),   VLM_KIND(ParticleEmitter), VLM_KIND(Ribbon),   VLM_KIND(Mesh),
                       VLM_KIND(Surface),  VLM_KIND(Body),            VLM_KIND(Animation), VLM_KIND(Sound),
                       VLM_KIND(Billboard), VLM_KIND(Cage),           VLM_KIND(Skeleton), VLM_KIND(Texture),
                       VLM_KIND(Material), VLM_KIND(Node),            VLM_KIND(Object)};
#undef VLM_KIND

TEST(HandleReuse, EveryEngineKindRefusesStaleAndForeignHandles) {
  vlmtest::TempDir dir;
  vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  std::vector<VLM_HANDLE> live;
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    VLM_HANDLE a = -1;
    ASSERT_NE(kind.create(&a, ""), nullptr);
    VLM_HANDLE id = 4321;
    ASSERT_NE(kind.create(&id, ""), nullptr);
    ASSERT_EQ(kind.release(a), 1);
    ASSERT_EQ(kind.release(id), 1);
    EXPECT_EQ(kind.is(a), nullptr);
    EXPECT_EQ(kind.is(id), nullptr);
    EXPECT_EQ(kind.release(a), 0);
    // A new record of the kind lands elsewhere; the old address stays dead.
    VLM_HANDLE b = -1;
    void* fresh = kind.create(&b, "");
    EXPECT_NE(b, a);
    EXPECT_EQ(kind.is(b), fresh);
    EXPECT_EQ(kind.is(a), nullptr);
    EXPECT_EQ(kind.is(b + 8), nullptr);
    live.push_back(b);
  }
  // A live record of one kind is nothing to any other kind; Body and Object
  // share a record type but not a registry.
  for (size_t k = 0; k < std::size(kKinds); ++k) {
    for (size_t other = 0; other < std::size(kKinds); ++other) {
      if (other == k) continue;
      EXPECT_EQ(kKinds[other].is(live[k]), nullptr) << kKinds[k].name << " given to " << kKinds[other].name;
    }
  }
  for (size_t k = 0; k < std::size(kKinds); ++k) EXPECT_EQ(kKinds[k].release(live[k]), 1) << kKinds[k].name;
}

TEST(HandleReuse, EngineKindsAfterReleaseAllAndChurn) {
  vlmtest::TempDir dir;
  vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  // Surfaces (physical materials) and bodies: the kinds of the reported fault.
  std::vector<VLM_HANDLE> stale;
  for (int i = 0; i < 10000; ++i) {
    VLM_HANDLE s = -1;
    ASSERT_NE(VLM_CreateSurfaceListEntry(&s, ""), nullptr);
    ASSERT_EQ(VLM_FreeSurface(s), 1);
    ASSERT_EQ(VLM_IsSurface(s), nullptr);
    if (i >= 10000 - static_cast<int>(vlm::kRecordReuseDelay)) stale.push_back(s);
  }
  for (VLM_HANDLE s : stale) ASSERT_EQ(VLM_IsSurface(s), nullptr);
  EXPECT_LE(vlm::SurfaceRegistry().PoolCapacity(), vlm::kRecordReuseDelay + 64 + 64);

  auto& bodies = vlm::BodyRegistry();
  std::vector<VLM_HANDLE> made;
  for (int i = 0; i < 8; ++i) {
    VLM_HANDLE h = i % 2 ? -1 : 100 + i;
    ASSERT_NE(VLM_CreateBodyListEntry(&h, ""), nullptr);
    made.push_back(h);
  }
  bodies.ReleaseAll();
  for (VLM_HANDLE h : made) EXPECT_EQ(VLM_IsBody(h), nullptr) << h;
  VLM_HANDLE next = -1;
  VLM_CreateBodyListEntry(&next, "");
  EXPECT_EQ(std::count(made.begin(), made.end(), next), 0);
  EXPECT_EQ(VLM_FreeBody(next), 1);
}

}  // namespace
