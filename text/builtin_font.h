// The engine's built-in default font: a font file baked at build time and
// compiled into the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vlm {

extern const uint8_t kBuiltinFontFile[];
extern const size_t kBuiltinFontFileSize;

inline std::span<const uint8_t> BuiltinFontFile() { return {kBuiltinFontFile, kBuiltinFontFileSize}; }

}  // namespace vlm
