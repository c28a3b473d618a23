// Following the drawing surface's window when it is resized.
#pragma once

namespace vlm::render {

// When the window has been resized since the last call: the render targets
// sized by the screen, the projection (aspect, matrices, 2D screen matrix,
// viewport) and the light passes' map size are made for the new size.
// A target that cannot be made gets a failure row naming `procedure`.
void FollowWindowSize(const char* procedure);

}  // namespace vlm::render
