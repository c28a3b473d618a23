// Fuzz target: PNG and JPEG decoding from memory. A decoded image must have
// the layout it claims, and a small one must survive a PNG round trip
// unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_require.h"
#include "platform/image.h"

namespace {

using vlmfuzz::Require;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using vlm::platform::Image;
  // Four megapixels are plenty to reach every code path and keep runs fast.
  const Image image = vlm::platform::DecodeImage(data, size, int64_t{1} << 22);
  if (!image) return 0;
  Require(image.Width() > 0 && image.Height() > 0, "empty size");
  Require(image.BytesPerPixel() == 3 || image.BytesPerPixel() == 4, "bad pixel size");
  volatile uint8_t last = image.PictureRow(image.Height() - 1)[image.Stride() - 1];
  (void)last;
  if (image.Width() * image.Height() > 4096) return 0;
  const std::vector<uint8_t> png = vlm::platform::EncodePng(
      image.Pixels(), image.Width(), image.Height(), image.BytesPerPixel(), image.Stride());
  Require(!png.empty(), "encoding failed");
  const Image again = vlm::platform::DecodeImage(png.data(), png.size());
  Require(again && again.Width() == image.Width() && again.Height() == image.Height() &&
              again.BytesPerPixel() == image.BytesPerPixel() &&
              std::memcmp(again.Pixels(), image.Pixels(), image.SizeBytes()) == 0,
          "PNG round trip changed the image");
  return 0;
}
