// Internals of textures shared with materials, tests and fuzz targets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/image.h"

struct VLM_IMAGE {
  vlm::platform::Image image;
};

namespace vlm {

enum class RawTextureStatus { Read, NotOpened, Damaged };

// Reads a raw "vlt" texture file: int32 width, height and one ignored int32
// (little endian), then width * height RGB bytes, first row first. The
// sizes are checked against the image limits and the file's real length
// before anything is allocated, so a short or lying file is Damaged and
// costs no memory.
platform::Image ReadRawTexture(const std::string& fileName, RawTextureStatus* status);

// A definition keyword as the tables compare it: upper case, "#" removed
// at both ends.
std::string DefinitionKeyword(std::string_view text);

}  // namespace vlm
