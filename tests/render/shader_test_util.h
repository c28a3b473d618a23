// Helpers of the shader tests: rebuilding the built-in set, reading GL
// program state and the sections of the start-up log.
#pragma once

#include <string>
#include <vector>

#include "gpu/gl_table.h"
#include "render/shader_state.h"
#include "render/uniform_buffers.h"
#include "support/gl_context.h"
#include "velmora.h"

namespace shadertest {

// Built-in program numbers: 1..47 without 34.
inline std::vector<int> ProgramNumbers() {
  std::vector<int> numbers;
  for (int n = 1; n <= 47; ++n)
    if (n != 34) numbers.push_back(n);
  return numbers;
}

// Frees every shader and the uniform buffers of the current context.
inline void ReleaseShaders() {
  for (VLM_SHADER* shader : vlm::render::ShaderRegistry().Records())
    VLM_FreeShader(reinterpret_cast<VLM_HANDLE>(shader));
  vlm::render::DeleteUniformBuffers();
}

// Builds the uniform buffers and the built-in set in the current context.
inline void BuildShaders() {
  VLM_InitCamera(vlmtest::GLContext::kWidth, vlmtest::GLContext::kHeight);
  VLM_InitShaders();
}

inline GLint ProgramInteger(GLuint program, GLenum name) {
  GLint value = -1;
  vlmgl.glGetProgramiv(program, name, &value);
  return value;
}

// The rows of the log section titled `title` (between its opening and the
// next section boundary).
inline std::vector<std::string> SectionRows(const std::string& log, const std::string& title) {
  std::vector<std::string> rows;
  const size_t open = log.find(">" + title + "</big><blockquote><table>");
  if (open == std::string::npos) return rows;
  size_t at = open;
  const size_t end = log.find("</table></blockquote>", open);
  while (true) {
    const size_t row = log.find("<tr>", at);
    if (row == std::string::npos || row > end) break;
    const size_t close = log.find("</tr>", row);
    rows.push_back(log.substr(row, close + 5 - row));
    at = close;
  }
  return rows;
}

}  // namespace shadertest
