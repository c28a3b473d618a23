// The engine's raw texture files.
#include <cstdio>
#include <memory>

#include "definition/definition_internal.h"
#include "definition/texture_internal.h"

namespace vlm {

namespace {

constexpr long kRawHeaderBytes = 12;

int32_t LittleEndian32(const uint8_t* bytes) {
  return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                              static_cast<uint32_t>(bytes[2]) << 16 |
                              static_cast<uint32_t>(bytes[3]) << 24);
}

}  // namespace

platform::Image ReadRawTexture(const std::string& fileName, RawTextureStatus* status) {
  *status = RawTextureStatus::NotOpened;
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(SystemPath(fileName).c_str(), "rb"),
                                             std::fclose);
  if (!file) return {};
  *status = RawTextureStatus::Damaged;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return {};
  const long length = std::ftell(file.get());
  uint8_t header[kRawHeaderBytes];
  if (length < kRawHeaderBytes || std::fseek(file.get(), 0, SEEK_SET) != 0 ||
      std::fread(header, 1, sizeof header, file.get()) != sizeof header)
    return {};
  const int32_t width = LittleEndian32(header);
  const int32_t height = LittleEndian32(header + 4);
  if (width <= 0 || height <= 0 || width > platform::kMaxImageSide ||
      height > platform::kMaxImageSide)
    return {};
  // Both sides are at most 2^14, so the product fits easily in 64 bits.
  const int64_t pixels = int64_t{width} * height;
  if (pixels > platform::kMaxImagePixels || pixels * 3 > length - kRawHeaderBytes) return {};
  platform::Image image = platform::Image::Allocate(width, height, 3);
  if (!image || std::fread(image.Pixels(), 1, image.SizeBytes(), file.get()) != image.SizeBytes())
    return {};
  *status = RawTextureStatus::Read;
  return image;
}

}  // namespace vlm
