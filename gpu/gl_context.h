// Setting up a fresh GL context for the engine.
#pragma once

#include <string>
#include <string_view>

namespace vlm::gl {

// Fills the engine's function table by name. A missing entry point leaves
// its slot null; the features that need it check with HasFunctions.
void LoadFunctionTable();
// The initial GL state; calls that only a compatibility context knows are
// left out on a core context.
void SetInitialState();
// The "System" section with the driver strings; also reads the driver's
// size limits below.
void LogSystemInfo();
// The driver's renderer string; empty without a function table.
std::string RendererText();
// The name of the software rasteriser a renderer string names (llvmpipe,
// softpipe, swrast, in any case), or empty for any other renderer.
std::string SoftwareRasteriserName(std::string_view renderer);

// The largest side of a texture and of a renderbuffer the driver takes, read
// once at start-up (0 until then: no image is made without a context).
struct SizeLimits {
  int texture = 0;
  int renderbuffer = 0;
};
const SizeLimits& Limits();

// The most memory one GL image may take, all layers together (4 GiB: the
// 8-layer float G-buffer of a 7680 x 4320 screen still fits).
inline constexpr double kMaxImageBytes = 4294967296.0;

// A width x height image of `layers` layers of `texelBytes` bytes each.
struct ImageRequest {
  int width = 0, height = 0, layers = 1, texelBytes = 4;
  bool renderbuffer = false;  // also bounded by the renderbuffer limit
};

// True when the image can be made: sides above 0 and within the driver's
// limits, memory within kMaxImageBytes. Otherwise writes `text` as the
// failure row of `procedure` (none when procedure is null) and gives false.
// Drivers abort inside glTexImage2D on sizes they should refuse, so every
// image sized by a caller is checked here before it is allocated.
bool ImageFits(const ImageRequest& image, const char* procedure, const char* text);

}  // namespace vlm::gl
