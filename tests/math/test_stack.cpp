// The per-thread vector stack: slot numbering, overflow, underflow and the
// overflow messages on the debugger channel.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "core/debug_channel.h"
#include "velmora/core.h"
#include "velmora/math.h"

namespace {

// Each test runs on a new thread so it starts from a zero-filled stack
// whatever the tests before it did.
void OnFreshThread(const std::function<void()>& body) {
  std::thread t(body);
  t.join();
}

struct Record {
  uint32_t next = 0;
  int32_t type = 0;
  std::string text;
};

Record ReadRecord(const uint8_t* base, uint32_t offset) {
  Record r;
  std::memcpy(&r.next, base + offset, 4);
  std::memcpy(&r.type, base + offset + 4, 4);
  r.text = reinterpret_cast<const char*>(base + offset + 8);
  return r;
}

uint64_t Counter(const uint8_t* base) {
  uint64_t c;
  std::memcpy(&c, base, 8);
  return c;
}

// Captures debugger-channel records written while it lives, by acting as
// the debugger application: it creates the mapping before the engine
// connects.
class DebuggerCapture {
 public:
  DebuggerCapture() {
    vlm::ResetDebugChannel("");
    base_ = vlm::CreateDebuggerMapping(true);
    if (base_) {
      std::memset(base_, 0, 64 * 1024);
      start_ = Counter(base_);
    }
  }
  ~DebuggerCapture() {
    vlm::CloseDebuggerMapping(base_);
    vlm::RemoveDebuggerMapping();
    vlm::ResetDebugChannel("");
  }
  const uint8_t* Base() const { return base_; }
  uint64_t Count() const { return Counter(base_) - start_; }

 private:
  uint8_t* base_ = nullptr;
  uint64_t start_ = 0;
};

TEST(VectorStack, PushAndPeek) {
  OnFreshThread([] {
    v4f* slot0 = VLM_v4fPeek(0);  // index 0 on a new thread
    v4f* a = VLM_v4fPush(1, 2, 3, 4);
    EXPECT_EQ(a, slot0 + 1);
    EXPECT_EQ(VLM_v4fPeek(0), a);
    EXPECT_EQ(a->x, 1);
    EXPECT_EQ(a->y, 2);
    EXPECT_EQ(a->z, 3);
    EXPECT_EQ(a->w, 4);

    const v4f src{5, 6, 7, 8};
    v4f* b = VLM_v4fPushCopy(&src);
    EXPECT_EQ(b, slot0 + 2);
    EXPECT_EQ(std::memcmp(b, &src, sizeof src), 0);
    EXPECT_EQ(VLM_v4fPeek(0), b);
    EXPECT_EQ(VLM_v4fPeek(1), a);

    EXPECT_EQ(VLM_v4fPop(2), 0);
    EXPECT_EQ(VLM_v4fPeek(0), slot0);
    // The next push reuses the first slot.
    EXPECT_EQ(VLM_v4fPush(0, 0, 0, 0), slot0 + 1);
    VLM_v4fPop(1);
  });
}

TEST(VectorStack, OverflowHandsOutTheTopSlotAndPopsRebalance) {
  OnFreshThread([] {
    v4f* slot0 = VLM_v4fPeek(0);
    v4f* last = nullptr;
    for (int i = 1; i <= 128; ++i) {
      last = VLM_v4fPush(static_cast<float>(i), 0, 0, 1);
      ASSERT_EQ(last, slot0 + i);
    }
    EXPECT_EQ(last->x, 128.0f);

    // The 129th push returns slot 128 without writing into it.
    v4f* over = VLM_v4fPush(-1, -1, -1, -1);
    EXPECT_EQ(over, slot0 + 128);
    EXPECT_EQ(over->x, 128.0f);
    EXPECT_EQ(VLM_v4fPeek(0), slot0 + 128);  // overflowed levels share it
    EXPECT_EQ(VLM_v4fPeek(1), slot0 + 128);
    EXPECT_EQ(VLM_v4fPeek(2), slot0 + 127);

    for (int i = 0; i < 129; ++i) VLM_v4fPop(1);
    EXPECT_EQ(VLM_v4fPeek(0), slot0);
    EXPECT_EQ(VLM_v4fPush(0, 0, 0, 0), slot0 + 1);
    VLM_v4fPop(1);

    // The same for a copy.
    for (int i = 1; i <= 128; ++i) VLM_v4fPush(static_cast<float>(i), 0, 0, 1);
    const v4f copy{-2, -2, -2, -2};
    EXPECT_EQ(VLM_v4fPushCopy(&copy), slot0 + 128);
    EXPECT_EQ(slot0[128].x, 128.0f);
    VLM_v4fPop(129);
    EXPECT_EQ(VLM_v4fPeek(0), slot0);
  });
}

TEST(VectorStack, OverflowReportsToTheDebuggerChannel) {
  DebuggerCapture debugger;
  if (!debugger.Base()) GTEST_SKIP() << "shared memory not available";
  OnFreshThread([] {
    for (int i = 0; i < 128; ++i) VLM_v4fPush(0, 0, 0, 0);
    VLM_v4fPush(0, 0, 0, 0);
    const v4f v{};
    VLM_v4fPushCopy(&v);
    VLM_v4fPop(130);
  });
  ASSERT_EQ(debugger.Count(), 2u);
  const std::string push = "Math : VLM_v4fPush() : Stack overflow!";
  const std::string pushCopy = "Math : VLM_v4fPushCopy() : Stack overflow!";
  const Record first = ReadRecord(debugger.Base(), 8);
  EXPECT_EQ(first.type, VLM_DEBUG_ERROR);
  EXPECT_EQ(first.text, push);
  EXPECT_EQ(first.next, 8u + 8u + push.size() + 1u);
  const Record second = ReadRecord(debugger.Base(), first.next);
  EXPECT_EQ(second.type, VLM_DEBUG_ERROR);
  EXPECT_EQ(second.text, pushCopy);
  EXPECT_EQ(second.next, first.next + 8u + pushCopy.size() + 1u);
}

TEST(VectorStack, BalancedUseWithinLimitsSendsNothing) {
  DebuggerCapture debugger;
  if (!debugger.Base()) GTEST_SKIP() << "shared memory not available";
  OnFreshThread([] {
    for (int i = 0; i < 128; ++i) VLM_v4fPush(0, 0, 0, 0);
    VLM_v4fPop(128);
  });
  EXPECT_EQ(debugger.Count(), 0u);
}

TEST(VectorStack, PoppingBelowTheBottomIsReportedAndStaysInBounds) {
  DebuggerCapture debugger;
  if (!debugger.Base()) GTEST_SKIP() << "shared memory not available";
  OnFreshThread([] {
    v4f* slot0 = VLM_v4fPeek(0);
    VLM_v4fPop(2);                      // index -2
    EXPECT_EQ(VLM_v4fPeek(0), slot0);   // clamped, never outside the array
    EXPECT_EQ(VLM_v4fPeek(-200), slot0 + 128);
    v4f* p = VLM_v4fPush(1, 2, 3, 4);  // index -1: the spare slot 0
    EXPECT_EQ(p, slot0);
    EXPECT_EQ(p->w, 4.0f);
    VLM_v4fPush(0, 0, 0, 0);                  // index 0
    EXPECT_EQ(VLM_v4fPush(5, 6, 7, 8), slot0 + 1);  // back in step
    VLM_v4fPop(1);
  });
  ASSERT_EQ(debugger.Count(), 1u);
  const Record r = ReadRecord(debugger.Base(), 8);
  EXPECT_EQ(r.type, VLM_DEBUG_ERROR);
  EXPECT_EQ(r.text, "Math : VLM_v4fPop() : Stack underflow!");
}

TEST(VectorStack, EachThreadHasItsOwnStack) {
  OnFreshThread([] {
    v4f* mainSlot0 = VLM_v4fPeek(0);
    v4f* mine = VLM_v4fPush(1, 1, 1, 1);
    VLM_v4fPush(2, 2, 2, 2);
    v4f* otherSlot0 = nullptr;
    v4f* otherFirst = nullptr;
    std::thread other([&] {
      otherSlot0 = VLM_v4fPeek(0);  // starts at index 0, not 2
      otherFirst = VLM_v4fPush(9, 9, 9, 9);
      VLM_v4fPop(1);
    });
    other.join();
    EXPECT_NE(otherSlot0, mainSlot0);
    EXPECT_EQ(otherFirst, otherSlot0 + 1);
    EXPECT_EQ(mine->x, 1.0f);  // untouched by the other thread's push
    EXPECT_EQ(VLM_v4fPeek(0)->x, 2.0f);
    VLM_v4fPop(2);
    EXPECT_EQ(VLM_v4fPeek(0), mainSlot0);
  });
}

}  // namespace
