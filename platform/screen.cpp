// Drawing surface; filled in by the platform layer work.
#include "platform/screen.h"

#include <cstdio>

namespace vlm::platform {

void CloseScreen() {}
void ShowWarning(const char* title, const char* text) { std::fprintf(stderr, "%s: %s\n", title, text); }

}  // namespace vlm::platform

#include "platform/sdl_access.h"

namespace vlm::platform {

SDL_Window* SdlWindow() { return nullptr; }

}  // namespace vlm::platform
