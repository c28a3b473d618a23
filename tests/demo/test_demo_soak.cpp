// Soak: scripted play that shoots a ball and a slab every second of game
// time (60 frames), run to its end. It runs only when VLM_SOAK_SECONDS sets
// the game seconds: the ctest entries with the label "soak" (which test.sh
// leaves out) run 20 (demo_soak_20_seconds) and 600, that is 1,200 bodies
// (demo_soak_10_minutes). VLM_SOAK_SAMPLE_SECONDS is the wall-clock time
// between two readings of the demo's resident memory (5 by default), which
// are printed as the memory curve. VLM_SOAK_DRAW_EVERY draws only every
// Nth frame (1 by default): a software rasteriser takes about a second per
// frame, so ten minutes of game time drawn whole would take hours.
#include <algorithm>
#include <cstdlib>
#include <regex>
#include <sstream>

#include "demo_run.h"
#include "support/gl_context.h"
#include "support/test_support.h"

namespace {

using namespace demotest;
namespace fs = std::filesystem;

long EnvNumber(const char* name, long fallback) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  const long value = std::strtol(text, nullptr, 10);
  return value > 0 ? value : fallback;
}

// VmRSS of a running process in KiB; -1 when it cannot be read.
long ResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

struct Sample {
  double seconds;
  long kib;
};

TEST(DemoSoak, BallAndSlabEverySecond) {
  if (!fs::exists(kDemo)) GTEST_SKIP() << "the demo is not built: " << kDemo;
  std::string error;
  if (!vlmtest::EnsureDisplay(&error)) GTEST_SKIP() << error;
  // A sanitizer build on llvmpipe takes far longer than the game time.
  if (!std::getenv("VLM_SOAK_SECONDS")) GTEST_SKIP() << "a soak runs with VLM_SOAK_SECONDS set";
  const long seconds = EnvNumber("VLM_SOAK_SECONDS", 20);
  const long sampleEvery = EnvNumber("VLM_SOAK_SAMPLE_SECONDS", 5);
  const long drawEvery = EnvNumber("VLM_SOAK_DRAW_EVERY", 1);

  // Both buttons go down in the second-last frame of every game second and
  // come up in its last one.
  std::ostringstream script;
  script << "# a ball and a slab every 60 frames\n";
  for (long s = 1; s <= seconds; ++s) {
    script << 60 * s - 2 << " button down left\n" << 60 * s - 2 << " button down right\n"
           << 60 * s - 1 << " button up left\n" << 60 * s - 1 << " button up right\n";
  }
  vlmtest::TempDir dir;
  const std::string path = dir.File("soak.txt");
  std::ofstream(path, std::ios::binary) << script.str();

  std::vector<Sample> curve;
  const auto start = std::chrono::steady_clock::now();
  Watch watch;
  // A hang guard only: the full 3D frame at 1600 x 900 takes about a
  // second on a software rasteriser, so allow three per frame.
  watch.timeoutSeconds = static_cast<int>(std::min<long>(600 + seconds * 60 * 3, 1L << 30));
  watch.tick = [&](pid_t pid) {
    const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!curve.empty() && now < curve.back().seconds + static_cast<double>(sampleEvery)) return;
    const long kib = ResidentKiB(pid);
    if (kib > 0) curve.push_back({now, kib});
  };
  const DemoRun run =
      RunDemo(dir.Path(), {"--script", path, "--frames", std::to_string(60 * seconds + 1), "--draw-every",
                     std::to_string(drawEvery)}, nullptr, watch);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(run.status, 0) << run.output;

  const long bodies = 2 * seconds;
  EXPECT_NE(run.output.find("Bodies: " + std::to_string(bodies + 2) + " (dyn) + 1 (stc)\n"),
            std::string::npos)
      << run.output;
  std::printf("soak: %ld game seconds, %ld bodies shot, %.1f s on the wall clock\n", seconds, bodies,
              wall);
  for (const Sample& s : curve) std::printf("soak: t=%6.1f s  VmRSS=%8ld KiB\n", s.seconds, s.kib);

  // No GL error and no failure row but the swap interval a virtual display
  // may not offer.
  const std::string log = vlmtest::ReadFile(dir.File("VLM LogFile.html"));
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.find("GL error"), std::string::npos);
  const std::string red = "<i style='color:#FF0000;'>";
  for (size_t at = log.find(red); at != std::string::npos; at = log.find(red, at + 1)) {
    const std::string row = log.substr(at + red.size(), log.find('<', at + red.size()) - at - red.size());
    EXPECT_EQ(row, "Fail: The driver does not offer the swap interval 1!");
  }

  // Memory grows with the bodies and nothing else: from the first reading
  // after start-up to the highest, at most 256 KiB for each body shot (a
  // body, its object, its share of the instance and contact lists) above
  // 64 MiB for the driver's and the sanitizer's own pools.
  ASSERT_GE(curve.size(), 2u);
  long highest = 0;
  for (const Sample& s : curve) highest = std::max(highest, s.kib);
  EXPECT_LE(highest - curve[1].kib, 64 * 1024 + 256 * bodies)
      << "resident memory grew from " << curve[1].kib << " to " << highest << " KiB";
}

}  // namespace
