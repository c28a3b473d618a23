// The drawing surface kept in the engine context.
#pragma once

namespace vlm {

struct ScreenState {};

}  // namespace vlm
