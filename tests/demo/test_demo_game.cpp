// The demo's scene and overlay in this process: the thirteen overlay lines
// with their exact texts, heights and colours, and the event loop's close.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "game.h"
#include "platform/image.h"
#include "platform/testing/window_probe.h"
#include "support/gl_context.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

class DemoGame : public ::testing::Test {
 protected:
  void SetUp() override {
    gl_ = std::make_unique<vlmtest::GLContext>();
    if (!gl_->ok()) GTEST_SKIP() << "no GL context: " << gl_->error();
    before_ = fs::current_path();
  }
  void TearDown() override {
    if (!gl_ || !gl_->ok()) return;
    VLM_Shutdown();
    fs::current_path(before_);
  }
  std::unique_ptr<vlmtest::GLContext> gl_;
  fs::path before_;
};

constexpr int64_t kFontColour = -65535;

// An empty world: every count is 0, the energies are 0 with their decimals
// kept, and with no light the shadow line's product is 0 too.
TEST_F(DemoGame, OverlayOfAnEmptyWorld) {
  const std::vector<demo::OverlayLine> lines = demo::OverlayLines();
  ASSERT_EQ(lines.size(), 13u);
  const struct {
    float y;
    int64_t colour;
    const char* text;  // a pattern
  } expected[] = {
      {25, kFontColour, "Grafik: [0-9]+\\.[0-9] Hz"},
      {50, kFontColour, "Physik: [0-9]+\\.[0-9] Hz"},
      {100, kFontColour, "Gesamtenergie: 0\\.000"},
      {125, 0xFF80FFFF, "  Lage: 0\\.0"},
      {150, 0xFF4080FF, "  Spannung: 0\\.0"},
      {175, 0xFF40FF80, "  Translation: 0\\.0"},
      {200, 0xFFFFC080, "  Rotation: 0\\.0"},
      {250, kFontColour, "Bodies: 0 \\(dyn\\) \\+ 0 \\(stc\\)"},
      {275, kFontColour, "Joints: 0"},
      {300, kFontColour, "Particle: 0"},
      {350, kFontColour, "Rendered Objects: 0 / 0"},
      {375, kFontColour, "Rendered Lights: 0 / 0"},
      {400, kFontColour, "Rendered Shadow Objects: 0 / 0"},
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].y, expected[i].y) << i;
    EXPECT_EQ(lines[i].colour, expected[i].colour) << lines[i].text;
    EXPECT_TRUE(std::regex_match(lines[i].text, std::regex(expected[i].text))) << lines[i].text;
  }
  // Objects without a light: the product stays 0.
  ASSERT_NE(VLM_CreateObject(-1, -1, -1, 0, ""), nullptr);
  ASSERT_NE(VLM_CreateObject(-1, -1, -1, 0, ""), nullptr);
  EXPECT_EQ(demo::OverlayLines()[10].text, "Rendered Objects: 0 / 2");
  EXPECT_EQ(demo::OverlayLines()[12].text, "Rendered Shadow Objects: 0 / 0");
}

// The demo's scene: two wheels on an axle over a static plate, one light,
// three objects; the wheels hang 9.5 above the plate's top. The shadow
// total is lights x 6 faces x objects.
TEST_F(DemoGame, OverlayOfTheScene) {
  VLM_SetCurrentDirectory(VLM_BINARY_DIR "/demo/Resources");
  demo::BuildScene();
  const std::vector<demo::OverlayLine> lines = demo::OverlayLines();
  EXPECT_EQ(lines[7].text, "Bodies: 2 (dyn) + 1 (stc)");
  EXPECT_EQ(lines[8].text, "Joints: 1");
  EXPECT_TRUE(std::regex_match(lines[10].text, std::regex("Rendered Objects: [0-3] / 3")))
      << lines[10].text;
  EXPECT_TRUE(std::regex_match(lines[11].text, std::regex("Rendered Lights: [01] / 1")))
      << lines[11].text;
  EXPECT_TRUE(std::regex_match(lines[12].text, std::regex("Rendered Shadow Objects: [0-9]+ / 18")))
      << lines[12].text;
  // A shot adds one dynamic body and one object.
  demo::Shoot(false);
  demo::Shoot(true);
  EXPECT_EQ(demo::OverlayLines()[7].text, "Bodies: 4 (dyn) + 1 (stc)");
  EXPECT_TRUE(std::regex_match(demo::OverlayLines()[12].text,
                               std::regex("Rendered Shadow Objects: [0-9]+ / 30")));
}

// Two slabs shot ten seconds apart land flat, the second on the first, and
// stay still: the scene's contact passes settle them (one pass leaves a
// slab jittering between 0.81 and 0.87). A slab is 0.6 thick and the
// plate's top is at 0.5.
TEST_F(DemoGame, SlabsComeToRestOnThePlateAndOnEachOther) {
  VLM_SetCurrentDirectory(VLM_BINARY_DIR "/demo/Resources");
  demo::BuildScene();
  VLM_SetPhysicsTimeStep(1.0f / 60.0f, 1);
  VLM_SetPhysicsWaits(0);
  VLM_HANDLE slabs[2] = {demo::Shoot(true), 0};
  float low[2] = {1e9f, 1e9f}, high[2] = {-1e9f, -1e9f};
  for (int step = 0; step < 60 * 40; ++step) {
    if (step == 600) slabs[1] = demo::Shoot(true);
    VLM_UpdatePhysics(0);
    if (step < 60 * 38) continue;
    for (int k = 0; k < 2; ++k) {
      m4f world{};
      VLM_EntityWorldMatrix(&world, VLM_ResolveBody(slabs[k]), 1);
      low[k] = std::min(low[k], world.e[13]);
      high[k] = std::max(high[k], world.e[13]);
    }
  }
  for (int k = 0; k < 2; ++k) {
    EXPECT_NEAR(low[k], 0.8f + 0.6f * static_cast<float>(k), 0.01f) << k;
    EXPECT_LT(high[k] - low[k], 1e-4f) << k;  // over the last two seconds
  }
}

// The picture's pixels that differ between two frames of one size: their
// bounding box (x0, y0, x1, y1), inclusive, within columns [from, to).
struct Box {
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
};
Box Differences(const vlm::platform::Image& a, const vlm::platform::Image& b, int from, int to) {
  Box box;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = from; x < to; ++x) {
      const uint8_t* p = a.PictureRow(y) + x * a.BytesPerPixel();
      const uint8_t* q = b.PictureRow(y) + x * b.BytesPerPixel();
      if (p[0] == q[0] && p[1] == q[1] && p[2] == q[2]) continue;
      box = {std::min(box.x0, x), std::min(box.y0, y), std::max(box.x1, x), std::max(box.y1, y)};
    }
  }
  return box;
}

// The first row from the top of column x that is not the grey background:
// the far edge of the plate.
int Horizon(const vlm::platform::Image& image, int x) {
  for (int y = 0; y < image.Height(); ++y) {
    const uint8_t* p = image.PictureRow(y) + x * image.BytesPerPixel();
    if (std::abs(p[0] - 0x80) > 20 || std::abs(p[1] - 0x80) > 20 || std::abs(p[2] - 0x80) > 20) return y;
  }
  return -1;
}

// The window resized from 640 x 480 to 1000 x 600 as a user drags it: the
// drawing area, render targets, projection and 2D matrix follow, so the
// frame is the scene scaled, not cropped. The plate's far edge stays at
// the same height relative to the picture (the vertical field of view),
// the cross-hair drawn at the screen's centre is centred, and the overlay
// keeps its place at the top left.
TEST_F(DemoGame, ResizedWindowScalesTheFrame) {
  VLM_SetCurrentDirectory(VLM_BINARY_DIR "/demo/Resources");
  demo::BuildScene();
  VLM_KeepPresentedFrames(1);
  vlmtest::TempDir dir;
  const auto frame = [&](bool cross, bool overlay) {
    VLM_RenderWorld(-1);
    if (cross)
      VLM_DisplayElement(demo::kElementCross, static_cast<float>(VLM_ScreenWidth()) / 2.0f,
                         static_cast<float>(VLM_ScreenHeight()) / 2.0f);
    if (overlay) demo::DrawOverlay();
    VLM_FlipBuffers();
    EXPECT_EQ(VLM_SavePresentedFrame(dir.File("frame.png").c_str()), 1);
    return vlm::platform::LoadImageFile(dir.File("frame.png").c_str());
  };
  const vlm::platform::Image before = frame(false, false);
  ASSERT_TRUE(before);
  ASSERT_EQ(before.Width(), 640);
  const double edge = static_cast<double>(Horizon(before, 480)) / 480.0;

  ASSERT_TRUE(vlm::testing::ResizeSurfaceWindow(1000, 600)) << vlm::testing::LastError();
  const vlm::platform::Image plain = frame(false, false);
  const vlm::platform::Image marked = frame(true, true);
  ASSERT_TRUE(plain && marked);
  EXPECT_EQ(VLM_ScreenWidth(), 1000);
  EXPECT_EQ(VLM_ScreenHeight(), 600);
  ASSERT_EQ(plain.Width(), 1000);
  ASSERT_EQ(plain.Height(), 600);
  EXPECT_NEAR(static_cast<double>(Horizon(plain, 750)) / 600.0, edge, 2.0 / 600.0);
  const Box cross = Differences(plain, marked, 400, 1000);
  EXPECT_NEAR((cross.x0 + cross.x1) / 2.0, 500.0, 1.0);
  EXPECT_NEAR((cross.y0 + cross.y1) / 2.0, 300.0, 1.0);
  const Box overlay = Differences(plain, marked, 0, 400);
  EXPECT_NEAR(overlay.x0, 20, 3);
  EXPECT_NEAR(overlay.y0, 28, 5);
  EXPECT_NEAR(overlay.y1, 420, 10);
  VLM_KeepPresentedFrames(0);
}

// A close request behind other events ends the event loop at once; what
// stands behind it is not fetched.
TEST_F(DemoGame, CloseLeavesWithEventsStillQueued) {
  while (VLM_WindowEvent() != VLM_EVENT_NONE) {
  }
  ASSERT_TRUE(vlm::testing::QueueUserEvent()) << vlm::testing::LastError();
  ASSERT_TRUE(vlm::testing::QueueQuitRequest()) << vlm::testing::LastError();
  ASSERT_TRUE(vlm::testing::QueueUserEvent()) << vlm::testing::LastError();
  EXPECT_FALSE(demo::HandleWindowEvents());
  EXPECT_EQ(VLM_WindowEvent(), VLM_EVENT_OTHER);
  EXPECT_EQ(VLM_WindowEvent(), VLM_EVENT_NONE);
  EXPECT_TRUE(demo::HandleWindowEvents());
}

}  // namespace

