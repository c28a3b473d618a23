// Building a program from its two stages by reading their declarations:
// attribute and output locations, uniform blocks and uniforms are found by
// regular expressions (one declaration per line) and bound or registered.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <charconv>
#include <set>
#include <string>
#include <string_view>

#include "gpu/gl_table.h"
#include "render/shader_build.h"
#include "render/shader_internal.h"
#include "render/uniform_buffers.h"
#include "velmora/core.h"
#include "velmora/shader.h"

namespace vlm::render {
namespace {

constexpr const char* kProc = "VLM_BuildShaderProgram";

// The four expressions, compiled once for the process. "." does not cross
// a line end, so each declaration must stand on one line.
struct Patterns {
  pcre2_code* attribute = nullptr;
  pcre2_code* output = nullptr;
  pcre2_code* block = nullptr;
  pcre2_code* uniform = nullptr;
};

pcre2_code* Compile(const char* expression) {
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(expression), PCRE2_ZERO_TERMINATED,
                                   0, &error, &offset, nullptr);
  // The interpreter serves when the JIT is not available.
  if (code) pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
  return code;
}

const Patterns& GetPatterns() {
  static const Patterns patterns = [] {
    Patterns p;
    p.attribute = Compile(R"(layout.*?location\s*?\=\s*?(\d+).*?in\W+(\w+)\s*(\w+))");
    p.output = Compile(R"(layout.*?location\s*?\=\s*?(\d+).*?out\W+(\w+)\s*(\w+))");
    p.block = Compile(R"(layout\s*\(.*?\)\s*uniform\s+(\w+))");
    p.uniform = Compile(R"(uniform\s+(\w+)\s+(\w+))");
    return p;
  }();
  return patterns;
}

// Calls f(captures) for every match, captures[0] being the whole match.
template <class F>
void ForEachMatch(const pcre2_code* code, std::string_view text, F&& f) {
  if (!code) return;
  pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
  if (!data) return;
  PCRE2_SIZE offset = 0;
  while (offset <= text.size()) {
    const int count = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(),
                                  offset, 0, data, nullptr);
    if (count <= 0) break;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
    std::string_view captures[4];
    for (int i = 0; i < count && i < 4; ++i) {
      if (ovector[2 * i] != PCRE2_UNSET)
        captures[i] = text.substr(ovector[2 * i], ovector[2 * i + 1] - ovector[2 * i]);
    }
    f(captures);
    offset = ovector[1] > ovector[0] ? ovector[1] : ovector[0] + 1;
  }
  pcre2_match_data_free(data);
}

// A location number; -1 when it does not fit an int.
int Location(std::string_view digits) {
  int value = -1;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return error == std::errc() && end == digits.data() + digits.size() ? value : -1;
}

int UniformTypeCode(std::string_view type, bool fragment) {
  if (type == "samplerBuffer") return VLM_UNIFORM_SAMPLER;
  if (fragment && (type == "sampler2D" || type == "sampler2DArray" || type == "samplerCube" ||
                   type == "sampler3D"))
    return VLM_UNIFORM_SAMPLER;
  if (type == "bool" || type == "int" || type == "uint") return VLM_UNIFORM_INTEGER;
  if (type == "float") return VLM_UNIFORM_FLOAT;
  if (type == "vec2" || type == "vec3") return VLM_UNIFORM_VECTOR3;
  if (type == "vec4") return VLM_UNIFORM_VECTOR4;
  if (type == "mat3") return VLM_UNIFORM_MATRIX3;
  if (type == "mat4") return VLM_UNIFORM_MATRIX4;
  return -1;
}

std::string_view Range(const char* start, const char* end) {
  if (!start || !end || end <= start) return {};
  return std::string_view(start, static_cast<size_t>(end - start));
}

}  // namespace

void PrepareShaderPatterns() { GetPatterns(); }

void BindDeclaredInputs(VLM_SHADER& shader, std::string_view vertexSource,
                        std::string_view fragmentSource) {
  const Patterns& p = GetPatterns();
  ForEachMatch(p.attribute, vertexSource, [&](const std::string_view* c) {
    const int location = Location(c[1]);
    if (location >= 0) VLM_BindShaderAttribute(shader.iProgram, location, std::string(c[3]).c_str());
  });
  ForEachMatch(p.output, fragmentSource, [&](const std::string_view* c) {
    const int location = Location(c[1]);
    if (location >= 0) VLM_BindShaderOutput(shader.iProgram, location, std::string(c[3]).c_str());
  });
}

void ReflectLinkedProgram(VLM_SHADER& shader, std::string_view vertexSource,
                          std::string_view fragmentSource) {
  const Patterns& p = GetPatterns();
  // Blocks: a name in both stages is bound once; unknown names are left
  // for their own set-up (the light block) or the application.
  std::set<std::string, std::less<>> bound;
  for (std::string_view source : {vertexSource, fragmentSource}) {
    ForEachMatch(p.block, source, [&](const std::string_view* c) {
      if (bound.count(c[1]) != 0) return;
      const std::string name(c[1]);
      if (BuilderBlockBinding(name.c_str()) < 0) return;
      BindShaderBlock(shader, name.c_str());
      bound.insert(name);
    });
  }
  // Uniforms: one slot per declaration, counted across both stages.
  int slot = 0;
  bool fragment = false;
  for (std::string_view source : {vertexSource, fragmentSource}) {
    ForEachMatch(p.uniform, source, [&](const std::string_view* c) {
      const int code = UniformTypeCode(c[1], fragment);
      if (code < 0) return;
      VLM_AddShaderUniform(reinterpret_cast<VLM_HANDLE>(&shader), code, std::string(c[2]).c_str(),
                           slot, 0, 0, 0, 1);
      ++slot;
    });
    fragment = true;
  }
}

}  // namespace vlm::render

extern "C" {

VLM_SHADER* VLM_BuildShaderProgram(int number, int group, int renderList, const char* vsStart,
                                   const char* vsEnd, const char* fsStart, const char* fsEnd,
                                   const char* name) {
  using namespace vlm::render;
  const std::string_view vertexSource = Range(vsStart, vsEnd);
  const std::string_view fragmentSource = Range(fsStart, fsEnd);
  VLM_SHADER* shader = VLM_CreateShaderProgram(-1, group, name);
  if (!shader) return nullptr;
  const VLM_HANDLE handle = reinterpret_cast<VLM_HANDLE>(shader);
  SetBuiltInShader(number, shader);
  VLM_CatchVertexShader(handle, vertexSource.data(), vertexSource.data() + vertexSource.size());
  VLM_CatchFragmentShader(handle, fragmentSource.data(),
                          fragmentSource.data() + fragmentSource.size());
  if (ShaderGLReady(kProc)) {
    BindDeclaredInputs(*shader, vertexSource, fragmentSource);
    LinkShaderProgram(*shader, kProc);
    ReflectLinkedProgram(*shader, vertexSource, fragmentSource);
  }
  VLM_SetShaderProgramIndex(handle, number);
  if (group == VLM_SHADERGROUP_3D) VLM_AddShaderToRenderList(renderList, handle);
  return shader;
}

}  // extern "C"
