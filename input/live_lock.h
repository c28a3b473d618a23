// The live keyboard and mouse records are written by the window hook, which
// may run on whichever thread pushes an event; this lock guards them. Never
// hold it while calling into the window system: a cursor warp can report its
// own move before it returns.
#pragma once

#include <cstdint>
#include <mutex>

namespace vlm::input {

std::mutex& LiveLock();

// acc += value, held within the 32-bit range (hand-made events can carry
// any coordinates).
inline void AddSaturated(int32_t& acc, int64_t value) {
  int64_t sum = static_cast<int64_t>(acc) + value;
  if (sum > INT32_MAX) sum = INT32_MAX;
  if (sum < INT32_MIN) sum = INT32_MIN;
  acc = static_cast<int32_t>(sum);
}

}  // namespace vlm::input
