// Images and the codec entry points: signature dispatch, files, ownership.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/image.h"
#include "platform/image_codec.h"

namespace vlm::platform {
namespace {

// Image files larger than this are not read into memory.
constexpr long kMaxImageFileBytes = 1L << 30;

bool ValidLayout(int width, int height, int bytesPerPixel) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
         int64_t{width} * height <= kMaxImagePixels && (bytesPerPixel == 3 || bytesPerPixel == 4);
}

std::vector<uint8_t> TakeBytes(codec::RawBytes raw) {
  std::vector<uint8_t> bytes(raw.data, raw.data + raw.size);
  std::free(raw.data);
  return bytes;
}

}  // namespace

Image Image::Allocate(int width, int height, int bytesPerPixel, ChannelOrder order, bool bottomUp) {
  if (!ValidLayout(width, height, bytesPerPixel)) return {};
  const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) *
                       static_cast<size_t>(bytesPerPixel);
  return Adopt(static_cast<uint8_t*>(std::calloc(bytes, 1)), width, height, bytesPerPixel, order,
               bottomUp);
}

Image Image::Adopt(uint8_t* pixels, int width, int height, int bytesPerPixel, ChannelOrder order,
                   bool bottomUp) {
  Image image;
  if (!pixels) return image;
  if (!ValidLayout(width, height, bytesPerPixel)) {
    std::free(pixels);
    return image;
  }
  image.pixels_.reset(pixels);
  image.width_ = width;
  image.height_ = height;
  image.bytesPerPixel_ = bytesPerPixel;
  image.order_ = order;
  image.bottomUp_ = bottomUp;
  return image;
}

Image DecodeImage(const void* data, size_t size, int64_t maxPixels) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (!bytes || size == 0) return {};
  if (maxPixels > kMaxImagePixels) maxPixels = kMaxImagePixels;
  codec::RawImage raw;
  bool ok = false;
  if (codec::IsPng(bytes, size))
    ok = codec::DecodePng(bytes, size, maxPixels, &raw);
  else if (codec::IsJpeg(bytes, size))
    ok = codec::DecodeJpeg(bytes, size, maxPixels, &raw);
  if (!ok) return {};
  return Image::Adopt(raw.pixels, raw.width, raw.height, raw.bytesPerPixel, ChannelOrder::RedFirst,
                      false);
}

Image LoadImageFile(const char* fileName, int64_t maxPixels) {
  if (!fileName || !*fileName) return {};
  std::string path(fileName);
  for (char& c : path)
    if (c == '\\') c = '/';
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return {};
  const long length = std::ftell(file.get());
  if (length <= 0 || length > kMaxImageFileBytes || std::fseek(file.get(), 0, SEEK_SET) != 0)
    return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return {};
  return DecodeImage(bytes.data(), bytes.size(), maxPixels);
}

std::vector<uint8_t> EncodePng(const uint8_t* pixels, int width, int height, int bytesPerPixel,
                               size_t stride) {
  codec::RawBytes raw;
  if (!codec::EncodePng(pixels, width, height, bytesPerPixel, stride, &raw)) return {};
  return TakeBytes(raw);
}

std::vector<uint8_t> EncodeJpeg(const uint8_t* pixels, int width, int height, int bytesPerPixel,
                                size_t stride, int quality, bool progressive) {
  codec::RawBytes raw;
  if (!codec::EncodeJpeg(pixels, width, height, bytesPerPixel, stride, quality, progressive, &raw))
    return {};
  return TakeBytes(raw);
}

bool WritePng(const char* fileName, int width, int height, const uint8_t* rgba) {
  if (!fileName || !rgba) return false;
  const std::vector<uint8_t> bytes =
      EncodePng(rgba, width, height, 4, static_cast<size_t>(width > 0 ? width : 0) * 4);
  if (bytes.empty()) return false;
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(fileName, "wb"), std::fclose);
  if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return false;
  return std::fflush(file.get()) == 0;
}

}  // namespace vlm::platform
