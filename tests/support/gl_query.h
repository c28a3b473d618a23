// Reading GL state back in tests: one integer of the bound buffer or of a
// vertex attribute of the bound vertex array (-1 when the query fails).
#pragma once

#include "gpu/gl_table.h"

namespace vlmtest {

inline GLint BufferParameter(GLenum target, GLenum name) {
  GLint value = -1;
  vlmgl.glGetBufferParameteriv(target, name, &value);
  return value;
}

inline GLint Attribute(GLuint location, GLenum name) {
  GLint value = -1;
  vlmgl.glGetVertexAttribiv(location, name, &value);
  return value;
}

}  // namespace vlmtest
