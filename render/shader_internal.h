// Shader helpers shared by the program builders.
#pragma once

#include <string_view>

#include "render/shader_record.h"
#include "velmora/types.h"

namespace vlm::render {

constexpr const char* kShaderModule = "VLM Shader";

// The shader of a handle, or nullptr.
VLM_SHADER* ResolveShader(VLM_HANDLE handle);
// True when a GL context is up and the entry points the builders call exist.
bool ShaderGLReady(const char* procedure);
// Links the program and checks that it linked: a failure row with the
// driver's link log otherwise (procedure: the caller's name). True when it
// linked.
bool LinkShaderProgram(VLM_SHADER& shader, const char* procedure);
// Binds block `name` of the program to the engine's uniform buffer of that
// name ("Projection", "Model", "Material", "Misc"). False when the name is
// not one of them or the program has no such active block.
bool BindShaderBlock(VLM_SHADER& shader, const char* name);
// Files the shader as built-in program `number` (1..47), ignoring others.
void SetBuiltInShader(int number, VLM_SHADER* shader);

}  // namespace vlm::render
