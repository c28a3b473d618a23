// Screen elements drawn for real into the default framebuffer: where the
// centred and top-left quads land, their matrices worked out by hand,
// corners set directly, IDs taken again, and the engine's logo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "gpu/gl_table.h"
#include "render/element_record.h"
#include "render/render_state.h"
#include "support/gl_context.h"
#include "support/screen_pixels.h"
#include "support/test_support.h"
#include "velmora.h"

namespace {

using vlmtest::ScreenPixels;

class Elements : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gl_.ok()) GTEST_SKIP() << "no GL context: " << gl_.error();
    const std::vector<uint8_t> png = vlmtest::WhitePng(20, 10);
    texture_ = VLM_CatchTexture(-1, png.data(), png.size(), 0x2600 /* GL_NEAREST */, "");
    ASSERT_NE(texture_, nullptr);
    material_ = VLM_CreateMaterial(-1, texture_->iHandle, 8, "")->iHandle;
    vlmtest::ClearScreen();
  }
  void TearDown() override {
    if (material_) VLM_FreeMaterial(material_);
    if (texture_) VLM_FreeTexture(texture_->iHandle);
  }

  vlmtest::GLContext gl_;
  VLM_TEXTURE* texture_ = nullptr;
  VLM_HANDLE material_ = 0;
};

// The lit pixels' bounding box, [x0, x1) x [y0, y1); all -1 when none.
struct Box {
  int x0 = -1, y0 = -1, x1 = -1, y1 = -1;
};

Box LitBox(const ScreenPixels& screen) {
  Box box;
  for (int y = 0; y < ScreenPixels::kHeight; ++y)
    for (int x = 0; x < ScreenPixels::kWidth; ++x) {
      if (!screen.Lit(x, y)) continue;
      if (box.x0 < 0 || x < box.x0) box.x0 = x;
      if (box.y0 < 0) box.y0 = y;
      if (x + 1 > box.x1) box.x1 = x + 1;
      box.y1 = y + 1;
    }
  return box;
}

void ExpectBox(const Box& box, int x0, int y0, int x1, int y1) {
  EXPECT_EQ(box.x0, x0);
  EXPECT_EQ(box.y0, y0);
  EXPECT_EQ(box.x1, x1);
  EXPECT_EQ(box.y1, y1);
}

TEST_F(Elements, CentredElementHasItsCentreAtThePositionAndTopLeftItsCorner) {
  const VLM_HANDLE centred = VLM_CreateElement(-1, material_, 0, 0);
  ASSERT_NE(centred, 0);
  EXPECT_EQ(VLM_DisplayElement(centred, 100, 60), 1);
  ExpectBox(LitBox(vlmtest::ReadScreen()), 90, 55, 110, 65);

  vlmtest::ClearScreen();
  const VLM_HANDLE corner = VLM_CreateElement(8, material_, 1, 1);
  ASSERT_EQ(corner, 8);
  EXPECT_EQ(VLM_DisplayElement(corner, 100, 60), 1);
  ExpectBox(LitBox(vlmtest::ReadScreen()), 100, 60, 120, 70);
  // The position stays in row 3 of the matrix.
  EXPECT_FLOAT_EQ(VLM_IsElement(corner)->m4fMatrix.e[12], 100.0f);
  EXPECT_FLOAT_EQ(VLM_IsElement(corner)->m4fMatrix.e[13], 60.0f);
  // Flipped V: texture coordinates (0,1), (0,0), (1,1), (1,0).
  const VLM_ELEMENT_VERTEX* v = VLM_IsElement(corner)->aVertices;
  EXPECT_EQ(v[0].uv0[1], 1.0f);
  EXPECT_EQ(v[1].uv0[1], 0.0f);
  EXPECT_EQ(v[3].uv1[0], 1.0f);

  // A zoomed element covers its new size around the same centre.
  vlmtest::ClearScreen();
  VLM_ZoomElement(centred, 40, 30);
  VLM_DisplayElement(centred, 300, 200);
  ExpectBox(LitBox(vlmtest::ReadScreen()), 280, 185, 320, 215);
  VLM_FreeElement(centred);
  VLM_FreeElement(corner);
}

TEST_F(Elements, RotationAndZoomBuildTheMatrixByHand) {
  const VLM_HANDLE h = VLM_CreateElement(-1, material_, 0, 0);
  VLM_ELEMENT* e = VLM_IsElement(h);
  ASSERT_NE(e, nullptr);
  // Size from the 20 x 10 texture.
  EXPECT_EQ(e->fWidth, 20.0f);
  EXPECT_EQ(e->fHeight, 10.0f);
  VLM_RotateElement(h, 30.0f, 0);
  EXPECT_NEAR(e->m4fMatrix.e[0], 0.8660254f * 20, 1e-4);  // c * width
  EXPECT_NEAR(e->m4fMatrix.e[1], 0.5f * 20, 1e-4);         // s * width
  EXPECT_NEAR(e->m4fMatrix.e[4], -0.5f * 10, 1e-4);        // -s * height
  EXPECT_NEAR(e->m4fMatrix.e[5], 0.8660254f * 10, 1e-4);   // c * height
  VLM_RotateElement(h, 60.0f, 1);
  EXPECT_FLOAT_EQ(e->fAngle, 90.0f);
  VLM_ZoomElement(h, 8, 6);
  const float expected[16] = {0, 8, 0, 0, -6, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(e->m4fMatrix.e[i], expected[i], 1e-5) << i;
  EXPECT_EQ(e->v4fScale.x, 8.0f);
  EXPECT_EQ(e->v4fScale.z, 1.0f);

  // Turned 90 degrees the 8 x 6 quad stands 6 wide and 8 high.
  VLM_DisplayElement(h, 200, 100);
  ExpectBox(LitBox(vlmtest::ReadScreen()), 197, 96, 203, 104);
  VLM_FreeElement(h);
}

TEST_F(Elements, ChangesThatLeaveNoFiniteMatrixAreRefusedAndTheElementKept) {
  const VLM_HANDLE h = VLM_CreateElement(-1, material_, 0, 0);
  VLM_RotateElement(h, 3e38f, 0);  // finite, and so is its matrix
  const VLM_ELEMENT* e = VLM_IsElement(h);
  const VLM_ELEMENT before = *e;
  vlmtest::TempDir dir;
  const std::string path = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  EXPECT_EQ(VLM_DisplayElement(h, NAN, 0) + VLM_ZoomElement(h, 8, INFINITY) + VLM_RotateElement(h, 3e38f, 1) +
                VLM_TransformElement(h, 0, 0, 0, 10, 10, 0, NAN, 10), 0);
  const std::string body = vlmtest::LogBody(path);
  for (const char* proc : {"VLM_DisplayElement", "VLM_ZoomElement", "VLM_RotateElement", "VLM_TransformElement"})
    EXPECT_NE(body.find(vlmtest::FailRow(proc, "Fail: Numbers must be finite!")), std::string::npos) << proc;
  EXPECT_EQ(std::memcmp(&e->aVertices, &before.aVertices, sizeof before.aVertices) +
                std::memcmp(&e->m4fMatrix, &before.m4fMatrix, sizeof before.m4fMatrix), 0);
  VLM_FreeElement(h);
}

TEST_F(Elements, TransformedCornersAreDrawnWhereGivenUnscaledAndUnrotated) {
  const VLM_HANDLE h = VLM_CreateElement(-1, material_, 0, 0);
  VLM_RotateElement(h, 33.0f, 0);
  VLM_ZoomElement(h, 70, 90);
  // Top-left, bottom-left, top-right, bottom-right.
  EXPECT_EQ(VLM_TransformElement(h, 0, 0, 0, 10, 30, 0, 30, 10), 1);
  EXPECT_EQ(VLM_IsElement(h)->fAngle, 0.0f);
  VLM_DisplayElement(h, 50, 40);
  ExpectBox(LitBox(vlmtest::ReadScreen()), 50, 40, 80, 50);

  // A sheared quad: its top edge 10 px right of its bottom edge.
  vlmtest::ClearScreen();
  VLM_TransformElement(h, 10, 0, 0, 20, 40, 0, 30, 20);
  VLM_DisplayElement(h, 100, 100);
  const ScreenPixels screen = vlmtest::ReadScreen();
  EXPECT_NEAR(screen.FirstLit(100), 110, 1);
  EXPECT_NEAR(screen.FirstLit(119), 100.5, 1);
  VLM_FreeElement(h);
}

TEST_F(Elements, AnIdInUseIsFreedFirstAndBadIdsOrMaterialsFail) {
  const size_t before = vlm::ElementRegistry().Count();
  ASSERT_EQ(VLM_CreateElement(5, material_, 0, 0), 5);
  const GLuint oldBuffer = VLM_IsElement(5)->iVertexBuffer;
  EXPECT_TRUE(vlmgl.glIsBuffer(oldBuffer));
  const VLM_ELEMENT* old = VLM_IsElement(5);
  ASSERT_EQ(VLM_CreateElement(5, material_, 1, 0), 5);
  EXPECT_EQ(vlm::ElementRegistry().Count(), before + 1);
  EXPECT_NE(VLM_IsElement(5), old);
  EXPECT_EQ(VLM_IsElement(5)->aVertices[0].position[0], 0.0f);  // the new, top-left one
  // The old buffer is gone unless the new element got its name again.
  EXPECT_TRUE(!vlmgl.glIsBuffer(oldBuffer) || VLM_IsElement(5)->iVertexBuffer == oldBuffer);

  EXPECT_EQ(VLM_CreateElement(65536, material_, 0, 0), 0);
  EXPECT_EQ(VLM_CreateElement(6, 777777, 0, 0), 0);
  EXPECT_EQ(vlm::ElementRegistry().Count(), before + 1);
  EXPECT_EQ(VLM_FreeElement(5), 1);
  EXPECT_EQ(VLM_FreeElement(5), 0);
  EXPECT_EQ(VLM_DisplayElement(5, 0, 0), 0);
  EXPECT_EQ(VLM_ZoomElement(5, 1, 1), 0);

  // An element whose material was freed draws nothing and does not crash.
  const VLM_HANDLE orphan = VLM_CreateElement(-1, material_, 0, 0);
  VLM_FreeMaterial(material_);
  material_ = 0;
  EXPECT_EQ(VLM_DisplayElement(orphan, 100, 100), 1);
  EXPECT_EQ(LitBox(vlmtest::ReadScreen()).x0, -1);
  VLM_FreeElement(orphan);
}

TEST_F(Elements, TheEngineLogoIsA102PixelElementDrawnBeforeThePresentWhenSwitchedOn) {
  const VLM_ELEMENT* logo = VLM_IsElement(vlm::Render().defaults.logoElement);
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->fWidth, 102.0f);
  EXPECT_EQ(logo->fHeight, 102.0f);
  EXPECT_EQ(VLM_ShowEngineLogo(1), 0);
  VLM_KeepPresentedFrames(1);
  VLM_FlipBuffers();
  EXPECT_EQ(VLM_ShowEngineLogo(0), 1);
  // Centred at (W - 52, H - 52): the logo's disc, symmetric about its
  // centre, lights a box whose middle is there.
  vlmtest::TempDir dir;
  ASSERT_EQ(VLM_SavePresentedFrame(dir.File("frame.png").c_str()), 1);
  VLM_KeepPresentedFrames(0);
  VLM_IMAGE* frame = VLM_LoadImage(dir.File("frame.png").c_str());
  ASSERT_NE(frame, nullptr);
  const int w = VLM_ImageWidth(frame), h = VLM_ImageHeight(frame), bpp = VLM_ImageBytesPerPixel(frame);
  Box lit;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = VLM_ImagePixels(frame) + (static_cast<size_t>(y) * w + x) * bpp;
      if (p[0] + p[1] + p[2] == 0) continue;
      if (lit.x0 < 0 || x < lit.x0) lit.x0 = x;
      if (lit.y0 < 0) lit.y0 = y;
      lit.x1 = std::max(lit.x1, x + 1);
      lit.y1 = y + 1;
    }
  EXPECT_EQ(lit.x0 + lit.x1, 2 * (w - 52));
  EXPECT_EQ(lit.y0 + lit.y1, 2 * (h - 52));
  EXPECT_LE(lit.x1, w - 1);  // the 102 pixels end one short of the edge
  EXPECT_GT(lit.x1 - lit.x0, 90);
  VLM_FreeImage(frame);
}

TEST(ElementShutdown, ShutdownFreesEveryElementWithItsBuffers) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  const VLM_HANDLE material = VLM_GetDefaultResource(VLM_RESOURCE_MATERIAL);
  ASSERT_EQ(VLM_CreateElement(9, material, 0, 0), 9);
  VLM_Shutdown();
  EXPECT_EQ(vlm::ElementRegistry().Count(), 0u);
  EXPECT_EQ(VLM_IsElement(9), nullptr);
  EXPECT_EQ(vlm::Render().defaults.logoElement, 0);
}

}  // namespace
