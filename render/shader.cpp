// Shader objects: creation, compiling stages from memory or files, the
// compile log, uniform registration, render lists and release.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/fail.h"
#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "gpu/gl_table.h"
#include "render/shader_internal.h"
#include "render/shader_state.h"
#include "render/uniform_buffers.h"
#include "velmora/core.h"
#include "velmora/shader.h"

namespace vlm::render {
namespace {

constexpr const char* kCompiled = "Compiling successfull!";
constexpr size_t kMaxInfoLog = 16384;
constexpr int kMaxSlot = 0xFFFF;

ShaderState& State() { return Shaders(); }

// The list a type code fills, or -1 for an unknown code.
int ListOfType(int type) {
  switch (type) {
    case 0:
    case 1:
    case 3: return VLM_UNIFORMS_INTEGER;
    case 2: return VLM_UNIFORMS_SAMPLER;
    case 4: return VLM_UNIFORMS_FLOAT;
    case 5:
    case 6: return VLM_UNIFORMS_VECTOR3;
    case 7: return VLM_UNIFORMS_VECTOR4;
    case 8: return VLM_UNIFORMS_MATRIX3;
    case 9: return VLM_UNIFORMS_MATRIX4;
    default: return -1;
  }
}

const char* StageLabel(GLenum type) {
  return type == GL_VERTEX_SHADER ? " [VertexShader]: " : " [FragmentShader]: ";
}

// Compiles one stage and attaches it to the shader's program; the stage
// object is deleted at once and lives on while attached. Returns the
// compile log as VLM_GetShaderCompileLog gives it.
std::string CompileStage(VLM_SHADER& shader, GLenum type, const char* source, size_t length) {
  const GLuint stage = vlmgl.glCreateShader(type);
  const GLchar* text = source ? source : "";
  const GLint size = static_cast<GLint>(std::min<size_t>(source ? length : 0, INT_MAX));
  vlmgl.glShaderSource(stage, 1, &text, &size);
  vlmgl.glCompileShader(stage);
  std::string log = VLM_GetShaderCompileLog(stage);
  vlmgl.glAttachShader(shader.iProgram, stage);
  vlmgl.glDeleteShader(stage);
  return log;
}

int CatchStage(VLM_HANDLE handle, GLenum type, const char* start, const char* end,
               const char* procedure) {
  VLM_SHADER* shader = ResolveShader(handle);
  if (!shader) {
    // The caller's source is otherwise dropped without a word.
    vlm::Fail("Fail: This shader does not exist, the stage is not compiled!", procedure);
    return 0;
  }
  if (!ShaderGLReady(procedure)) return 0;
  const size_t length = start && end > start ? static_cast<size_t>(end - start) : 0;
  const std::string log = CompileStage(*shader, type, start, length);
  // Any text but the success phrase is worth the reader's attention, a
  // warning included.
  const bool clean = log.empty() || log == kCompiled;
  const std::string row = shader->sName + StageLabel(type) + (log.empty() ? kCompiled : log);
  VLM_LogMessage(row.c_str(), clean ? VLM_COLOR_INFO : VLM_COLOR_FAIL, __LINE__, kShaderModule,
                 procedure);
  return 0;
}

int LoadStage(VLM_HANDLE handle, GLenum type, const char* path, const char* procedure) {
  VLM_SHADER* shader = ResolveShader(handle);
  if (!shader || !path) return 0;
  std::ifstream file(path, std::ios::binary);
  if (!file) return 0;
  const std::string source((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!ShaderGLReady(procedure)) return 0;
  const std::string log = CompileStage(*shader, type, source.data(), source.size());
  const std::string row = shader->sName + StageLabel(type) + log;
  VLM_LogMessage(row.c_str(), VLM_COLOR_INFO, __LINE__, kShaderModule, procedure);
  return 1;
}

// Locations exist only in a linked program; asking an unlinked one is a GL
// error that would be left for the next caller of glGetError.
bool IsLinked(GLuint program) {
  if (!HasGL() || !vlmgl.glIsProgram || !vlmgl.glGetProgramiv || !vlmgl.glIsProgram(program))
    return false;
  GLint linked = GL_FALSE;
  vlmgl.glGetProgramiv(program, GL_LINK_STATUS, &linked);
  return linked == GL_TRUE;
}

}  // namespace

VLM_SHADER* ResolveShader(VLM_HANDLE handle) { return ShaderRegistry().Resolve(handle); }

bool ShaderGLReady(const char* procedure) {
  return HasGL() &&
         gl::HasFunctions(procedure,
                          {"glCreateShader", "glShaderSource", "glCompileShader", "glGetShaderiv",
                           "glGetShaderInfoLog", "glAttachShader", "glDeleteShader",
                           "glLinkProgram", "glGetProgramiv", "glGetProgramInfoLog",
                           "glBindAttribLocation", "glBindFragDataLocation",
                           "glGetUniformLocation", "glGetUniformBlockIndex",
                           "glUniformBlockBinding", "glBindBufferBase"});
}

bool LinkShaderProgram(VLM_SHADER& shader, const char* procedure) {
  if (!ShaderGLReady(procedure)) return false;
  vlmgl.glLinkProgram(shader.iProgram);
  GLint linked = GL_FALSE;
  vlmgl.glGetProgramiv(shader.iProgram, GL_LINK_STATUS, &linked);
  if (linked == GL_TRUE) return true;
  std::vector<char> log(kMaxInfoLog + 1, '\0');
  vlmgl.glGetProgramInfoLog(shader.iProgram, static_cast<GLsizei>(kMaxInfoLog), nullptr,
                            log.data());
  const std::string row = shader.sName + " [Program]: Linking failed! " + log.data();
  VLM_LogMessage(row.c_str(), VLM_COLOR_FAIL, __LINE__, kShaderModule, procedure);
  return false;
}

bool BindShaderBlock(VLM_SHADER& shader, const char* name) {
  const int binding = BuilderBlockBinding(name);
  if (binding < 0) return false;
  const GLuint index = VLM_GetShaderBlockIndex(shader.iProgram, name);
  // A block the compiler dropped has nothing to bind.
  if (index == GL_INVALID_INDEX) return false;
  vlmgl.glUniformBlockBinding(shader.iProgram, index, static_cast<GLuint>(binding));
  vlmgl.glBindBufferBase(GL_UNIFORM_BUFFER, static_cast<GLuint>(binding),
                         BlockBuffer(static_cast<Block>(binding)));
  return true;
}

void SetBuiltInShader(int number, VLM_SHADER* shader) {
  if (number >= 1 && number <= kBuiltInProgramCount) State().builtIn[static_cast<size_t>(number)] = shader;
}

}  // namespace vlm::render

using vlm::render::HasGL;
using vlm::render::ResolveShader;
using vlm::render::ShaderRegistry;
using vlm::render::Shaders;

extern "C" {

VLM_SHADER* VLM_CreateShaderProgram(VLM_HANDLE id, int group, const char* name) {
  VLM_SHADER* shader = ShaderRegistry().CreateEntry(&id, name);
  if (!shader) return nullptr;
  shader->iGroup = group;
  if (HasGL() && vlmgl.glCreateProgram) shader->iProgram = vlmgl.glCreateProgram();
  return shader;
}

int VLM_CatchVertexShader(VLM_HANDLE shader, const char* start, const char* end) {
  return vlm::render::CatchStage(shader, GL_VERTEX_SHADER, start, end, "VLM_CatchVertexShader");
}

int VLM_CatchFragmentShader(VLM_HANDLE shader, const char* start, const char* end) {
  return vlm::render::CatchStage(shader, GL_FRAGMENT_SHADER, start, end, "VLM_CatchFragmentShader");
}

int VLM_LoadVertexShader(VLM_HANDLE shader, const char* path) {
  return vlm::render::LoadStage(shader, GL_VERTEX_SHADER, path, "VLM_LoadVertexShader");
}

int VLM_LoadFragmentShader(VLM_HANDLE shader, const char* path) {
  return vlm::render::LoadStage(shader, GL_FRAGMENT_SHADER, path, "VLM_LoadFragmentShader");
}

const char* VLM_GetShaderCompileLog(uint32_t glShader) {
  static std::string text;
  text.clear();
  if (!HasGL() || !vlmgl.glGetShaderiv || !vlmgl.glGetShaderInfoLog) return text.c_str();
  GLint length = 0;
  vlmgl.glGetShaderiv(glShader, GL_INFO_LOG_LENGTH, &length);
  if (length == 1) {
    text = vlm::render::kCompiled;
    return text.c_str();
  }
  std::vector<char> log(vlm::render::kMaxInfoLog + 1, '\0');
  vlmgl.glGetShaderInfoLog(glShader, static_cast<GLsizei>(vlm::render::kMaxInfoLog), nullptr,
                           log.data());
  text = log.data();
  return text.c_str();
}

int VLM_BindShaderAttribute(uint32_t glProgram, int location, const char* name) {
  if (!name || location < 0 || !HasGL() || !vlmgl.glBindAttribLocation) return 0;
  vlmgl.glBindAttribLocation(glProgram, static_cast<GLuint>(location), name);
  return 1;
}

int VLM_BindShaderOutput(uint32_t glProgram, int location, const char* name) {
  if (!name || location < 0 || !HasGL() || !vlmgl.glBindFragDataLocation) return 0;
  vlmgl.glBindFragDataLocation(glProgram, static_cast<GLuint>(location), name);
  return 1;
}

uint32_t VLM_GetShaderBlockIndex(uint32_t glProgram, const char* name) {
  if (!name || !vlmgl.glGetUniformBlockIndex || !vlm::render::IsLinked(glProgram)) return GL_INVALID_INDEX;
  return vlmgl.glGetUniformBlockIndex(glProgram, name);
}

int VLM_GetShaderUniformLocation(uint32_t glProgram, const char* name) {
  if (!name || !vlmgl.glGetUniformLocation || !vlm::render::IsLinked(glProgram)) return -1;
  return vlmgl.glGetUniformLocation(glProgram, name);
}

int VLM_AddShaderUniform(VLM_HANDLE handle, int type, const char* name, int slot, int useTableB,
                         int start, int length, int count) {
  VLM_SHADER* shader = ResolveShader(handle);
  const int list = vlm::render::ListOfType(type);
  if (!shader || list < 0) return 0;
  if (slot < 0 || slot > vlm::render::kMaxSlot) {
    VLM_LogMessage("Fail: The uniform slot must lie between 0 and 65535!", VLM_COLOR_FAIL, 0, "",
                   "VLM_AddShaderUniform");
    return 0;
  }
  std::vector<VLM_SHADER_UNIFORM*>& table = useTableB ? shader->aSlotsB : shader->aSlotsA;
  if (table.size() <= static_cast<size_t>(slot)) table.resize(static_cast<size_t>(slot) + 1, nullptr);
  const int64_t end = static_cast<int64_t>(start) + length;
  VLM_SHADER_UNIFORM entry{};
  entry.iCount = count;
  entry.iStart = start;
  entry.iEnd = static_cast<int32_t>(std::clamp<int64_t>(end, INT32_MIN, INT32_MAX));
  entry.iLocation = VLM_GetShaderUniformLocation(shader->iProgram, name);
  shader->aUniforms[list].push_back(entry);
  table[static_cast<size_t>(slot)] = &shader->aUniforms[list].back();
  return entry.iLocation;
}

int VLM_SetShaderProgramIndex(VLM_HANDLE handle, int number) {
  VLM_SHADER* shader = ResolveShader(handle);
  if (!shader) return 0;
  shader->iProgramNumber = number;
  return 1;
}

int VLM_SetShaderShadowProgram(VLM_HANDLE handle, VLM_HANDLE shadowHandle) {
  VLM_SHADER* shader = ResolveShader(handle);
  if (!shader) return 0;
  VLM_SHADER* shadow = shadowHandle ? ResolveShader(shadowHandle) : nullptr;
  shader->pShadowProgram = shadow;
  return shadow || !shadowHandle ? 1 : 0;
}

VLM_SHADER* VLM_GetBuiltInShader(int number) {
  if (number < 1 || number > vlm::render::kBuiltInProgramCount) return nullptr;
  return Shaders().builtIn[static_cast<size_t>(number)];
}

int VLM_AddShaderToRenderList(int list, VLM_HANDLE handle) {
  VLM_SHADER* shader = ResolveShader(handle);
  if (!shader) return 0;
  if (list < 0 || list >= vlm::render::kRenderListCount) {
    const std::string row = "Fail: Render list " + std::to_string(list) + " does not exist!";
    VLM_LogMessage(row.c_str(), VLM_COLOR_FAIL, 0, "", "VLM_AddShaderToRenderList");
    return 0;
  }
  shader->iRenderList = list;
  std::vector<VLM_SHADER*>& entries = Shaders().renderLists[static_cast<size_t>(list)];
  if (std::find(entries.begin(), entries.end(), shader) != entries.end()) return 0;
  entries.push_back(shader);
  return 1;
}

int VLM_FreeShader(VLM_HANDLE handle) {
  VLM_SHADER* shader = ResolveShader(handle);
  if (!shader) return 0;
  if (shader->iProgram != 0 && HasGL() && vlmgl.glDeleteProgram) vlmgl.glDeleteProgram(shader->iProgram);
  // Nothing may keep pointing at the released record.
  vlm::render::ShaderState& state = Shaders();
  for (VLM_SHADER*& entry : state.builtIn)
    if (entry == shader) entry = nullptr;
  for (std::vector<VLM_SHADER*>& list : state.renderLists)
    list.erase(std::remove(list.begin(), list.end(), shader), list.end());
  ShaderRegistry().ForEach([shader](VLM_SHADER* other) {
    if (other->pShadowProgram == shader) other->pShadowProgram = nullptr;
  });
  // Every material of the program, grouped or not (programs outside the
  // render lists keep no list of their materials).
  vlm::MaterialRegistry().ForEach([shader](VLM_MATERIAL* material) {
    if (material->pShader == shader) material->pShader = nullptr;
  });
  ShaderRegistry().Remove(shader);
  return 1;
}

}  // extern "C"
