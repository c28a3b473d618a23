// Drawing surface, application windows and their events, presentation and
// frame timing, screenshots.
#include <gtest/gtest.h>
#include <png.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "core/engine_state.h"
#include "gpu/gl_context.h"
#include "gpu/gl_table.h"
#include "platform/image.h"
#include "platform/screen.h"
#include "platform/screen_state.h"
#include "platform/testing/window_probe.h"
#include "render/gl_init.h"
#include "render/render_state.h"
#include "support/gl_context.h"
#include "support/test_support.h"
#include "velmora/core.h"
#include "velmora/platform.h"
#include "velmora/render.h"

namespace {

using vlmtest::FailRow;

void DrainEvents() {
  while (VLM_WindowEvent() != VLM_EVENT_NONE) {
  }
}

TEST(Surface, RefusedRequestsLeaveTheOpenSurfaceAlone) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  void* const context = vlm::Screen().glContext;
  vlmtest::TempDir dir;
  const std::string path = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  EXPECT_EQ(VLM_OpenScreenWindow(320, 200, 32, "second", VLM_WINDOW_HIDDEN, 0), 0);
  // A value that is no open window's identifier is refused before anything else.
  EXPECT_EQ(VLM_OpenScreenInWindow(12345, 0, 0, 320, 200, 32), 0);
  EXPECT_EQ(VLM_OpenScreenInWindow(0, 0, 0, 320, 200, 32), 0);
  VLM_OpenLogFile(nullptr, 0, 1);
  EXPECT_EQ(vlmtest::LogBody(path),
            FailRow("VLM_OpenScreenWindow", "Fail: The drawing surface is already open!") +
                FailRow("VLM_OpenScreenInWindow", "Fail: This window does not exist!") +
                FailRow("VLM_OpenScreenInWindow", "Fail: This window does not exist!"));
  EXPECT_EQ(vlm::Screen().glContext, context);
  EXPECT_TRUE(vlm::Engine().hasGL);
}

TEST(Surface, SizeAndBitsAreChecked) {
  std::string error;
  if (!vlmtest::EnsureDisplay(&error)) GTEST_SKIP() << error;
  // The arguments are checked first, so this holds with or without a surface.
  const bool open = vlm::Engine().hasGL;
  vlmtest::TempDir dir;
  const std::string path = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  EXPECT_EQ(VLM_OpenScreenWindow(0, 200, 32, "t", VLM_WINDOW_HIDDEN, 0), 0);
  EXPECT_EQ(VLM_OpenScreenWindow(320, -1, 32, "t", VLM_WINDOW_HIDDEN, 0), 0);
  EXPECT_EQ(VLM_OpenScreenWindow(320, 200, 0, "t", VLM_WINDOW_HIDDEN, 0), 0);
  EXPECT_EQ(VLM_OpenScreenWindow(320, 200, 33, "t", VLM_WINDOW_HIDDEN, 0), 0);
  VLM_OpenLogFile(nullptr, 0, 1);
  const std::string size = FailRow("VLM_OpenScreenWindow",
                                   "Fail: The drawing surface needs a width and a height above 0!");
  const std::string bits =
      FailRow("VLM_OpenScreenWindow", "Fail: The colour depth must be 1 to 32 bits!");
  EXPECT_EQ(vlmtest::LogBody(path), size + size + bits + bits);
  EXPECT_EQ(vlm::Engine().hasGL, open);
}

TEST(Surface, InApplicationWindowThenShutdown) {
  std::string error;
  if (!vlmtest::EnsureDisplay(&error)) GTEST_SKIP() << error;
  if (vlm::Engine().hasGL) VLM_Shutdown();
  ASSERT_FALSE(vlm::Engine().hasGL);

  const intptr_t window = VLM_OpenWindow(3, 0, 0, 400, 300, "app", VLM_WINDOW_HIDDEN);
  ASSERT_NE(window, 0);
  EXPECT_EQ(VLM_WindowID(3), window);
  EXPECT_EQ(VLM_WindowInnerWidth(3), 400);
  EXPECT_EQ(VLM_WindowInnerHeight(3), 300);
  {
    vlmtest::TempDir dir;
    dir.Enter();
    // 16 bits: the window is made again with a matching pixel format.
    const intptr_t surface = VLM_OpenScreenInWindow(window, 0, 0, 400, 300, 16);
    ASSERT_NE(surface, 0);
    EXPECT_TRUE(vlm::Engine().hasGL);
    EXPECT_EQ(VLM_WindowID(3), window);  // the identifier survives
    const vlm::ScreenState& screen = vlm::Screen();
    EXPECT_EQ(screen.appWindow, window);
    EXPECT_EQ(screen.width, 400);
    EXPECT_EQ(screen.height, 300);
    EXPECT_EQ(screen.colourBits, 16);
    EXPECT_FALSE(screen.ownWindow);
    EXPECT_EQ(static_cast<intptr_t>(vlm::testing::SurfaceWindowId()), surface);
    EXPECT_GE(vlm::testing::CurrentDepthBits(), 16);
    EXPECT_NE(vlmgl.glClear, nullptr);
    // The log of this start is where the program started.
    EXPECT_TRUE(std::filesystem::exists(dir.File("VLM LogFile.html")));
    VLM_SetVSync(0);
    EXPECT_EQ(screen.swapInterval, 0);
    VLM_Shutdown();
  }
  EXPECT_FALSE(vlm::Engine().hasGL);
  EXPECT_EQ(vlm::Screen().glContext, nullptr);
  EXPECT_EQ(vlm::testing::SurfaceWindowId(), 0u);
  EXPECT_EQ(vlm::Render().quadBatch.vertexBuffer, 0u);
  EXPECT_EQ(VLM_IsWindow(3), 1);  // the application's window outlives the surface
  EXPECT_EQ(VLM_CloseWindow(3), 1);
  EXPECT_EQ(VLM_IsWindow(3), 0);
  EXPECT_EQ(VLM_WindowID(3), 0);
  EXPECT_EQ(VLM_OpenScreenInWindow(window, 0, 0, 400, 300, 32), 0);  // stale identifier

  // The shared test context comes back for whoever needs it next.
  vlmtest::GLContext gl;
  EXPECT_TRUE(gl.ok()) << gl.error();
}

TEST(Surface, ASizeTheDriverCannotDrawIntoIsClosedAgainWithARow) {
  std::string error;
  if (!vlmtest::EnsureDisplay(&error)) GTEST_SKIP() << error;
  if (vlm::Engine().hasGL) VLM_Shutdown();
  const intptr_t window = VLM_OpenWindow(4, 0, 0, 320, 240, "app", VLM_WINDOW_HIDDEN);
  vlmtest::TempDir dir;
  dir.Enter();
  EXPECT_EQ(VLM_OpenScreenInWindow(window, 0, 0, INT_MAX, 240, 32), 0);
  EXPECT_TRUE(!vlm::Engine().hasGL && !vlm::Screen().glContext);
  EXPECT_NE(vlmtest::ReadFile(dir.File("VLM LogFile.html")).find(
                "Fail: The drawing surface is larger than the graphics driver can draw into!"), std::string::npos);
  EXPECT_NE(VLM_OpenScreenInWindow(window, 0, 0, 320, 240, 32), 0);  // a drawable size still opens
  VLM_Shutdown();
  VLM_CloseWindow(4);
  EXPECT_TRUE(vlmtest::GLContext().ok());
}

TEST(Windows, NumbersSizesAndCloseEvents) {
  std::string error;
  if (!vlmtest::EnsureDisplay(&error)) GTEST_SKIP() << error;
  EXPECT_EQ(VLM_OpenWindow(-1, 0, 0, 10, 10, "x", VLM_WINDOW_HIDDEN), 0);
  EXPECT_EQ(VLM_OpenWindow(VLM_MAX_WINDOWS, 0, 0, 10, 10, "x", VLM_WINDOW_HIDDEN), 0);
  EXPECT_EQ(VLM_OpenWindow(5, 0, 0, 0, 10, "x", VLM_WINDOW_HIDDEN), 0);
  EXPECT_EQ(VLM_WindowInnerWidth(5), 0);
  EXPECT_EQ(VLM_CloseWindow(5), 0);

  const intptr_t a = VLM_OpenWindow(5, 10, 20, 200, 100, "five", VLM_WINDOW_HIDDEN);
  const intptr_t b = VLM_OpenWindow(6, 0, 0, 120, 80, "six",
                                    VLM_WINDOW_HIDDEN | VLM_WINDOW_CENTERED);
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(VLM_WindowInnerWidth(6), 120);
  EXPECT_EQ(VLM_WindowInnerHeight(6), 80);
  DrainEvents();
  EXPECT_EQ(VLM_WindowEvent(), VLM_EVENT_NONE);
  EXPECT_EQ(VLM_EventWindow(), -1);

  // Window 6 asks to be closed; events of other kinds come through as they are.
  ASSERT_TRUE(vlm::testing::QueueUserEvent()) << vlm::testing::LastError();
  ASSERT_NE(vlm::testing::AppWindowSystemId(6), 0u);
  EXPECT_EQ(vlm::testing::AppWindowTitle(6), "six");
  ASSERT_TRUE(vlm::testing::QueueCloseRequest(6)) << vlm::testing::LastError();
  EXPECT_EQ(VLM_WindowEvent(), VLM_EVENT_OTHER);
  EXPECT_EQ(VLM_WindowEvent(), VLM_EVENT_CLOSEWINDOW);
  EXPECT_EQ(VLM_EventWindow(), 6);
  EXPECT_EQ(VLM_WindowEvent(), VLM_EVENT_NONE);

  // The session's quit request reads as a close.
  ASSERT_TRUE(vlm::testing::QueueQuitRequest()) << vlm::testing::LastError();
  EXPECT_EQ(VLM_WindowEvent(), VLM_EVENT_CLOSEWINDOW);
  EXPECT_EQ(VLM_EventWindow(), -1);

  // Opening a number again replaces the window.
  const intptr_t again = VLM_OpenWindow(5, 0, 0, 64, 48, "five again", VLM_WINDOW_HIDDEN);
  ASSERT_NE(again, 0);
  EXPECT_NE(again, a);  // identifiers are not reused
  EXPECT_EQ(VLM_WindowInnerWidth(5), 64);
  EXPECT_EQ(VLM_CloseWindow(5), 1);
  EXPECT_EQ(VLM_CloseWindow(6), 1);
  DrainEvents();
}

TEST(Present, FrameTimeElapsedTimeAndRate) {
  vlm::TimingState& timing = vlm::Timing();
  timing.counterFrequency = 1000000000;
  timing.lastFrameCounter = 0;  // as after the surface opened
  timing.renderFrequency = 0.0f;
  VLM_FlipBuffers();
  EXPECT_EQ(timing.lastFrameSeconds, 0.0f);  // the first frame took no time
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const double seconds = static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
  EXPECT_NEAR(VLM_ElapsedTime(), seconds, 0.5);

  usleep(30000);
  VLM_FlipBuffers();
  EXPECT_GE(VLM_FrameTime(), 0.030f);
  EXPECT_LT(VLM_FrameTime(), 1.0f);
  EXPECT_EQ(VLM_RenderFrequency(), 0.0f);  // not half a second yet

  // Frames 100 ms apart: the first frame that ends at least 0.5 s after the
  // last measurement sets the rate to the frames counted since / that
  // interval, and the count starts again.
  bool measured = false;
  for (int i = 0; i < 20 && !measured; ++i) {
    usleep(100000);
    const int64_t since = timing.rateCounter;
    const int32_t frames = timing.rateFrames;
    VLM_FlipBuffers();
    const double interval = static_cast<double>(timing.lastFrameCounter - since) / 1e9;
    if (interval < 0.5) {
      EXPECT_EQ(timing.rateFrames, frames + 1);
      continue;
    }
    measured = true;
    EXPECT_EQ(timing.rateFrames, 0);
    EXPECT_EQ(timing.rateCounter, timing.lastFrameCounter);
    EXPECT_NEAR(VLM_RenderFrequency(), (frames + 1) / interval, 1e-3);
    EXPECT_GE(frames + 1, 2);
  }
  EXPECT_TRUE(measured);
}

// The kept frame is read back before the swap and written top row first.
TEST(Present, ScreenshotOfThePresentedFrame) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  vlmtest::TempDir dir;
  const std::string file = dir.File("frame.png");
  const int w = vlmtest::GLContext::kWidth, h = vlmtest::GLContext::kHeight;

  EXPECT_EQ(VLM_KeepPresentedFrames(0), 1);
  VLM_FlipBuffers();
  {
    const std::string path = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
    EXPECT_EQ(VLM_SavePresentedFrame(file.c_str()), 0);  // nothing kept
    VLM_OpenLogFile(nullptr, 0, 1);
    EXPECT_EQ(vlmtest::LogBody(path),
              FailRow("VLM_SavePresentedFrame", "Fail: No presented frame has been kept!"));
  }

  EXPECT_EQ(VLM_KeepPresentedFrames(1), 1);
  // Whole frame red: what is drawn before the flip is presented as it is.
  vlmgl.glClearColor(1, 0, 0, 1);
  vlmgl.glClear(GL_COLOR_BUFFER_BIT);
  VLM_FlipBuffers();
  vlmgl.glClearColor(0, 0, 0, 1);
  ASSERT_EQ(VLM_SavePresentedFrame(file.c_str()), 1);
  // After a frame of the pipeline the presented frame is layer 7, which
  // the application's drawing after the frame (here a green clear) filled.
  const std::string next = dir.File("next.png");
  VLM_RenderWorld(-1);
  vlmgl.glClearColor(0, 1, 0, 1);
  vlmgl.glClear(GL_COLOR_BUFFER_BIT);
  vlmgl.glClearColor(0, 0, 0, 1);
  VLM_FlipBuffers();
  ASSERT_EQ(VLM_SavePresentedFrame(next.c_str()), 1);
  EXPECT_EQ(VLM_KeepPresentedFrames(0), 1);
  {
    const vlm::platform::Image second = vlm::platform::LoadImageFile(next.c_str());
    ASSERT_TRUE(second);
    const uint8_t* p = second.PictureRow(h - 1);  // bottom left
    EXPECT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{0, 255, 0}));
  }
  FILE* in = std::fopen(file.c_str(), "rb");
  ASSERT_NE(in, nullptr);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  ASSERT_EQ(setjmp(png_jmpbuf(png)), 0);
  png_init_io(png, in);
  png_read_info(png, info);
  EXPECT_EQ(png_get_image_width(png, info), static_cast<png_uint_32>(w));
  EXPECT_EQ(png_get_image_height(png, info), static_cast<png_uint_32>(h));
  EXPECT_EQ(png_get_color_type(png, info), PNG_COLOR_TYPE_RGBA);
  EXPECT_EQ(png_get_bit_depth(png, info), 8);
  std::vector<png_byte> rows(static_cast<size_t>(w) * h * 4);
  std::vector<png_bytep> pointers(h);
  for (int y = 0; y < h; ++y) pointers[y] = rows.data() + static_cast<size_t>(y) * w * 4;
  png_read_image(png, pointers.data());
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(in);
  auto pixel = [&](int x, int y) {
    const png_byte* p = pointers[y] + x * 4;
    return std::vector<int>{p[0], p[1], p[2], p[3]};
  };
  EXPECT_EQ(pixel(0, 0), (std::vector<int>{255, 0, 0, 255}));          // top: red
  EXPECT_EQ(pixel(w - 1, h / 2 - 1), (std::vector<int>{255, 0, 0, 255}));
  EXPECT_EQ(pixel(0, h / 2), (std::vector<int>{255, 0, 0, 255}));      // bottom: red too
  EXPECT_EQ(pixel(w - 1, h - 1), (std::vector<int>{255, 0, 0, 255}));
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(Present, UnwritableScreenshotIsReported) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  vlmtest::TempDir dir;
  VLM_KeepPresentedFrames(1);
  VLM_FlipBuffers();
  const std::string path = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  const std::string target = dir.File("missing/folder/shot.png");
  EXPECT_EQ(VLM_SavePresentedFrame(target.c_str()), 0);
  VLM_KeepPresentedFrames(0);
  VLM_OpenLogFile(nullptr, 0, 1);
  EXPECT_EQ(vlmtest::LogBody(path),
            FailRow("VLM_SavePresentedFrame",
                    "Fail: The screenshot \"" + target + "\" cannot be written!"));
}

// A core context rejects the compatibility part of the initial state; the
// rest is set and no error is left behind.
TEST(InitialState, HarmlessOnACoreContext) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  const auto run = vlm::testing::RunInCoreContext(3, 3, [] {
    GLint mask = 0;
    vlmgl.glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
    EXPECT_NE(mask & GL_CONTEXT_CORE_PROFILE_BIT, 0);
    vlm::gl::SetInitialState();
    EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(vlmgl.glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(vlmgl.glIsEnabled(GL_BLEND));
    GLint func = 0;
    vlmgl.glGetIntegerv(GL_DEPTH_FUNC, &func);
    EXPECT_EQ(func, GL_LEQUAL);
  });
  ASSERT_NE(run, vlm::testing::ContextRun::kNoWindow) << vlm::testing::LastError();
  if (run == vlm::testing::ContextRun::kNoContext)
    GTEST_SKIP() << "no core context: " << vlm::testing::LastError();
}

}  // namespace
