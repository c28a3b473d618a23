// Image decoding against stb_image as an independent decoder: every valid
// PngSuite file to the exact pixel, the sample JPEGs within the rounding of
// two different IDCTs; corrupt, truncated and oversized input refused.
#include <gtest/gtest.h>
#include <stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/image.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using vlm::platform::DecodeImage;
using vlm::platform::Image;
using vlm::platform::LoadImageFile;

std::vector<fs::path> Files(const std::string& folder, const std::string& extension) {
  std::vector<fs::path> files;
  const std::string root = vlmtest::TestDataDir();
  if (root.empty() || !fs::is_directory(fs::path(root) / folder)) return files;
  for (const auto& entry : fs::directory_iterator(fs::path(root) / folder))
    if (entry.path().extension() == extension) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

Image FromMemory(const std::string& bytes) { return DecodeImage(bytes.data(), bytes.size()); }

// The same file named with Windows separators.
std::string Backslashed(const fs::path& path) {
  std::string name = path.string();
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

struct StbImage {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
};

StbImage Stb(const std::string& bytes, int channels) {
  StbImage out;
  int native = 0;
  stbi_uc* data = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                        static_cast<int>(bytes.size()), &out.width, &out.height,
                                        &native, channels);
  if (!data) return out;
  out.pixels.assign(data, data + static_cast<size_t>(out.width) * out.height * channels);
  stbi_image_free(data);
  return out;
}

struct Difference {
  int worst = 256;  // 256: the sizes differ
  size_t above2 = 0;
  double mean = 0;
};

Difference Compare(const Image& ours, const StbImage& theirs) {
  Difference d;
  if (ours.Width() != theirs.width || ours.Height() != theirs.height ||
      ours.SizeBytes() != theirs.pixels.size())
    return d;
  d.worst = 0;
  for (size_t i = 0; i < theirs.pixels.size(); ++i) {
    const int delta = std::abs(int{ours.Pixels()[i]} - int{theirs.pixels[i]});
    d.worst = std::max(d.worst, delta);
    d.above2 += delta > 2;
    d.mean += delta;
  }
  d.mean /= static_cast<double>(theirs.pixels.size());
  return d;
}

bool Same(const Image& a, const Image& b) {
  return a && b && a.Width() == b.Width() && a.Height() == b.Height() &&
         a.BytesPerPixel() == b.BytesPerPixel() && a.Order() == b.Order() &&
         a.BottomUp() == b.BottomUp() &&
         std::equal(a.Pixels(), a.Pixels() + a.SizeBytes(), b.Pixels());
}

TEST(ImageDecode, PngSuiteMatchesStbExactly) {
  const std::vector<fs::path> files = Files("png", ".png");
  if (files.empty()) GTEST_SKIP() << "no test data";
  int valid = 0, corrupt = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    const std::string bytes = vlmtest::ReadFile(file.string());
    const Image image = FromMemory(bytes);
    if (file.filename().string()[0] == 'x') {
      EXPECT_FALSE(image);
      EXPECT_FALSE(LoadImageFile(file.c_str()));
      ++corrupt;
      continue;
    }
    ASSERT_TRUE(image);
    ++valid;
    // Alpha comes from the colour type (byte 25 of the file) or a tRNS chunk.
    const bool alpha = bytes[25] == 4 || bytes[25] == 6 || bytes.find("tRNS") != std::string::npos;
    EXPECT_EQ(image.BytesPerPixel(), alpha ? 4 : 3);
    EXPECT_EQ(image.Order(), vlm::platform::ChannelOrder::RedFirst);
    EXPECT_FALSE(image.BottomUp());
    EXPECT_EQ(Compare(image, Stb(bytes, image.BytesPerPixel())).worst, 0);
    EXPECT_TRUE(Same(image, LoadImageFile(Backslashed(file).c_str())));
  }
  EXPECT_EQ(valid, 161);  // 160 test images and the suite's logo
  EXPECT_EQ(corrupt, 14);
}

TEST(ImageDecode, JpegsMatchStbWithinIdctRounding) {
  std::vector<fs::path> files = Files("jpeg", ".jpg");
  for (const fs::path& file : Files("obj", ".jpg")) files.push_back(file);
  if (files.empty()) GTEST_SKIP() << "no test data";
  int compared = 0;
  for (const fs::path& file : files) {
    const std::string name = file.filename().string();
    SCOPED_TRACE(name);
    const std::string bytes = vlmtest::ReadFile(file.string());
    const Image image = FromMemory(bytes);
    if (name == "monkey12.jpg" || name == "truncated_jpeg.jpg") {  // 12-bit; cut short
      EXPECT_FALSE(image);
      EXPECT_FALSE(LoadImageFile(file.c_str()));
      continue;
    }
    ASSERT_TRUE(image);
    EXPECT_EQ(image.BytesPerPixel(), 3);
    EXPECT_TRUE(Same(image, LoadImageFile(Backslashed(file).c_str())));
    if (name == "testimgari.jpg") continue;  // arithmetic coding: stb cannot read it
    // The IDCTs differ in rounding; in colour images the chroma upsampling
    // and the colour conversion add theirs, so a rare channel is 3 apart,
    // and at the right edge of a 4:2:2 picture (iptc.jpg) the two
    // decoders extend the chroma differently.
    const Difference d = Compare(image, Stb(bytes, 3));
    EXPECT_LE(d.worst, 8);
    EXPECT_LE(d.above2 * 5000, image.SizeBytes());  // at most 1 in 5000
    EXPECT_LT(d.mean, 0.2);
    ++compared;
  }
  EXPECT_EQ(compared, 11);
}

// testimgari.jpg is the picture of testorig.jpg coded with arithmetic
// instead of Huffman coding (and its own quantisation). Three pixels were
// checked by hand against stb_image's reading of testorig.jpg (within 2).
TEST(ImageDecode, ArithmeticCodingGivesTheHuffmanPicture) {
  const std::string root = vlmtest::TestDataDir();
  if (root.empty()) GTEST_SKIP() << "no test data";
  const Image arithmetic = LoadImageFile((root + "/jpeg/testimgari.jpg").c_str());
  const Image huffman = LoadImageFile((root + "/jpeg/testorig.jpg").c_str());
  ASSERT_TRUE(arithmetic);
  EXPECT_EQ(arithmetic.Width(), 227);
  EXPECT_EQ(arithmetic.Height(), 149);
  StbImage reference;
  reference.width = huffman.Width();
  reference.height = huffman.Height();
  reference.pixels.assign(huffman.Pixels(), huffman.Pixels() + huffman.SizeBytes());
  const Difference d = Compare(arithmetic, reference);
  EXPECT_LE(d.worst, 20);
  EXPECT_LT(d.mean, 0.5);
  struct Pixel {
    int x, y;
    uint8_t rgb[3];
  };
  for (const Pixel& p : {Pixel{0, 0, {48, 47, 45}}, Pixel{113, 74, {242, 45, 52}},
                         Pixel{226, 148, {40, 47, 39}}}) {
    const uint8_t* px = arithmetic.PictureRow(p.y) + p.x * 3;
    EXPECT_EQ(px[0], p.rgb[0]) << p.x << "," << p.y;
    EXPECT_EQ(px[1], p.rgb[1]) << p.x << "," << p.y;
    EXPECT_EQ(px[2], p.rgb[2]) << p.x << "," << p.y;
  }
}

// Every cut of a valid file short of its end is refused.
TEST(ImageDecode, TruncatedFilesAreRefused) {
  const std::string root = vlmtest::TestDataDir();
  if (root.empty()) GTEST_SKIP() << "no test data";
  for (const char* name : {"/png/basi2c16.png", "/png/basn3p08.png", "/jpeg/testorig.jpg",
                           "/jpeg/app13-multiple.jpg", "/jpeg/testimgari.jpg"}) {
    SCOPED_TRACE(name);
    const std::string bytes = vlmtest::ReadFile(root + name);
    ASSERT_TRUE(FromMemory(bytes));
    // JPEG: keep the final EOI marker away, the scan data must be missed.
    const size_t end = bytes.size() - (bytes[0] == '\x89' ? 1 : 3);
    for (size_t cut = 0; cut < end; cut += std::max<size_t>(1, end / 97))
      EXPECT_FALSE(DecodeImage(bytes.data(), cut)) << "cut at " << cut;
  }
  EXPECT_FALSE(DecodeImage(nullptr, 10));
  EXPECT_FALSE(DecodeImage("BM", 2));  // not a format we read
  EXPECT_FALSE(LoadImageFile("no such file.png"));
  vlmtest::TempDir dir;
  EXPECT_FALSE(LoadImageFile(dir.Path().c_str()));  // a folder
  vlmtest::WriteFile(dir.File("empty.png"), "");
  EXPECT_FALSE(LoadImageFile(dir.File("empty.png").c_str()));
  EXPECT_FALSE(LoadImageFile(""));
  EXPECT_FALSE(LoadImageFile(nullptr));
}

}  // namespace
