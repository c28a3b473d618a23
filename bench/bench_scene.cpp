// Objects entering and leaving the render queue of one material, against
// the registry alone doing the same creations and releases.
//
// "Queue" creates N objects drawing one mesh with one material and releases
// them oldest first (each release takes an entry out of the middle of the
// material's list); "RegistryOnly" creates and releases N bare object
// records in the same order. Both report items_per_second per object; the
// queue's share must stay the same as N grows (constant-time removal).
#include <benchmark/benchmark.h>

#include <vector>

#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "velmora.h"

namespace {

void Queue(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  VLM_HANDLE meshId = 1, materialId = 2;
  VLM_CreateMeshListEntry(&meshId, "");
  VLM_MATERIAL* material = VLM_CreateMaterialListEntry(&materialId, "");
  std::vector<VLM_HANDLE> handles(n);
  for (auto _ : state) {
    for (size_t i = 0; i < n; ++i) handles[i] = reinterpret_cast<VLM_HANDLE>(VLM_CreateObject(-1, 1, 2, 1, ""));
    for (size_t i = 0; i < n; ++i) VLM_FreeObject(handles[i]);
  }
  if (!material->instances.empty()) state.SkipWithError("queue entries left behind");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
  VLM_FreeMaterial(2);
  VLM_FreeMesh(1);
}

void RegistryOnly(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  std::vector<VLM_HANDLE> handles(n);
  for (auto _ : state) {
    for (size_t i = 0; i < n; ++i) {
      handles[i] = -1;
      VLM_CreateObjectListEntry(&handles[i], "");
    }
    for (size_t i = 0; i < n; ++i) VLM_FreeObject(handles[i]);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

BENCHMARK(Queue)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(RegistryOnly)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
