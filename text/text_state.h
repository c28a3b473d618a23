// Text state in the engine context: the default text settings, the default
// font, and the font data of every loaded file content.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "velmora/text.h"

namespace vlm {

namespace text {
struct FontFace;
}

struct TextState {
  VLM_TEXT_SETTINGS defaults{1.0f, 0xFFFFFFFFu, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1};
  intptr_t defaultFont = 0;  // the built-in font made at start-up
  // Font data by content, so fonts of the same file share it.
  std::map<std::string, std::weak_ptr<text::FontFace>> faces;
};

TextState& Text();

}  // namespace vlm
