// Image storage, the encoders, the size guards and the built-in images.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/builtin_images.h"
#include "platform/image.h"
#include "support/test_support.h"

namespace {

using vlm::platform::ChannelOrder;
using vlm::platform::DecodeImage;
using vlm::platform::Image;

uint32_t Crc(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void PutBe32(uint8_t* at, uint32_t v) {
  at[0] = uint8_t(v >> 24);
  at[1] = uint8_t(v >> 16);
  at[2] = uint8_t(v >> 8);
  at[3] = uint8_t(v);
}

// A valid PNG whose header is rewritten to the given size (CRC fixed up),
// its data left as it was.
std::vector<uint8_t> PngClaiming(uint32_t width, uint32_t height) {
  uint8_t rgb[3 * 4] = {};
  std::vector<uint8_t> png = vlm::platform::EncodePng(rgb, 2, 2, 3, 6);
  PutBe32(&png[16], width);
  PutBe32(&png[20], height);
  PutBe32(&png[29], Crc(&png[12], 17));
  return png;
}

TEST(ImageStore, AllocateChecksLayoutAndRowsFollowTheStorageOrder) {
  EXPECT_FALSE(Image::Allocate(0, 4, 4));
  EXPECT_FALSE(Image::Allocate(4, -1, 4));
  EXPECT_FALSE(Image::Allocate(4, 4, 2));
  EXPECT_FALSE(Image::Allocate(16385, 1, 3));
  EXPECT_FALSE(Image::Allocate(16384, 16385, 4));
  Image image = Image::Allocate(3, 2, 4, ChannelOrder::BlueFirst, true);
  ASSERT_TRUE(image);
  EXPECT_EQ(image.Stride(), 12u);
  EXPECT_EQ(image.SizeBytes(), 24u);
  EXPECT_EQ(image.Pixels()[23], 0);  // zero-filled
  image.StoredRow(0)[0] = 7;         // the bottom row of a bottom-up image
  EXPECT_EQ(image.PictureRow(1)[0], 7);
  EXPECT_EQ(image.PictureRow(0), image.StoredRow(1));
}

TEST(ImageEncode, PngRoundTripIsExactAndHonoursTheStride) {
  for (int bpp : {3, 4}) {
    const int width = 5, height = 3;
    const size_t stride = width * bpp + 3;  // padded rows
    std::vector<uint8_t> pixels(stride * height, 0xEE);
    for (int y = 0; y < height; ++y)
      for (int i = 0; i < width * bpp; ++i) pixels[y * stride + i] = uint8_t(y * 50 + i * 7);
    const std::vector<uint8_t> png = vlm::platform::EncodePng(pixels.data(), width, height, bpp, stride);
    const Image image = DecodeImage(png.data(), png.size());
    ASSERT_TRUE(image);
    EXPECT_EQ(image.BytesPerPixel(), bpp);
    for (int y = 0; y < height; ++y)
      EXPECT_EQ(std::memcmp(image.PictureRow(y), &pixels[y * stride], width * bpp), 0);
  }
  uint8_t one[4] = {};
  EXPECT_TRUE(vlm::platform::EncodePng(one, 1, 1, 2, 2).empty());
  EXPECT_TRUE(vlm::platform::EncodePng(one, 1, 1, 4, 3).empty());  // stride too short
  EXPECT_TRUE(vlm::platform::EncodePng(nullptr, 1, 1, 4, 4).empty());
}

TEST(ImageEncode, JpegColourGreyAndProgressiveDecodeClose) {
  const int width = 40, height = 24;
  std::vector<uint8_t> rgb(width * height * 3), grey(width * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* px = &rgb[(y * width + x) * 3];
      px[0] = uint8_t(x * 6);
      px[1] = uint8_t(y * 10);
      px[2] = 128;
      grey[y * width + x] = uint8_t(x * 3 + y * 4);
    }
  for (bool progressive : {false, true}) {
    const std::vector<uint8_t> colour =
        vlm::platform::EncodeJpeg(rgb.data(), width, height, 3, width * 3, 95, progressive);
    const Image image = DecodeImage(colour.data(), colour.size());
    ASSERT_TRUE(image);
    int worst = 0;
    for (size_t i = 0; i < rgb.size(); ++i) worst = std::max(worst, std::abs(image.Pixels()[i] - rgb[i]));
    EXPECT_LE(worst, 12) << progressive;
  }
  const std::vector<uint8_t> mono =
      vlm::platform::EncodeJpeg(grey.data(), width, height, 1, width, 95, false);
  const Image image = DecodeImage(mono.data(), mono.size());
  ASSERT_TRUE(image);
  ASSERT_EQ(image.BytesPerPixel(), 3);
  for (int i = 0; i < width * height; ++i) {
    const uint8_t* px = image.Pixels() + i * 3;
    EXPECT_TRUE(px[0] == px[1] && px[1] == px[2]);  // grey widened to RGB
    EXPECT_LE(std::abs(px[0] - grey[i]), 4);
  }
}

// Headers that claim far more pixels than their data can hold are refused
// before memory is reserved for them; a limit set by the caller holds.
TEST(ImageDecode, LyingSizesAreRefused) {
  const std::vector<uint8_t> fine = PngClaiming(2, 2);
  EXPECT_TRUE(DecodeImage(fine.data(), fine.size()));
  EXPECT_FALSE(DecodeImage(fine.data(), fine.size(), 3));
  for (auto [w, h] : {std::pair{16384u, 16384u}, {1000u, 1000u}, {16385u, 1u}, {0x7FFFFFFFu, 1u}}) {
    const std::vector<uint8_t> png = PngClaiming(w, h);
    EXPECT_FALSE(DecodeImage(png.data(), png.size())) << w << "x" << h;
  }
  // A JPEG of 8 x 8 whose frame header is changed to claim 65000 x 65000,
  // then one of 4000 x 4000 that a Huffman-coded file of this size cannot
  // hold.
  uint8_t pixel[3 * 64] = {};
  std::vector<uint8_t> jpeg = vlm::platform::EncodeJpeg(pixel, 8, 8, 3, 24, 90, false);
  size_t sof = 2;
  while (sof + 9 < jpeg.size() && !(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC0)) ++sof;
  ASSERT_LT(sof + 9, jpeg.size());
  ASSERT_TRUE(DecodeImage(jpeg.data(), jpeg.size()));
  for (uint16_t side : {65000, 4000}) {
    jpeg[sof + 5] = jpeg[sof + 7] = uint8_t(side >> 8);
    jpeg[sof + 6] = jpeg[sof + 8] = uint8_t(side);
    EXPECT_FALSE(DecodeImage(jpeg.data(), jpeg.size())) << side;
  }
}

TEST(ImageEncode, WritePngWritesADecodableFile) {
  vlmtest::TempDir dir;
  const uint8_t rgba[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_TRUE(vlm::platform::WritePng(dir.File("shot.png").c_str(), 1, 2, rgba));
  const Image image = vlm::platform::LoadImageFile(dir.File("shot.png").c_str());
  ASSERT_TRUE(image);
  EXPECT_EQ(std::memcmp(image.Pixels(), rgba, 8), 0);
  EXPECT_FALSE(vlm::platform::WritePng(dir.File("no/such/folder.png").c_str(), 1, 2, rgba));
  EXPECT_FALSE(vlm::platform::WritePng(dir.File("empty.png").c_str(), 0, 2, rgba));
}

Image Builtin(const vlm::builtin::BuiltinImage& image) { return DecodeImage(image.bytes, image.size); }

const uint8_t* At(const Image& image, int x, int y) {
  return image.PictureRow(y) + x * image.BytesPerPixel();
}

TEST(BuiltinImages, SizesAndFixedColours) {
  const Image checker = Builtin(vlm::builtin::kDefaultTextureImage);
  ASSERT_TRUE(checker);
  EXPECT_EQ(checker.Width(), 64);
  EXPECT_EQ(checker.Height(), 64);
  EXPECT_NE(At(checker, 0, 0)[0], At(checker, 8, 0)[0]);
  EXPECT_EQ(At(checker, 0, 0)[0], At(checker, 8, 8)[0]);
  struct Fixed {
    const vlm::builtin::BuiltinImage* image;
    uint8_t rgb[3];
  };
  for (const Fixed& f : {Fixed{&vlm::builtin::kSubstituteColourImage, {255, 255, 255}},
                         Fixed{&vlm::builtin::kSubstituteNormalImage, {128, 128, 255}},
                         Fixed{&vlm::builtin::kSubstituteSpecularImage, {255, 255, 255}}}) {
    SCOPED_TRACE(f.image->name);
    const Image image = Builtin(*f.image);
    ASSERT_TRUE(image);
    EXPECT_EQ(image.BytesPerPixel(), 3);
    for (size_t i = 0; i < image.SizeBytes(); ++i) EXPECT_EQ(image.Pixels()[i], f.rgb[i % 3]);
  }
  const Image logo = Builtin(vlm::builtin::kLogoImage);
  ASSERT_TRUE(logo);
  EXPECT_EQ(logo.Width(), 102);
  EXPECT_EQ(logo.Height(), 102);
  EXPECT_EQ(logo.BytesPerPixel(), 4);
  EXPECT_EQ(At(logo, 0, 0)[3], 0);      // transparent corner
  EXPECT_EQ(At(logo, 51, 51)[3], 255);  // opaque centre
}

// The sky depends only on the elevation: the four side faces are one
// picture, blue above and ground-grey below, and their top edge meets the
// edge of the +Y face.
TEST(BuiltinImages, SkyFacesJoinWithoutSeams) {
  Image faces[6];
  for (int i = 0; i < 6; ++i) {
    faces[i] = Builtin(vlm::builtin::kSkyImages[i]);
    ASSERT_TRUE(faces[i]) << i;
    EXPECT_EQ(faces[i].Width(), 64);
    EXPECT_EQ(faces[i].Height(), 64);
  }
  for (int side : {1, 4, 5})
    EXPECT_EQ(std::memcmp(faces[0].Pixels(), faces[side].Pixels(), faces[0].SizeBytes()), 0);
  const uint8_t* zenith = At(faces[2], 32, 32);
  const uint8_t* nadir = At(faces[3], 32, 32);
  EXPECT_GT(zenith[2], zenith[0] + 60);  // blue overhead
  EXPECT_LE(std::abs(nadir[0] - nadir[2]), 8);  // grey underfoot
  EXPECT_GT(At(faces[0], 32, 0)[2], At(faces[0], 32, 63)[2]);
  for (int x = 0; x < 64; ++x)
    for (int c = 0; c < 3; ++c) {
      EXPECT_LE(std::abs(At(faces[0], x, 0)[c] - At(faces[2], 63, x)[c]), 3);
      EXPECT_LE(std::abs(At(faces[0], x, 63)[c] - At(faces[3], 63, 63 - x)[c]), 3);
    }
}

}  // namespace
