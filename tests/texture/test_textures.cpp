// Textures on a real GL context: texels read back top row first whatever
// the rows' storage, the parameters each creator leaves, cube faces in
// order, arrays, raw files with lying headers, and refused images leaving
// no record.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "support/gl_context.h"
#include "texture/texture_test_util.h"
#include "velmora.h"

namespace {

using texturetest::Count;
using texturetest::Picture;
using texturetest::TexFloat;
using texturetest::TexInt;

class Textures : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_GL(gl_);
    log_ = vlmtest::OpenTestLog(dir_, VLM_LOG_PROCEDURE);
  }
  std::string Log() const { return vlmtest::LogBody(log_); }
  std::string WritePng(const std::string& name, int width, int height) {
    const std::vector<uint8_t> rgba = Picture(width, height);
    texturetest::WriteBytes(dir_.File(name), vlm::platform::EncodePng(rgba.data(), width, height, 4,
                                                                      static_cast<size_t>(width) * 4));
    return dir_.File(name);
  }

  vlmtest::GLContext gl_;
  vlmtest::TempDir dir_;
  std::string log_;
};

// A 5 x 3 picture (3-byte rows not a multiple of 4) stored bottom-up as
// BGR and top-down as RGBA gives one texture: row 0 is the top row. A
// decoded file gives the same texels, and the grab holds them blue first.
TEST_F(Textures, RowsArriveTopRowFirstWhateverTheirStorage) {
  constexpr int kW = 5, kH = 3;
  const std::vector<uint8_t> rgba = Picture(kW, kH);
  VLM_IMAGE* bgrBottomUp = VLM_CreateImage(kW, kH, 3, VLM_IMAGE_BLUEFIRST | VLM_IMAGE_BOTTOMUP);
  VLM_IMAGE* rgbaTopDown = VLM_CreateImage(kW, kH, 4, 0);
  ASSERT_TRUE(bgrBottomUp && rgbaTopDown);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const uint8_t* p = &rgba[static_cast<size_t>((y * kW + x) * 4)];
      uint8_t* bgr = VLM_ImagePixels(bgrBottomUp) + ((kH - 1 - y) * kW + x) * 3;
      bgr[0] = p[2], bgr[1] = p[1], bgr[2] = p[0];
      std::memcpy(VLM_ImagePixels(rgbaTopDown) + (y * kW + x) * 4, p, 4);
    }

  VLM_TEXTURE* fromFile = VLM_LoadTextureFile(-1, WritePng("p.png", kW, kH).c_str(), VLM_DEFAULT, 0, "");
  ASSERT_NE(fromFile, nullptr);
  uint8_t* filePixels = VLM_ReadTexturePixels(fromFile->iHandle);
  ASSERT_NE(filePixels, nullptr);
  EXPECT_EQ(0, std::memcmp(filePixels, rgba.data(), rgba.size()));
  std::free(filePixels);

  for (VLM_IMAGE* image : {bgrBottomUp, rgbaTopDown}) {
    vlmgl.glBindTexture(GL_TEXTURE_2D, fromFile->iTexture);
    std::vector<uint8_t> zero(rgba.size(), 0);
    vlmgl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kW, kH, 0, GL_RGBA, GL_UNSIGNED_BYTE, zero.data());
    VLM_UploadTextureImage(image, 0, VLM_DEFAULT);
    vlmgl.glBindTexture(GL_TEXTURE_2D, 0);
    uint8_t* pixels = VLM_ReadTexturePixels(fromFile->iHandle);
    ASSERT_NE(pixels, nullptr);
    for (int i = 0; i < kW * kH; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(pixels[i * 4], rgba[static_cast<size_t>(i * 4)]);
      EXPECT_EQ(pixels[i * 4 + 1], rgba[static_cast<size_t>(i * 4 + 1)]);
      EXPECT_EQ(pixels[i * 4 + 2], rgba[static_cast<size_t>(i * 4 + 2)]);
      // Rows without alpha read back opaque.
      EXPECT_EQ(pixels[i * 4 + 3], image == bgrBottomUp ? 255 : rgba[static_cast<size_t>(i * 4 + 3)]);
    }
    std::free(pixels);
    VLM_FreeImage(image);
  }

  VLM_IMAGE* grabbed = VLM_GrabTextureImage(fromFile->iHandle);
  ASSERT_NE(grabbed, nullptr);
  EXPECT_EQ(VLM_ImageFlags(grabbed), VLM_IMAGE_BLUEFIRST);
  const uint8_t* bgra = VLM_ImagePixels(grabbed);
  EXPECT_EQ(bgra[(1 * kW + 4) * 4 + 0], 4 ^ 1);       // b of (4, 1)
  EXPECT_EQ(bgra[(1 * kW + 4) * 4 + 2], 10 * 4 + 1);  // r of (4, 1)
  VLM_FreeImage(grabbed);
  EXPECT_EQ(VLM_FreeTexture(fromFile->iHandle), 1);
}

// The maximum anisotropy set takes the textures made after it, within the
// driver's limit; textures made before keep theirs. Impossible values are
// refused with a row and change nothing.
TEST_F(Textures, AnisotropySettingTakesTheTexturesMadeAfterIt) {
  const float before = VLM_GetTextureAnisotropy();
  const std::string png = WritePng("a.png", 8, 8);
  VLM_TEXTURE* old = VLM_LoadTextureFile(-1, png.c_str(), VLM_DEFAULT, 2, "old");
  ASSERT_EQ(VLM_SetTextureAnisotropy(2.0f), 1);
  EXPECT_EQ(VLM_GetTextureAnisotropy(), 2.0f);
  VLM_TEXTURE* two = VLM_LoadTextureFile(-1, png.c_str(), VLM_DEFAULT, 2, "two");
  VLM_TEXTURE* cube = VLM_LoadCubeMapTexture(-1, (dir_.Path().string() + "/").c_str(), "a.png", "a.png",
                                             "a.png", "a.png", "a.png", "a.png", GL_NEAREST, 0, "cube");
  ASSERT_EQ(VLM_SetTextureAnisotropy(1000.0f), 1);
  VLM_TEXTURE* most = VLM_LoadTextureFile(-1, png.c_str(), VLM_DEFAULT, 0, "most");
  ASSERT_TRUE(old && two && cube && most);
  EXPECT_FLOAT_EQ(TexFloat(GL_TEXTURE_2D, old->iTexture, GL_TEXTURE_MAX_ANISOTROPY_EXT),
                  texturetest::ExpectedAnisotropy(before));
  EXPECT_FLOAT_EQ(TexFloat(GL_TEXTURE_2D, two->iTexture, GL_TEXTURE_MAX_ANISOTROPY_EXT),
                  texturetest::ExpectedAnisotropy(2.0f));
  EXPECT_FLOAT_EQ(TexFloat(GL_TEXTURE_CUBE_MAP, cube->iTexture, GL_TEXTURE_MAX_ANISOTROPY_EXT),
                  texturetest::ExpectedAnisotropy(2.0f));
  EXPECT_FLOAT_EQ(TexFloat(GL_TEXTURE_2D, most->iTexture, GL_TEXTURE_MAX_ANISOTROPY_EXT),
                  texturetest::ExpectedAnisotropy(1000.0f));

  const size_t rows = Log().size();
  for (float refused : {0.5f, 0.0f, -8.0f, NAN, INFINITY}) EXPECT_EQ(VLM_SetTextureAnisotropy(refused), 0);
  EXPECT_EQ(VLM_GetTextureAnisotropy(), 1000.0f);
  EXPECT_EQ(Count(Log().substr(rows), "Fail: The maximum anisotropy must be a finite number of at least 1!"), 5);
  VLM_SetTextureAnisotropy(before);
  for (VLM_TEXTURE* t : {old, two, cube, most}) VLM_FreeTexture(t->iHandle);
}

// Each creator's parameters as GL reports them.
TEST_F(Textures, ParametersOfEachCreator) {
  const float anisotropy = texturetest::ExpectedAnisotropy(VLM_GetTextureAnisotropy());
  const std::string png = WritePng("p.png", 8, 8);
  ASSERT_EQ(VLM_GetTextureFilter(), GL_LINEAR);  // set by start-up

  VLM_TEXTURE* plain = VLM_LoadTextureFile(-1, png.c_str(), VLM_DEFAULT, 0, "");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->sName, "p.png");
  EXPECT_EQ(TexInt(GL_TEXTURE_2D, plain->iTexture, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
  EXPECT_EQ(TexInt(GL_TEXTURE_2D, plain->iTexture, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(TexInt(GL_TEXTURE_2D, plain->iTexture, GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(TexInt(GL_TEXTURE_2D, plain->iTexture, GL_TEXTURE_WRAP_T), GL_REPEAT);
  EXPECT_EQ(TexInt(GL_TEXTURE_2D, plain->iTexture, GL_TEXTURE_MAX_LEVEL), 1000);  // untouched
  EXPECT_FLOAT_EQ(TexFloat(GL_TEXTURE_2D, plain->iTexture, GL_TEXTURE_MAX_ANISOTROPY_EXT), anisotropy);

  // With mipmaps the filter argument is ignored.
  VLM_TEXTURE* mipmapped = VLM_LoadTextureFile(-1, png.c_str(), GL_NEAREST, 4, "mipmapped");
  ASSERT_NE(mipmapped, nullptr);
  EXPECT_EQ(mipmapped->iMipmaps, 4);
  EXPECT_EQ(TexInt(GL_TEXTURE_2D, mipmapped->iTexture, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(TexInt(GL_TEXTURE_2D, mipmapped->iTexture, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(TexInt(GL_TEXTURE_2D, mipmapped->iTexture, GL_TEXTURE_BASE_LEVEL), 0);
  EXPECT_EQ(TexInt(GL_TEXTURE_2D, mipmapped->iTexture, GL_TEXTURE_MAX_LEVEL), 4);
  GLint level2 = 0;  // glGenerateMipmap ran: level 2 of 8 x 8 is 2 x 2
  vlmgl.glBindTexture(GL_TEXTURE_2D, mipmapped->iTexture);
  vlmgl.glGetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH, &level2);
  EXPECT_EQ(level2, 2);

  // The filter names of the header: no filtering as the default filter
  // gives GL_NEAREST, linear filtering GL_LINEAR.
  const std::vector<uint8_t> bytes = texturetest::SolidPng(4, 4, 1, 2, 3);
  ASSERT_EQ(VLM_SetTextureFilter(VLM_TEXTUREFILTER_NOFILTERING), 1);
  VLM_TEXTURE* caught = VLM_CatchTexture(-1, bytes.data(), bytes.size(), VLM_DEFAULT, "caught");
  VLM_SetTextureFilter(VLM_TEXTUREFILTER_LINEARFILTERING);
  EXPECT_EQ(VLM_GetTextureFilter(), GL_LINEAR);
  ASSERT_NE(caught, nullptr);
  EXPECT_EQ(TexInt(GL_TEXTURE_2D, caught->iTexture, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_EQ(TexInt(GL_TEXTURE_2D, caught->iTexture, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  EXPECT_EQ(TexInt(GL_TEXTURE_2D, caught->iTexture, GL_TEXTURE_WRAP_T), GL_REPEAT);
  EXPECT_FLOAT_EQ(TexFloat(GL_TEXTURE_2D, caught->iTexture, GL_TEXTURE_MAX_ANISOTROPY_EXT), 1.0f);

  VLM_TEXTURE* array = VLM_CreateTextureArray(-1, 8, 8, 3, GL_NEAREST, "array");
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(array->iTarget, static_cast<uint32_t>(GL_TEXTURE_2D_ARRAY));
  EXPECT_EQ(TexInt(GL_TEXTURE_2D_ARRAY, array->iTexture, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  EXPECT_EQ(TexInt(GL_TEXTURE_2D_ARRAY, array->iTexture, GL_TEXTURE_WRAP_S), GL_REPEAT);

  VLM_TEXTURE* cube = VLM_LoadCubeMapTexture(-1, (dir_.Path().string() + "/").c_str(), "p.png", "p.png",
                                             "p.png", "p.png", "p.png", "p.png", GL_NEAREST, 0, "cube");
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(VLM_ResolveTexture(plain->iHandle), plain);  // another name: nothing replaced
  for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R})
    EXPECT_EQ(TexInt(GL_TEXTURE_CUBE_MAP, cube->iTexture, wrap), GL_CLAMP_TO_EDGE);
  EXPECT_EQ(TexInt(GL_TEXTURE_CUBE_MAP, cube->iTexture, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_FLOAT_EQ(TexFloat(GL_TEXTURE_CUBE_MAP, cube->iTexture, GL_TEXTURE_MAX_ANISOTROPY_EXT), anisotropy);

  for (VLM_TEXTURE* t : {plain, mipmapped, caught, array, cube}) VLM_FreeTexture(t->iHandle);
}

// Definition filters: names in any case with "#" around; anything else
// and no key keep nearest filtering.
TEST_F(Textures, DefinitionFilterKeywordsAndRegion) {
  WritePng("p.png", 64, 32);
  const std::string text =
      "Texture: Lin {\nFile: 'p.png'\nFilter: #vlm_texturefilter_linearfiltering#\n}\n"
      "Texture: Short {\nFile: 'p.png'\nFilter: linear\n}\n"
      "Texture: Odd {\nFile: 'p.png'\nFilter: BILINEAR\n}\n"
      "Texture: Bare {\nFile: 'p.png'\n}\n";
  VLM_DEFINITION_NODE* root = VLM_ParseDefinitionText(text.c_str(), (dir_.Path().string() + "/").c_str());
  const struct {
    const char* name;
    GLint filter;
  } cases[] = {{"Lin", GL_LINEAR}, {"Short", GL_LINEAR}, {"Odd", GL_NEAREST}, {"Bare", GL_NEAREST}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VLM_TEXTURE* texture = VLM_LoadTextureDefinition(-1, root, c.name);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->sName, c.name);
    EXPECT_EQ(TexInt(GL_TEXTURE_2D, texture->iTexture, GL_TEXTURE_MIN_FILTER), c.filter);
    EXPECT_EQ(TexInt(GL_TEXTURE_2D, texture->iTexture, GL_TEXTURE_MAG_FILTER), c.filter);
  }
  VLM_TEXTURE* lin = vlm::TextureRegistry().FindByName("Lin");
  EXPECT_EQ(VLM_SetTextureRegion(lin->iHandle, 8, 8, -1, -1), 1);
  EXPECT_EQ(lin->aiRegion[0], 8);
  EXPECT_EQ(lin->aiRegion[1], 8);
  EXPECT_EQ(lin->aiRegion[2], 64);
  EXPECT_EQ(lin->aiRegion[3], 32);
  // Negative numbers, and corners or sizes beyond the 64 x 32 texture, are
  // refused with a row and leave the region.
  const int outside[][4] = {{-1, 0, 8, 8}, {0, 33, 8, 8}, {0, 0, 65, 8}, {0, 0, 8, -5}, {0, 0, INT_MAX, -1}};
  for (const auto& r : outside) EXPECT_EQ(VLM_SetTextureRegion(lin->iHandle, r[0], r[1], r[2], r[3]), 0);
  EXPECT_EQ(lin->aiRegion[0], 8);
  EXPECT_EQ(lin->aiRegion[2], 64);
  EXPECT_EQ(Count(Log(), vlmtest::FailRow("VLM_SetTextureRegion", "Fail: The region must lie inside the texture!")),
            5);
  const std::string log = Log();
  EXPECT_NE(log.find("Texture: Lin"), std::string::npos);
  EXPECT_NE(log.find("File: " + dir_.Path().string() + "/p.png"), std::string::npos);
  EXPECT_EQ(Count(log, ">OK<"), 4);

  // No node at all: the two rows and 0.
  EXPECT_EQ(VLM_LoadTextureDefinition(-1, nullptr, "Gone"), nullptr);
  EXPECT_NE(Log().find("Texture: Gone"), std::string::npos);
  EXPECT_NE(Log().find(vlmtest::FailRow("VLM_LoadTextureDefinition", "FAIL: Texture Node not found!")),
            std::string::npos);
  for (const auto& c : cases) VLM_FreeTexture(vlm::TextureRegistry().FindByName(c.name)->iHandle);
  VLM_FreeDefinitionNode(root, 1);
}

// Faces land on +X, -X, +Y, -Y, +Z, -Z in argument order; a missing
// fourth face gives the headline, one failure row, 0 and no record.
TEST_F(Textures, CubeFacesInOrderAndAMissingFace) {
  const char* names[6] = {"px.png", "nx.png", "py.png", "ny.png", "pz.png", "nz.png"};
  for (int face = 0; face < 6; ++face)
    texturetest::WriteBytes(dir_.File(names[face]),
                            texturetest::SolidPng(4, 4, static_cast<uint8_t>(40 * face + 10), 7, 9));
  const std::string folder = dir_.Path().string() + "/";
  VLM_TEXTURE* cube = VLM_LoadCubeMapTexture(-1, folder.c_str(), names[0], names[1], names[2], names[3],
                                             names[4], names[5], VLM_DEFAULT, 2, "");
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(cube->sName, "px.png");
  EXPECT_EQ(TexInt(GL_TEXTURE_CUBE_MAP, cube->iTexture, GL_TEXTURE_MAX_LEVEL), 2);
  vlmgl.glBindTexture(GL_TEXTURE_CUBE_MAP, cube->iTexture);
  for (int face = 0; face < 6; ++face) {
    uint8_t texels[4 * 4 * 4] = {};
    vlmgl.glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face), 0, GL_RGBA,
                        GL_UNSIGNED_BYTE, texels);
    EXPECT_EQ(texels[0], 40 * face + 10) << face;
    EXPECT_EQ(texels[63], 255) << face;
  }
  vlmgl.glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  VLM_FreeTexture(cube->iHandle);

  const size_t before = vlm::TextureRegistry().Count();
  std::filesystem::remove(dir_.File("ny.png"));
  vlmtest::OpenTestLog(dir_, VLM_LOG_PROCEDURE);
  EXPECT_EQ(VLM_LoadCubeMapTexture(-1, folder.c_str(), names[0], names[1], names[2], names[3], names[4],
                                   names[5], VLM_DEFAULT, 0, "sky"),
            nullptr);
  const std::string log = Log();
  EXPECT_NE(log.find("Load CubeMap Textures: " + folder + "px.png, nx.png, py.png, ny.png, pz.png, nz.png"),
            std::string::npos);
  EXPECT_EQ(Count(log, "Fail: Image not found!"), 1);
  EXPECT_NE(log.find(vlmtest::FailRow("VLM_LoadCubeMapTexture", "Fail: Image not found!")), std::string::npos);
  EXPECT_EQ(vlm::TextureRegistry().Count(), before);
  EXPECT_EQ(vlm::TextureRegistry().FindByName("sky"), nullptr);
}

// Damaged, truncated and unsupported images: the failure row, no record;
// an existing texture of the wanted ID is released as the registry does.
TEST_F(Textures, RefusedImagesLeaveNoRecord) {
  const std::string root = vlmtest::TestDataDir();
  if (root.empty()) GTEST_SKIP() << "no test data";
  std::vector<std::string> files = {root + "/jpeg/truncated_jpeg.jpg", root + "/jpeg/monkey12.jpg"};
  for (const auto& entry : std::filesystem::directory_iterator(root + "/png"))
    if (entry.path().filename().string()[0] == 'x') files.push_back(entry.path().string());
  ASSERT_GE(files.size(), 10u);
  const size_t before = vlm::TextureRegistry().Count();
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    vlmtest::OpenTestLog(dir_, VLM_LOG_PROCEDURE);
    EXPECT_EQ(VLM_LoadTextureFile(-1, file.c_str(), VLM_DEFAULT, 0, "bad"), nullptr);
    EXPECT_NE(Log().find(vlmtest::FailRow("VLM_LoadTextureFile", "Fail: Image not found!")), std::string::npos);
    EXPECT_EQ(Log().find(">OK<"), std::string::npos);
    const std::string bytes = vlmtest::ReadFile(file);
    EXPECT_EQ(VLM_CatchTexture(-1, bytes.data(), bytes.size(), VLM_DEFAULT, "bad"), nullptr);
  }
  EXPECT_EQ(vlm::TextureRegistry().Count(), before);
  EXPECT_EQ(VLM_AddTextureToTextureArray(-1, files[0].c_str(), 0), 0);
}

// Raw files: rows as stored; a header that promises more than the file
// holds, or a 2-gigapixel picture, is refused before any allocation; a
// missing raw file keeps the record without an image.
TEST_F(Textures, RawFilesCheckedAgainstTheirLength) {
  auto raw = [&](const std::string& name, int32_t width, int32_t height, size_t pixelBytes) {
    std::string bytes(12 + pixelBytes, '\0');
    std::memcpy(&bytes[0], &width, 4);
    std::memcpy(&bytes[4], &height, 4);
    for (size_t i = 0; i < pixelBytes; ++i) bytes[12 + i] = static_cast<char>(i);
    vlmtest::WriteFile(dir_.File(name), bytes);
  };
  raw("good.vlt", 3, 2, 18);
  raw("short.vlt", 3, 2, 17);
  raw("huge.vlt", 65536, 32768, 64);
  raw("negative.vlt", -3, 2, 18);
  const std::string text =
      "Texture: Good {\nFile: 'good.vlt'\n}\nTexture: Short {\nFile: 'short.vlt'\n}\n"
      "Texture: Huge {\nFile: 'huge.vlt'\n}\nTexture: Negative {\nFile: 'negative.vlt'\n}\n"
      "Texture: Missing {\nFile: 'missing.vlt'\n}\n";
  VLM_DEFINITION_NODE* root = VLM_ParseDefinitionText(text.c_str(), (dir_.Path().string() + "/").c_str());

  VLM_TEXTURE* good = VLM_LoadTextureDefinition(-1, root, "Good");
  ASSERT_NE(good, nullptr);
  EXPECT_EQ(good->iWidth, 3);
  EXPECT_EQ(good->iHeight, 2);
  uint8_t* pixels = VLM_ReadTexturePixels(good->iHandle);
  ASSERT_NE(pixels, nullptr);
  // Second row, first texel: bytes 9, 10, 11 of the pixel data.
  EXPECT_EQ(pixels[3 * 4 + 0], 9);
  EXPECT_EQ(pixels[3 * 4 + 2], 11);
  EXPECT_EQ(pixels[3 * 4 + 3], 255);
  std::free(pixels);

  for (const char* name : {"Short", "Huge", "Negative"}) {
    SCOPED_TRACE(name);
    vlmtest::OpenTestLog(dir_, VLM_LOG_PROCEDURE);
    EXPECT_EQ(VLM_LoadTextureDefinition(-1, root, name), nullptr);
    EXPECT_NE(Log().find(vlmtest::FailRow("VLM_LoadTextureDefinition", "Fail: Raw texture file is damaged!")),
              std::string::npos);
    EXPECT_EQ(vlm::TextureRegistry().FindByName(name), nullptr);
  }
  vlmtest::OpenTestLog(dir_, VLM_LOG_PROCEDURE);
  VLM_TEXTURE* missing = VLM_LoadTextureDefinition(-1, root, "Missing");
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->iWidth, 0);
  EXPECT_EQ(Log().find("Fail"), std::string::npos);
  VLM_FreeTexture(good->iHandle);
  VLM_FreeTexture(missing->iHandle);
  VLM_FreeDefinitionNode(root, 1);
}

// Array storage made by the engine; a layer is filled from a file, and a
// layer outside the storage or an image of another size is refused.
TEST_F(Textures, ArrayLayersFromFiles) {
  const std::string png = WritePng("p.png", 4, 2);
  WritePng("wide.png", 8, 2);
  VLM_TEXTURE* array = VLM_CreateTextureArray(-1, 4, 2, 2, GL_NEAREST, "");
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(VLM_AddTextureToTextureArray(array->iHandle, png.c_str(), 1), 1);
  std::vector<uint8_t> level(4 * 2 * 4 * 2);
  vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, array->iTexture);
  vlmgl.glGetTexImage(GL_TEXTURE_2D_ARRAY, 0, GL_RGBA, GL_UNSIGNED_BYTE, level.data());
  vlmgl.glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
  const std::vector<uint8_t> expected = Picture(4, 2);
  EXPECT_EQ(0, std::memcmp(level.data() + 32, expected.data(), 32));

  EXPECT_EQ(VLM_AddTextureToTextureArray(array->iHandle, png.c_str(), 2), 0);
  EXPECT_EQ(VLM_AddTextureToTextureArray(array->iHandle, dir_.File("wide.png").c_str(), 0), 0);
  EXPECT_EQ(Count(Log(), "Fail: Image does not fit the texture array!"), 2);
  EXPECT_EQ(VLM_CreateTextureArray(-1, 4, 2, 0, GL_NEAREST, ""), nullptr);
  VLM_FreeTexture(array->iHandle);
}

}  // namespace
