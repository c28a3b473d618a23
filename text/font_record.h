// The font record and the font data that the fonts of one file share.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/named_record.h"
#include "text/font_file.h"
#include "velmora/text.h"

namespace vlm::text {

// Glyphs, kerning and the atlas of one font file content. The texture and
// material are released by the last font that uses them (VLM_FreeFont),
// never by a destructor: registries end after the engine's GL objects.
struct FontFace {
  font::FontData data;
  intptr_t texture = 0;   // atlas texture handle; 0 when the atlas did not decode
  intptr_t material = 0;  // program 8 material drawing the atlas
  int atlasWidth = 0;     // pixels
  int atlasHeight = 0;
  std::string key;        // the entry in TextState::faces
};

}  // namespace vlm::text

struct VLM_FONT : vlm::NamedRecord {
  std::shared_ptr<vlm::text::FontFace> pData;
  VLM_TEXT_SETTINGS settings{};
};
