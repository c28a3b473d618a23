// GL start-up steps; filled in by the platform layer work.
#include "render/gl_init.h"

namespace vlm::gl {

void LoadFunctionTable() {}
void SetInitialState() {}
void LogSystemInfo() {}
void CreateDepthFramebuffer() {}
void CreateQuadBatch() {}
void DeleteGlobalObjects() {}

}  // namespace vlm::gl
