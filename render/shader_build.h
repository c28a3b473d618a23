// The declaration-reading steps of the program builder, for the built-in
// set and for measuring them.
#pragma once

#include <string_view>

#include "render/shader_record.h"

namespace vlm::render {

// Compiles the four expressions (done once, on first use).
void PrepareShaderPatterns();
// Binds the vertex inputs and fragment outputs that the sources declare
// with layout(location = n). Before linking.
void BindDeclaredInputs(VLM_SHADER& shader, std::string_view vertexSource,
                        std::string_view fragmentSource);
// Binds the engine's blocks and registers the uniforms that the sources
// declare. After linking.
void ReflectLinkedProgram(VLM_SHADER& shader, std::string_view vertexSource,
                          std::string_view fragmentSource);

}  // namespace vlm::render
