// Per-thread stack of temporary vectors: a push is an index increment, so a
// calculation can take scratch vectors without touching the heap.
#include <climits>

#include "velmora/core.h"
#include "velmora/math.h"

namespace {

constexpr int kTopSlot = 128;  // slots 0..128; slot 0 is never handed out
// Far outside any real use, far inside int: keeps wild Pop counts from
// overflowing the index.
constexpr long long kIndexLimit = 1LL << 30;

struct VectorStack {
  int index;
  v4f slot[kTopSlot + 1];
};

// Zero-filled for every new thread.
thread_local VectorStack t_stack{};

// The slot for an index, kept inside the array. Overflowed levels share the
// top slot; levels below the bottom (after too many pops) share slot 0.
inline v4f* SlotAt(long long i) {
  if (i > kTopSlot) i = kTopSlot;
  if (i < 0) i = 0;
  return &t_stack.slot[i];
}

inline int ClampIndex(long long i) {
  if (i > kIndexLimit) return static_cast<int>(kIndexLimit);
  if (i < -kIndexLimit) return static_cast<int>(-kIndexLimit);
  return static_cast<int>(i);
}

// Raises the index and returns the slot to fill, or nullptr after reporting
// an overflow. The index stays raised so that the caller's matching pops
// still balance; the value is dropped and the caller works on the top slot.
v4f* PushSlot(const char* overflowMessage) {
  VectorStack& s = t_stack;
  s.index = ClampIndex(static_cast<long long>(s.index) + 1);
  if (s.index > kTopSlot) {
    VLM_DebugError(overflowMessage);
    return nullptr;
  }
  return SlotAt(s.index);
}

}  // namespace

extern "C" {

v4f* VLM_v4fPush(float x, float y, float z, float w) {
  v4f* v = PushSlot("Math : VLM_v4fPush() : Stack overflow!");
  return v ? VLM_v4fSet(v, x, y, z, w) : &t_stack.slot[kTopSlot];
}

v4f* VLM_v4fPushCopy(const v4f* v) {
  v4f* slot = PushSlot("Math : VLM_v4fPushCopy() : Stack overflow!");
  return slot ? VLM_v4fCopy(slot, v) : &t_stack.slot[kTopSlot];
}

int VLM_v4fPop(int n) {
  VectorStack& s = t_stack;
  const long long next = static_cast<long long>(s.index) - n;
  // Popping below the bottom is a caller bug; say so once when it happens.
  if (next < 0 && s.index >= 0) VLM_DebugError("Math : VLM_v4fPop() : Stack underflow!");
  s.index = ClampIndex(next);
  return 0;
}

v4f* VLM_v4fPeek(int n) {
  const VectorStack& s = t_stack;
  return SlotAt(static_cast<long long>(s.index) - n);
}

}  // extern "C"
