#include "core/layout_check.h"

#include "platform/screen.h"
#include "scene/object_record.h"
#include "velmora/mesh.h"

namespace vlm {

namespace {
constexpr size_t kMeshVertexSize = 52;
}  // namespace

std::vector<LayoutFact> RecordLayoutFacts() {
  std::vector<LayoutFact> facts = ObjectLayoutFacts();
  facts.push_back({sizeof(VLM_MESH_VERTEX), kMeshVertexSize,
                   "Size of VLM_MESH_VERTEX was changed! Update ASM code " +
                       std::to_string(kMeshVertexSize)});
  return facts;
}

int CheckRecordLayout(const std::vector<LayoutFact>& facts) {
  int broken = 0;
  for (const LayoutFact& fact : facts) {
    if (fact.actual == fact.expected) continue;
    platform::ShowWarning("WARNING", fact.message.c_str());
    ++broken;
  }
  return broken;
}

}  // namespace vlm
