// Decoded images and the image codecs of the runtime (PNG and JPEG).
// Plain types only: the codec libraries stay inside platform/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace vlm::platform {

enum class ChannelOrder : uint8_t { RedFirst, BlueFirst };

// Largest side and pixel count an image may have. Anything larger is
// refused before memory is reserved for it.
constexpr int kMaxImageSide = 16384;
constexpr int64_t kMaxImagePixels = int64_t{1} << 28;  // 1 GiB at 4 bytes per pixel

// An image with 3 or 4 bytes per pixel, rows packed without padding. The
// rows are kept in "stored" order: top row first, or bottom row first when
// BottomUp() is set. An empty image (operator bool false) means failure.
class Image {
 public:
  Image() = default;
  // Zero-filled storage; empty when the size is 0, too large or the
  // layout is not 3 or 4 bytes per pixel.
  static Image Allocate(int width, int height, int bytesPerPixel,
                        ChannelOrder order = ChannelOrder::RedFirst, bool bottomUp = false);
  // Takes over a malloc'd block of width * height * bytesPerPixel bytes.
  static Image Adopt(uint8_t* pixels, int width, int height, int bytesPerPixel,
                     ChannelOrder order, bool bottomUp);

  explicit operator bool() const { return pixels_ != nullptr; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int BytesPerPixel() const { return bytesPerPixel_; }
  ChannelOrder Order() const { return order_; }
  bool BottomUp() const { return bottomUp_; }
  size_t Stride() const { return static_cast<size_t>(width_) * static_cast<size_t>(bytesPerPixel_); }
  size_t SizeBytes() const { return Stride() * static_cast<size_t>(height_); }

  // Row `i` as stored.
  const uint8_t* StoredRow(int i) const { return pixels_.get() + Stride() * static_cast<size_t>(i); }
  uint8_t* StoredRow(int i) { return pixels_.get() + Stride() * static_cast<size_t>(i); }
  // Row `y` of the picture counted from its top, whatever the storage order.
  const uint8_t* PictureRow(int y) const { return StoredRow(bottomUp_ ? height_ - 1 - y : y); }
  uint8_t* PictureRow(int y) { return StoredRow(bottomUp_ ? height_ - 1 - y : y); }
  const uint8_t* Pixels() const { return pixels_.get(); }
  uint8_t* Pixels() { return pixels_.get(); }

 private:
  struct Free {
    void operator()(uint8_t* p) const noexcept { std::free(p); }
  };
  std::unique_ptr<uint8_t[], Free> pixels_;
  int width_ = 0;
  int height_ = 0;
  int bytesPerPixel_ = 0;
  ChannelOrder order_ = ChannelOrder::RedFirst;
  bool bottomUp_ = false;
};

// Decodes a PNG or JPEG image held in memory (the format is told by its
// signature). PNG: every colour type and bit depth, palettes and tRNS become
// 3 (opaque) or 4 (with alpha) red-first bytes per pixel, 16-bit samples keep
// their high byte. JPEG: 3 bytes per pixel RGB; greyscale is widened, CMYK
// and YCCK converted. Corrupt, truncated, unsupported or oversized input
// gives an empty image. `maxPixels` may lower the size limit further.
Image DecodeImage(const void* data, size_t size, int64_t maxPixels = kMaxImagePixels);
// Reads and decodes an image file; "\" and "/" both separate folders.
Image LoadImageFile(const char* fileName, int64_t maxPixels = kMaxImagePixels);

// Encodes rows top to bottom (`stride` bytes apart) of 3 (RGB) or 4 (RGBA)
// red-first bytes per pixel as PNG. Empty on failure.
std::vector<uint8_t> EncodePng(const uint8_t* pixels, int width, int height, int bytesPerPixel,
                               size_t stride);
// Encodes RGB rows (or 1-byte grey rows when bytesPerPixel is 1) as JPEG
// with the given quality 1..100. Empty on failure.
std::vector<uint8_t> EncodeJpeg(const uint8_t* pixels, int width, int height, int bytesPerPixel,
                                size_t stride, int quality, bool progressive);

// Writes 8-bit RGBA pixels (rows top to bottom, no padding) as a PNG file.
// Returns false when the file cannot be written.
bool WritePng(const char* fileName, int width, int height, const uint8_t* rgba);

}  // namespace vlm::platform
