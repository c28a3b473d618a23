// The demo program as a whole: run under a (virtual) display, it starts the
// engine, runs its frames, writes the log and the screenshot and ends with 0.
#include <regex>

#include "demo_run.h"
#include "platform/image.h"
#include "support/gl_context.h"
#include "support/test_support.h"

namespace {

using namespace demotest;
namespace fs = std::filesystem;

class Demo : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kDemo)) GTEST_SKIP() << "the demo is not built: " << kDemo;
  }
};

TEST_F(Demo, HundredTwentyFramesUnderVirtualDisplay) {
  std::string error;
  if (!vlmtest::EnsureDisplay(&error)) GTEST_SKIP() << error;
  vlmtest::TempDir dir;
  const DemoRun run = RunDemo(dir.Path(), {"--frames", "120", "--screenshot", "shot.png"});
  ASSERT_EQ(run.status, 0) << run.output;

  // The log is written where the program started; its start-up sections
  // come in order and the "Program" section is the last one opened.
  const std::string log = vlmtest::ReadFile(dir.File("VLM LogFile.html"));
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.rfind("\xEF\xBB\xBF<html>", 0), 0u);
  const size_t top = log.find(">[VLM] Velmora Engine</big>");
  const size_t version = log.find(">0.3.2.b (2016-03-30)</i>");
  const size_t system = log.find(">System</big>");
  const size_t program = log.find(">Program</big>");
  ASSERT_NE(top, std::string::npos) << log;
  ASSERT_NE(system, std::string::npos) << log;
  ASSERT_NE(program, std::string::npos) << log;
  EXPECT_LT(top, version);
  EXPECT_LT(version, system);
  EXPECT_LT(system, program);
  EXPECT_NE(log.find("<i style='color:#404040;'>OpenGL ", system), std::string::npos);
  EXPECT_NE(log.find("<i style='color:#404040;'>GLSL ", system), std::string::npos);
  EXPECT_EQ(log.find("<big", program + 1), std::string::npos);

  // The screenshot: PNG signature, then the IHDR chunk with 1600 x 900.
  const std::string png = vlmtest::ReadFile(dir.File("shot.png"));
  ASSERT_GE(png.size(), 33u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(BigEndian32(png, 16), 1600u);
  EXPECT_EQ(BigEndian32(png, 20), 900u);

  // The plate in the bottom-right corner is lit, not blown out: no channel
  // of its 600 x 200 pixels reaches 255 (a specular strength of 16 with an
  // exponent of 1 saturated about 11,000 of them).
  const vlm::platform::Image shot = vlm::platform::LoadImageFile(dir.File("shot.png").c_str());
  ASSERT_TRUE(shot);
  int saturated = 0;
  for (int y = 700; y < 900; ++y) {
    const uint8_t* row = shot.PictureRow(y);
    for (int x = 1000; x < 1600; ++x) {
      const uint8_t* p = row + static_cast<size_t>(x) * static_cast<size_t>(shot.BytesPerPixel());
      saturated += p[0] == 255 || p[1] == 255 || p[2] == 255;
    }
  }
  EXPECT_EQ(saturated, 0);
}

TEST_F(Demo, HelpAndBadArguments) {
  vlmtest::TempDir dir;
  DemoRun run = RunDemo(dir.Path(), {"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.output.find("--frames N"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("--screenshot FILE"), std::string::npos);
  EXPECT_NE(run.output.find("--seconds N"), std::string::npos);
  EXPECT_NE(run.output.find("--shoot-every S"), std::string::npos);
  // The controls, keys and buttons.
  for (const char* control : {"W / S ", "A / D ", "left button ", "right button ", "\n  P ", "\n  F1 ",
                              "\n  Escape "})
    EXPECT_NE(run.output.find(control), std::string::npos) << control;
  EXPECT_FALSE(fs::exists(dir.File("VLM LogFile.html")));  // nothing started

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--frames"}, {"--frames", "0"}, {"--frames", "12x"},
        {"--frames", "-3"}, {"--draw-every", "0"}, {"--screenshot"}, {"--script"}, {"--record"}, {"--fast"},
        {"--seconds"}, {"--seconds", "0"}, {"--seconds", "-1"}, {"--seconds", "nan"}, {"--seconds", "inf"},
        {"--shoot-every", "2s"}, {"--shoot-every", "0"}}) {
    run = RunDemo(dir.Path(), args);
    EXPECT_EQ(run.status, 2) << args[0] << ": " << run.output;
    EXPECT_NE(run.output.find("Usage:"), std::string::npos);
  }
}

// A run bounded by wall time keeps the live frame clock: a software
// rasteriser's frames of a second or more are stepped in short steps, so
// the wheels, dropped from 10 units, and the balls and slabs shot every two
// seconds all lie on the plate (top at 0.5) at the end, not below it and
// not still in the air as eight frames of 1/60 s would leave them.
TEST_F(Demo, LiveRunBoundedBySecondsShootsAndKeepsTheBodiesOnThePlate) {
  std::string error;
  if (!vlmtest::EnsureDisplay(&error)) GTEST_SKIP() << error;
  vlmtest::TempDir dir;
  const auto start = std::chrono::steady_clock::now();
  const DemoRun run = RunDemo(dir.Path(), {"--seconds", "8", "--shoot-every", "2"});
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_GE(wall, 8.0);
  std::smatch m;
  // Shots at 2, 4, 6 and 8 s, fewer when a frame outlasts two intervals.
  ASSERT_TRUE(std::regex_search(run.output, m, std::regex("Bodies: ([0-9]+) \\(dyn\\) \\+ 1 \\(stc\\)\n")))
      << run.output;
  EXPECT_GE(std::stoi(m[1]), 2 + 1) << run.output;
  EXPECT_LE(std::stoi(m[1]), 2 + 4) << run.output;
  ASSERT_TRUE(std::regex_search(run.output, m, std::regex("Lowest body centre: (-?[0-9.]+)\n"))) << run.output;
  EXPECT_GT(std::stof(m[1]), 0.75f) << run.output;
  EXPECT_LT(std::stof(m[1]), 3.0f) << run.output;
  EXPECT_TRUE(std::regex_search(run.output, std::regex("\nDrawn frames: [1-9][0-9]*, median [0-9.]+ s, "
                                                       "longest [0-9.]+ s \\(frame [0-9]+\\)\n")))
      << run.output;
}

// Without a window system the demo says so and ends instead of looping.
TEST_F(Demo, NoDisplayEndsWithAnError) {
  vlmtest::TempDir dir;
  const DemoRun run = RunDemo(dir.Path(), {"--frames", "5"}, "/nonexistent/display:0");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("cannot be opened"), std::string::npos) << run.output;
}

}  // namespace
