// The GL function table; it is filled by the platform layer once a context is current.
#include "render/gl_table.h"

vlm::gl::FunctionTable vlmgl;
