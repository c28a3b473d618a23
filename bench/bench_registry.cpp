// Record churn: 1,000,000 create/free cycles of one kind (physical
// materials, ID -1) must keep resident memory flat and each cycle O(1).
// Prints
//   cycles=1000000 ns_per_cycle=... reference_ns=... rss_before_kib=... rss_after_kib=... growth_kib=...
// where the reference is the same number of new/delete pairs of the record
// with an address set insert/erase, measured in the same run.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <unordered_set>

#include "core/registries.h"
#include "physics/surface_joint_records.h"
#include "velmora.h"

namespace {

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * 4;  // 4 KiB pages
}

double NanosecondsPer(long cycles, std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::nano>(d).count() / static_cast<double>(cycles);
}

}  // namespace

int main() {
  constexpr long kCycles = 1000000;
  // Warm up to the steady state: the quarantine full, the blocks taken.
  for (int i = 0; i < 20000; ++i) {
    VLM_HANDLE h = -1;
    VLM_CreateSurfaceListEntry(&h, "");
    VLM_FreeSurface(h);
  }
  const long before = ResidentKiB();
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < kCycles; ++i) {
    VLM_HANDLE h = -1;
    VLM_CreateSurfaceListEntry(&h, "");
    VLM_FreeSurface(h);
  }
  const auto ours = std::chrono::steady_clock::now() - start;
  const long after = ResidentKiB();

  std::unordered_set<const VLM_SURFACE*> live;
  const auto refStart = std::chrono::steady_clock::now();
  for (long i = 0; i < kCycles; ++i) {
    auto* record = new VLM_SURFACE();
    live.insert(record);
    live.erase(record);
    delete record;
  }
  const auto reference = std::chrono::steady_clock::now() - refStart;

  std::printf("cycles=%ld ns_per_cycle=%.1f reference_ns=%.1f rss_before_kib=%ld rss_after_kib=%ld growth_kib=%ld\n",
              kCycles, NanosecondsPer(kCycles, ours), NanosecondsPer(kCycles, reference), before, after,
              after - before);
  std::printf("# pool slots of the kind: %zu\n", vlm::SurfaceRegistry().PoolCapacity());
  return 0;
}
