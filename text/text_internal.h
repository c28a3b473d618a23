// What the text sources share: font lookup and the built-in font.
#pragma once

#include "text/font_record.h"
#include "text/text_layout.h"

namespace vlm::text {

// -1 is the default font; 0 for anything else that is not a live font.
VLM_FONT* ResolveFont(VLM_HANDLE handle);
// The same, with the failure row "Fail: Font not found!".
VLM_FONT* FindFont(VLM_HANDLE handle, const char* procedure);

inline font::TextStyle StyleOf(const VLM_TEXT_SETTINGS& settings) {
  return {settings.letterSpacing, settings.wrapWidth, settings.kerning != 0};
}

// Start-up: the default font from the font file compiled into the library.
void CreateDefaultFont();

}  // namespace vlm::text
