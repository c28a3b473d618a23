// The codec back ends behind platform/image.h. Each works on plain data so
// that libpng's and libjpeg's longjmp never crosses a C++ destructor: the
// results are malloc'd blocks that image.cpp wraps.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vlm::platform::codec {

struct RawImage {
  uint8_t* pixels = nullptr;  // malloc'd, width * height * bytesPerPixel
  int width = 0;
  int height = 0;
  int bytesPerPixel = 0;
};

// Encoded bytes in a malloc'd block.
struct RawBytes {
  uint8_t* data = nullptr;
  size_t size = 0;
};

bool IsPng(const uint8_t* data, size_t size);
bool IsJpeg(const uint8_t* data, size_t size);
bool DecodePng(const uint8_t* data, size_t size, int64_t maxPixels, RawImage* out);
bool DecodeJpeg(const uint8_t* data, size_t size, int64_t maxPixels, RawImage* out);
bool EncodePng(const uint8_t* pixels, int width, int height, int bytesPerPixel, size_t stride,
               RawBytes* out);
bool EncodeJpeg(const uint8_t* pixels, int width, int height, int bytesPerPixel, size_t stride,
                int quality, bool progressive, RawBytes* out);

}  // namespace vlm::platform::codec
