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
// Shutdown: every font, the built-in one too.
void FreeAllFonts();

// Sizes and slants a procedure may be given (VLM_DEFAULTF: the font's own),
// and settings a font may keep: finite numbers, a size above 0, a slant
// inside (-90, 90) degrees and a wrap width of 0 or more. False after the
// failure row.
inline constexpr const char* kSizeRefused = "Fail: A text size must be above 0!";
inline constexpr const char* kSlantRefused = "Fail: A slant must lie between -90 and 90 degrees!";
bool SizeUsable(float size, const char* procedure);
bool SlantUsable(float degrees, const char* procedure);
bool SettingsUsable(const VLM_TEXT_SETTINGS& settings, const char* procedure);

}  // namespace vlm::text
