// The engine's built-in images, PNG files compiled into the library. They
// are painted by tools/gen_builtin_images.cpp at build time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vlm::builtin {

struct BuiltinImage {
  const char* name;
  const uint8_t* bytes;  // the PNG file
  size_t size;
};

// 64 x 64 grey checker.
extern const BuiltinImage kDefaultTextureImage;
// 4 x 4 maps that stand in for a material's missing colour, normal and
// specular maps: white, the flat normal (128, 128, 255), white.
extern const BuiltinImage kSubstituteColourImage;
extern const BuiltinImage kSubstituteNormalImage;
extern const BuiltinImage kSubstituteSpecularImage;
// The default environment: 64 x 64 faces of a neutral sky in the GL cube
// face order +X, -X, +Y, -Y, +Z, -Z.
extern const BuiltinImage kSkyImages[6];
// 102 x 102 logo with alpha.
extern const BuiltinImage kLogoImage;

}  // namespace vlm::builtin
