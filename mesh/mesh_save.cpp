// Writing engine mesh files (".vlm") with the definition writer: CR LF
// line ends, tab indentation and numbers with six decimals, non-negative
// ones preceded by a space so that the columns line up.
#include <string>
#include <string_view>

#include "core/fail.h"
#include "mesh/mesh_internal.h"
#include "velmora/core.h"
#include "velmora/definition.h"
#include "velmora/mesh.h"

namespace {

constexpr const char* kProc = "VLM_SaveMesh";

// The format has no escape: a name holding structural characters is
// written in single quotes, which the reader takes verbatim; quotes
// inside such a name cannot be kept and are left out.
std::string WrittenName(std::string_view name) {
  const bool structural = name.find_first_of(":,;{}'\n") != std::string_view::npos ||
                          name.find("//") != std::string_view::npos ||
                          name.find("/*") != std::string_view::npos;
  if (!structural) return std::string(name);
  std::string quoted = "'";
  for (char c : name) {
    if (c != '\'') quoted += c;
  }
  quoted += '\'';
  return quoted;
}

// "\tTitle: count {", the lines, "\t}" and an empty line.
template <class LineFn>
bool Block(VLM_DEFINITION_WRITER* out, const char* title, int32_t count, LineFn&& line) {
  const std::string value = std::to_string(count);
  bool ok = VLM_BeginDefinitionBlock(out, title, value.c_str()) != 0;
  for (int32_t i = 0; ok && i < count; ++i) ok = line(i);
  ok = ok && VLM_EndDefinitionBlock(out) != 0;
  return ok && VLM_WriteDefinitionLine(out, "") != 0;
}

bool WriteMesh(VLM_DEFINITION_WRITER* out, const VLM_MESH& mesh, std::string_view meshName) {
  const VLM_MESH_VERTEX* v = mesh.aVertices.data();
  const int32_t* index = mesh.aiIndices.data();
  const int32_t vertexCount = mesh.iVertexCount;
  if (!VLM_BeginDefinitionBlock(out, "Mesh", WrittenName(meshName).c_str())) return false;
  bool ok = Block(out, "Vertices", vertexCount, [&](int32_t i) {
    const float xyz[3] = {v[i].v4fPosition.x, v[i].v4fPosition.y, v[i].v4fPosition.z};
    return VLM_WriteDefinitionFloats(out, xyz, 3) != 0;
  });
  ok = ok && Block(out, "Normals", vertexCount, [&](int32_t i) {
    return VLM_WriteDefinitionFloats(out, v[i].v3fNormal, 3) != 0;
  });
  ok = ok && Block(out, "TextureCoords", vertexCount, [&](int32_t i) {
    return VLM_WriteDefinitionFloats(out, v[i].v2fTexCoord, 2) != 0;
  });
  ok = ok && Block(out, "Faces", mesh.iIndexCount / 3, [&](int32_t t) {
    return VLM_WriteDefinitionIntegers(out, index + static_cast<size_t>(t) * 3, 3) != 0;
  });
  return ok && VLM_EndDefinitionBlock(out) != 0;
}

}  // namespace

extern "C" int VLM_SaveMesh(VLM_HANDLE handle, const char* fileName, const char* meshName) {
  const VLM_MESH* mesh = VLM_ResolveMesh(handle);
  if (!mesh) {
    vlm::Fail("Fail: Mesh not found!", kProc);
    return 0;
  }
  VLM_DEFINITION_WRITER* out = VLM_OpenDefinitionWriter(fileName);
  if (!out) {
    vlm::Fail("Fail: File not created!", kProc);
    return 0;
  }
  const bool written = WriteMesh(out, *mesh, meshName ? meshName : "");
  if (!VLM_CloseDefinitionWriter(out) || !written) {
    vlm::Fail("Fail: File not written completely!", kProc);
    return 0;
  }
  return 1;
}
