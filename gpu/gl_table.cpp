// The GL function table; it is filled by the platform layer once a context is current.
#include "gpu/gl_table.h"

#include <cstddef>
#include <cstring>
#include <string>

#include "core/fail.h"
#include "velmora/core.h"

vlm::gl::FunctionTable vlmgl;

namespace vlm::gl {
namespace {

struct SlotInfo {
  const char* name;
  size_t offset;
};

constexpr SlotInfo kSlots[] = {
#define VLM_GL_INFO(name) {#name, offsetof(FunctionTable, name)},
    VLM_GL_FUNCTIONS(VLM_GL_INFO)
#undef VLM_GL_INFO
};
static_assert(sizeof(kSlots) / sizeof(kSlots[0]) == kFunctionCount);

}  // namespace

const char* FunctionName(int index) {
  return index >= 0 && index < kFunctionCount ? kSlots[index].name : nullptr;
}

const void* FunctionAddress(const char* name) {
  if (!name) return nullptr;
  for (const SlotInfo& slot : kSlots) {
    if (std::strcmp(slot.name, name) != 0) continue;
    const void* address = nullptr;
    std::memcpy(&address, reinterpret_cast<const char*>(&vlmgl) + slot.offset, sizeof address);
    return address;
  }
  return nullptr;
}

bool HasFunctions(const char* procedure, std::initializer_list<const char*> names) {
  bool all = true;
  for (const char* name : names) {
    if (FunctionAddress(name)) continue;
    all = false;
    const std::string text = std::string("Fail: The OpenGL entry point ") + (name ? name : "") +
                             " is missing!";
    vlm::Fail(text.c_str(), procedure ? procedure : "");
  }
  return all;
}

}  // namespace vlm::gl
