// Reference frames: small scenes rendered at 320 x 180 through
// VLM_RenderWorld(-1) and VLM_FlipBuffers, the presented frame compared
// with a picture in tests/reference/frames/ that was checked by eye.
//
// A failing comparison writes the frame and a difference picture into the
// test temporary folder and prints their paths; a missing reference fails
// the same way, so that a new reference is made by running once, looking
// at the frame and copying it into frames/.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "definition/texture_material_records.h"
#include "gpu/gl_table.h"
#include "platform/image.h"
#include "reference/frame_compare.h"
#include "render/render_state.h"
#include "render/targets.h"
#include "support/gl_context.h"
#include "support/test_support.h"
#include "velmora.h"

namespace {

namespace fs = std::filesystem;
using reftest::Compare;
using reftest::Picture;

constexpr int kWidth = 320;
constexpr int kHeight = 180;

// IDs of the scene's resources.
enum : VLM_HANDLE {
  kChecker = 1,
  kGroundMesh = 1,
  kBoxMesh = 2,
  kSphereMesh = 3,
  kGroundMaterial = 1,
  kRedMaterial = 2,
  kBlueMaterial = 3,
  kGlowMaterial = 4,
  kLight = 1,
  kSecondLight = 2,
};

fs::path FramesDir() { return fs::path(VLM_SOURCE_DIR) / "tests" / "reference" / "frames"; }

fs::path OutputDir() {
  const fs::path dir = vlmtest::TempRoot() / "reference";
  std::error_code ec;
  fs::create_directories(dir, ec);
  return dir;
}

Picture FromImage(const vlm::platform::Image& image) {
  Picture picture{image.Width(), image.Height(), {}};
  picture.rgb.resize(static_cast<size_t>(image.Width()) * static_cast<size_t>(image.Height()) * 3);
  const int bpp = image.BytesPerPixel();
  const bool blueFirst = image.Order() == vlm::platform::ChannelOrder::BlueFirst;
  for (int y = 0; y < image.Height(); ++y) {
    const uint8_t* row = image.PictureRow(y);
    for (int x = 0; x < image.Width(); ++x) {
      uint8_t* to = &picture.rgb[(static_cast<size_t>(y) * static_cast<size_t>(image.Width()) +
                                  static_cast<size_t>(x)) * 3];
      const uint8_t* from = row + static_cast<size_t>(x) * static_cast<size_t>(bpp);
      to[0] = blueFirst ? from[2] : from[0];
      to[1] = from[1];
      to[2] = blueFirst ? from[0] : from[2];
    }
  }
  return picture;
}

bool WritePicture(const fs::path& file, const Picture& picture) {
  std::vector<uint8_t> rgba(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * 4);
  for (size_t i = 0, j = 0; i < picture.rgb.size(); i += 3, j += 4) {
    rgba[j] = picture.rgb[i];
    rgba[j + 1] = picture.rgb[i + 1];
    rgba[j + 2] = picture.rgb[i + 2];
    rgba[j + 3] = 255;
  }
  return vlm::platform::WritePng(file.string().c_str(), picture.width, picture.height, rgba.data());
}

// A 64 x 64 checker of 8 x 8 squares, light and dark grey, as PNG bytes.
std::vector<uint8_t> CheckerPng() {
  constexpr int kSide = 64;
  std::vector<uint8_t> rgb(kSide * kSide * 3);
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      const uint8_t value = ((x / 8 + y / 8) % 2) ? 200 : 90;
      uint8_t* p = &rgb[static_cast<size_t>(y * kSide + x) * 3];
      p[0] = value, p[1] = value, p[2] = value;
    }
  return vlm::platform::EncodePng(rgb.data(), kSide, kSide, 3, kSide * 3);
}

// Twice the signed area of triangle t as seen along its first vertex's
// normal: positive when the corners turn counter-clockwise around it.
float Turn(VLM_HANDLE mesh, int32_t t) {
  const int32_t* index = VLM_GetMeshIndices(mesh) + 3 * t;
  const v4f a = VLM_GetMeshVertex(mesh, index[0])->v4fPosition;
  const v4f b = VLM_GetMeshVertex(mesh, index[1])->v4fPosition;
  const v4f c = VLM_GetMeshVertex(mesh, index[2])->v4fPosition;
  const float* n = VLM_GetMeshVertexNormal(mesh, index[0]);
  const float u[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
  const float v[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
  const float cross[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                          u[0] * v[1] - u[1] * v[0]};
  return cross[0] * n[0] + cross[1] * n[1] + cross[2] * n[2];
}

// A UV sphere of the given radius, wound like the engine's own cube.
void CreateSphereMesh(VLM_HANDLE id, float radius) {
  constexpr int kRings = 16, kSegments = 24;
  constexpr float kPi = 3.14159265f;
  VLM_CreateMesh(id, "");
  VLM_SetMeshVertexCount(id, (kRings + 1) * (kSegments + 1));
  for (int i = 0; i <= kRings; ++i)
    for (int j = 0; j <= kSegments; ++j) {
      const float theta = kPi * static_cast<float>(i) / kRings;
      const float phi = 2.0f * kPi * static_cast<float>(j) / kSegments;
      const float n[3] = {std::sin(theta) * std::cos(phi), std::cos(theta),
                          std::sin(theta) * std::sin(phi)};
      const int32_t v = i * (kSegments + 1) + j;
      VLM_SetMeshVertexPosition(id, v, radius * n[0], radius * n[1], radius * n[2], 1.0f);
      VLM_SetMeshVertexNormal(id, v, n[0], n[1], n[2]);
      VLM_SetMeshVertexTexCoord(id, v, static_cast<float>(j) / kSegments,
                                static_cast<float>(i) / kRings);
    }
  VLM_SetMeshTriangleCount(id, 2 * kRings * kSegments);
  int32_t t = 0;
  for (int i = 0; i < kRings; ++i)
    for (int j = 0; j < kSegments; ++j) {
      const int32_t a = i * (kSegments + 1) + j, b = a + kSegments + 1;
      VLM_SetMeshTriangle(id, t++, a, b, a + 1);
      VLM_SetMeshTriangle(id, t++, a + 1, b, b + 1);
    }
  // The cube tells which way the engine's front faces turn.
  const VLM_MESH* probe = VLM_CreateCubeMesh(-1, 1.0f, 1.0f, 0, "");
  const auto probeHandle = reinterpret_cast<VLM_HANDLE>(probe);
  const bool counterClockwise = Turn(probeHandle, 0) > 0.0f;
  VLM_FreeMesh(probeHandle);
  // Triangle 1 of ring 1 is not degenerate (ring 0 touches the pole).
  if ((Turn(id, 2 * kSegments + 1) > 0.0f) != counterClockwise) {
    int32_t* index = VLM_GetMeshIndices(id);
    for (int32_t k = 0; k < VLM_GetMeshIndexCount(id); k += 3) std::swap(index[k + 1], index[k + 2]);
  }
  VLM_FinishMesh(id);
}

VLM_MATERIAL* CreateColouredMaterial(VLM_HANDLE id, float r, float g, float b) {
  // Program 20: deferred, lit; its empty normal slot gets the flat map.
  VLM_MATERIAL* material = VLM_CreateMaterial(id, -1, 20, "");
  if (material) {
    material->v4fColor = {r, g, b, 1.0f};
    material->fShine = 0.5f;
    material->fHardness = 20.0f;
  }
  return material;
}

void PlaceObject(VLM_HANDLE mesh, VLM_HANDLE material, float x, float y, float z, float turn = 0.0f,
                 float scale = 1.0f) {
  VLM_OBJECT* object = VLM_CreateObject(-1, mesh, material, 0, "");
  ASSERT_NE(object, nullptr);
  const auto handle = reinterpret_cast<VLM_HANDLE>(object);
  const v4f at{x, y, z, 1.0f};
  VLM_ObjectPosition(handle, &at, 0);
  if (turn != 0.0f) VLM_ObjectRotation(handle, 0.0f, turn, 0.0f, 0);
  if (scale != 1.0f) VLM_ObjectScale(handle, scale, scale, scale, 0);
}

class ReferenceFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    gl_ = std::make_unique<vlmtest::GLContext>(kWidth, kHeight);
    if (!gl_->ok()) GTEST_SKIP() << "no GL context: " << gl_->error();
    ASSERT_EQ(vlm::render::Targets().width, kWidth);
    ASSERT_EQ(vlm::render::Targets().height, kHeight);
  }
  void TearDown() override {
    if (gl_ && gl_->ok()) {
      VLM_KeepPresentedFrames(0);
      VLM_Shutdown();
    }
  }

  // Ground of 20 x 20 with the checker, camera above and in front of the
  // origin looking down at it, one point light casting a shadow.
  static void Stage(bool shadowedLight = true) {
    VLM_BackgroundColour(0xFF403020u);
    VLM_AmbientColour(0xFF202020u);
    VLM_DirectLight(0);
    VLM_Glow(0.0f);
    VLM_Bloom(0.0f);
    VLM_Shadows(shadowedLight ? 1 : 0);
    VLM_CameraFOV(60.0f);
    VLM_CameraNear(0.1f);
    VLM_CameraFar(200.0f);
    VLM_CameraPosition(0.0f, 5.0f, 9.0f, 0);
    VLM_CameraRotation(-25.0f, 0.0f, 0.0f, 0);
    const std::vector<uint8_t> png = CheckerPng();
    VLM_TEXTURE* checker = VLM_CatchTexture(kChecker, png.data(), png.size(), VLM_DEFAULT, "");
    ASSERT_NE(checker, nullptr);
    VLM_MATERIAL* ground = VLM_CreateMaterial(kGroundMaterial, kChecker, 20, "");
    ASSERT_NE(ground, nullptr);
    ground->fShine = 0.3f;  // dull, so that the light's highlight does not flood the floor
    ground->fHardness = 8.0f;
    ASSERT_NE(VLM_CreatePlaneMesh(kGroundMesh, 20.0f, 5.0f, ""), nullptr);
    PlaceObject(kGroundMesh, kGroundMaterial, 0.0f, 0.0f, 0.0f);
    ASSERT_NE(VLM_CreateLight(kLight, 3.0f, 7.0f, 4.0f, VLM_LIGHT_POINT), 0);
    VLM_LightRange(kLight, 25.0f);
    VLM_LightIntensity(kLight, 1.5f);
    VLM_LightColour(kLight, 0xFFE0F0FFu);
    if (shadowedLight) VLM_LightShadow(kLight, 1, 0);
  }

  // Renders two frames (the second sees every state the first left) and
  // compares the presented one with frames/<name>.png.
  void ExpectReference(const std::string& name) {
    VLM_KeepPresentedFrames(1);
    for (int frame = 0; frame < 2; ++frame) {
      VLM_RenderWorld(-1);
      VLM_FlipBuffers();
    }
    // Debug builds log a pass that left a GL error; any build may leave one.
    EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(vlmtest::ReadFile(gl_->LogPath()).find("GL error"), std::string::npos);
    const fs::path actualFile = OutputDir() / (name + "_actual.png");
    ASSERT_EQ(VLM_SavePresentedFrame(actualFile.string().c_str()), 1);
    const vlm::platform::Image actualImage = vlm::platform::LoadImageFile(actualFile.string().c_str());
    ASSERT_TRUE(actualImage) << actualFile;
    const Picture actual = FromImage(actualImage);
    ASSERT_EQ(actual.width, kWidth);
    ASSERT_EQ(actual.height, kHeight);

    const fs::path referenceFile = FramesDir() / (name + ".png");
    const vlm::platform::Image referenceImage =
        vlm::platform::LoadImageFile(referenceFile.string().c_str());
    if (!referenceImage) {
      ADD_FAILURE() << "no reference " << referenceFile << "; this run's frame is " << actualFile
                    << " (look at it, then copy it there)";
      return;
    }
    Picture difference;
    const reftest::Comparison result = Compare(actual, FromImage(referenceImage), &difference);
    if (result.Passed()) {
      std::error_code ec;
      fs::remove(actualFile, ec);
      return;
    }
    const fs::path differenceFile = OutputDir() / (name + "_difference.png");
    if (result.sameSize) WritePicture(differenceFile, difference);
    ADD_FAILURE() << name << ": " << result.mismatched << " of " << result.pixels
                  << " pixels differ by more than " << reftest::kChannelTolerance
                  << "/255 (largest difference " << result.largest << ")"
                  << (result.sameSize ? "" : ", and the sizes differ") << "\n  actual:     "
                  << actualFile << "\n  difference: " << differenceFile
                  << "\n  reference:  " << referenceFile;
  }

  std::unique_ptr<vlmtest::GLContext> gl_;
};

// Three boxes on the checkered ground, one turned, one raised on another;
// the point light throws their shadows away from it.
TEST_F(ReferenceFrame, BoxesOnGround) {
  Stage();
  ASSERT_NE(VLM_CreateCubeMesh(kBoxMesh, 2.0f, 1.0f, 0, ""), nullptr);
  CreateColouredMaterial(kRedMaterial, 0.9f, 0.25f, 0.2f);
  CreateColouredMaterial(kBlueMaterial, 0.25f, 0.4f, 0.9f);
  PlaceObject(kBoxMesh, kRedMaterial, -3.0f, 1.0f, 0.0f, 30.0f);
  PlaceObject(kBoxMesh, kBlueMaterial, 1.5f, 1.0f, -1.0f);
  PlaceObject(kBoxMesh, kRedMaterial, 1.5f, 2.5f, -1.0f, 45.0f, 0.5f);
  ExpectReference("boxes_on_ground");
}

// Spheres of three sizes, smooth shading and round shadows.
TEST_F(ReferenceFrame, SpheresOnGround) {
  Stage();
  CreateSphereMesh(kSphereMesh, 1.0f);
  CreateColouredMaterial(kRedMaterial, 0.9f, 0.8f, 0.2f);
  CreateColouredMaterial(kBlueMaterial, 0.3f, 0.8f, 0.4f);
  PlaceObject(kSphereMesh, kRedMaterial, -2.5f, 1.5f, 0.0f, 0.0f, 1.5f);
  PlaceObject(kSphereMesh, kBlueMaterial, 1.0f, 1.0f, 1.0f);
  PlaceObject(kSphereMesh, kRedMaterial, 3.0f, 0.5f, -1.5f, 0.0f, 0.5f);
  ExpectReference("spheres_on_ground");
}

// Boxes and spheres under two point lights without shadows (the instanced
// light draw) and the direct light.
TEST_F(ReferenceFrame, BoxesAndSpheresUnshadowed) {
  Stage(false);
  VLM_LightColour(kLight, 0xFF4080FFu);
  ASSERT_NE(VLM_CreateLight(kSecondLight, -4.0f, 3.0f, 2.0f, VLM_LIGHT_POINT), 0);
  VLM_LightRange(kSecondLight, 10.0f);
  VLM_LightColour(kSecondLight, 0xFFFF8040u);
  VLM_DirectLight(1);
  // A weak slanting sun, so that the point lights still show.
  vlm::LightingState& lighting = vlm::Render().lighting;
  lighting.directLightIntensity = 0.35f;
  lighting.directLightDirection = {-0.48f, -0.64f, -0.6f, 0.0f};
  ASSERT_NE(VLM_CreateCubeMesh(kBoxMesh, 2.0f, 1.0f, 0, ""), nullptr);
  CreateSphereMesh(kSphereMesh, 1.0f);
  CreateColouredMaterial(kRedMaterial, 0.8f, 0.8f, 0.8f);
  PlaceObject(kBoxMesh, kRedMaterial, -2.0f, 1.0f, -1.0f, 20.0f);
  PlaceObject(kSphereMesh, kRedMaterial, 2.0f, 1.0f, 0.0f);
  ExpectReference("boxes_and_spheres_unshadowed");
}

// An emissive box with glow on: a halo around it, blurred at half size.
TEST_F(ReferenceFrame, GlowingBox) {
  Stage();
  VLM_Glow(1.0f);
  ASSERT_NE(VLM_CreateCubeMesh(kBoxMesh, 2.0f, 1.0f, 0, ""), nullptr);
  VLM_MATERIAL* glow = CreateColouredMaterial(kGlowMaterial, 1.0f, 0.5f, 0.1f);
  ASSERT_NE(glow, nullptr);
  glow->fReflection = 1.0f;  // the fourth Material float: emission for program 20
  CreateColouredMaterial(kBlueMaterial, 0.25f, 0.4f, 0.9f);
  PlaceObject(kBoxMesh, kGlowMaterial, 0.0f, 1.0f, 0.0f, 30.0f);
  PlaceObject(kBoxMesh, kBlueMaterial, -3.5f, 1.0f, -2.0f);
  ExpectReference("glowing_box");
}

// The comparison itself, without GL: the tolerance's edges and the
// difference picture.
TEST(ReferenceCompare, ToleranceEdges) {
  Picture reference{100, 10, std::vector<uint8_t>(100 * 10 * 3, 100)};
  Picture actual = reference;
  // 3/255 everywhere is still equal.
  for (uint8_t& c : actual.rgb) c = 103;
  EXPECT_TRUE(Compare(actual, reference).Passed());
  // 4/255 in one channel of 5 pixels (0.5 %) passes, of 6 pixels fails.
  actual = reference;
  for (int i = 0; i < 5; ++i) actual.rgb[static_cast<size_t>(i) * 3 + 2] = 96;
  reftest::Comparison result = Compare(actual, reference);
  EXPECT_TRUE(result.Passed());
  EXPECT_EQ(result.mismatched, 5);
  EXPECT_EQ(result.largest, 4);
  actual.rgb[5 * 3 + 1] = 255;
  Picture difference;
  result = Compare(actual, reference, &difference);
  EXPECT_FALSE(result.Passed());
  EXPECT_EQ(result.mismatched, 6);
  EXPECT_EQ(result.largest, 155);
  EXPECT_EQ(difference.At(5, 0)[0], 255);
  EXPECT_EQ(difference.At(5, 0)[1], 0);
  EXPECT_EQ(difference.At(50, 5)[0], difference.At(50, 5)[1]);
  // Another size never matches.
  Picture small{10, 10, std::vector<uint8_t>(10 * 10 * 3, 100)};
  EXPECT_FALSE(Compare(small, reference).Passed());
}

}  // namespace
