// The physics demonstration: opens its window, starts the engine in it,
// builds the scene (a ground plate and two wheels on an axle) and runs the
// frame loop until the window is closed or Escape is pressed. The mouse
// buttons shoot balls (left) and wall slabs (right); P shows the physics
// debug view, F1 the controls.
//
// Automation options (the program behaves as without them otherwise):
//   --frames N         leave the loop after N frames, as if Escape was held
//   --seconds N        leave after N seconds of wall time; the frame clock
//                      stays live
//   --shoot-every S    shoot every S seconds of wall time, balls and slabs
//                      in turn, through the same clicks the mouse makes
//   --screenshot FILE  save the last presented frame as PNG before shutdown
//   --script FILE      play the timed input events of FILE (demo_script.h)
//   --record FILE      write the input of this run to FILE as such a script
//   --draw-every N     draw and present only every Nth frame and the last;
//                      the frames between run input and physics alone (long
//                      soaks on a software rasteriser)
//   --dump-bodies      print every body's state and the physics state's
//                      hash at the end (the same on every CPU for a replay)
//   --help             print this and exit
// With --script, --record, --frames or --draw-every the physics runs one
// step of 1/60 s per frame, the camera flies by 1/60 s per frame and each
// drawn frame lasts at least that long, so a replay repeats the run, and a run on a slow
// renderer (a headless screenshot on a software rasteriser, a second or
// more per frame) shows the first seconds of play as a fast machine would.
// A run bounded by --frames or --seconds prints closing statistics.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "demo_script.h"
#include "game.h"
#include "velmora.h"

namespace {

using namespace demo;

constexpr float kScriptStep = 1.0f / 60.0f;  // seconds per frame in scripted runs

struct Options {
  long frames = 0;  // 0: until Escape or close
  long drawEvery = 1;
  double seconds = 0.0;     // wall-clock limit; 0: none
  double shootEvery = 0.0;  // seconds between two shots; 0: no automatic shots
  std::string screenshot;
  std::string script;
  std::string record;
  bool dumpBodies = false;
  bool help = false;
};

void PrintUsage(FILE* to, const char* program) {
  std::fprintf(to,
               "Usage: %s [--frames N] [--seconds N] [--shoot-every S] [--screenshot FILE]"
               " [--script FILE] [--record FILE] [--draw-every N] [--dump-bodies] [--help]\n"
               "  --frames N         leave after N frames, as if Escape was pressed\n"
               "  --seconds N        leave after N seconds of wall time (live frame clock)\n"
               "  --shoot-every S    shoot every S seconds of wall time, balls and slabs in turn\n"
               "  --screenshot FILE  save the last presented frame as PNG\n"
               "  --script FILE      play the timed input events of FILE\n"
               "  --record FILE      write this run's input to FILE as a script\n"
               "  --draw-every N     draw only every Nth frame and the last\n"
               "  --dump-bodies      print every body's state and its hash at the end\n"
               "  --help             show this text\n"
               "%s",
               program, demo::ControlsText().c_str());
}

// Relative to where the program was started, not to "Resources".
std::string Absolute(const char* path) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(path, ec);
  return ec ? std::string(path) : full.string();
}

// Returns false (with the reason on stderr) for arguments it does not know.
bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if ((arg == "--frames" || arg == "--draw-every") && i + 1 < argc) {
      const char* text = argv[++i];
      char* end = nullptr;
      errno = 0;
      const long count = std::strtol(text, &end, 10);
      if (errno != 0 || end == text || *end != 0 || count <= 0) {
        std::fprintf(stderr, "%s: %s needs a positive whole number, not \"%s\"\n", argv[0],
                     arg.c_str(), text);
        return false;
      }
      (arg == "--frames" ? options.frames : options.drawEvery) = count;
    } else if ((arg == "--seconds" || arg == "--shoot-every") && i + 1 < argc) {
      const char* text = argv[++i];
      char* end = nullptr;
      errno = 0;
      const double value = std::strtod(text, &end);
      if (errno != 0 || end == text || *end != 0 || !(value > 0.0) || !std::isfinite(value)) {
        std::fprintf(stderr, "%s: %s needs a positive number of seconds, not \"%s\"\n", argv[0],
                     arg.c_str(), text);
        return false;
      }
      (arg == "--seconds" ? options.seconds : options.shootEvery) = value;
    } else if (arg == "--dump-bodies") {
      options.dumpBodies = true;
    } else if (arg == "--screenshot" && i + 1 < argc) {
      options.screenshot = Absolute(argv[++i]);
    } else if (arg == "--script" && i + 1 < argc) {
      options.script = Absolute(argv[++i]);
    } else if (arg == "--record" && i + 1 < argc) {
      options.record = Absolute(argv[++i]);
    } else {
      std::fprintf(stderr, "%s: unknown or incomplete argument \"%s\"\n", argv[0], arg.c_str());
      return false;
    }
  }
  return true;
}

// Reads and parses the script; false with the reason on stderr.
bool LoadScript(const char* program, const std::string& path,
                std::vector<demo::ScriptEvent>& events) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "%s: the script \"%s\" cannot be read\n", program, path.c_str());
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  std::string error;
  if (!demo::ParseScript(text.str(), events, error)) {
    std::fprintf(stderr, "%s: %s: %s\n", program, path.c_str(), error.c_str());
    return false;
  }
  return true;
}

// Automatic shots of --shoot-every: shot k is due k * every seconds after
// the start, balls and slabs in turn. A due shot is a click posted before
// the frame examines the mouse, so it takes the path of a real click; a
// frame longer than the interval takes at most one click of each button
// (two clicks of one button in one frame count once) and the rest follow
// in the next frames.
class AutoShooter {
 public:
  explicit AutoShooter(double every) : every_(every) {}
  void Frame(double elapsed) {
    if (!(every_ > 0.0)) return;
    bool used[2] = {false, false};
    while (fired_ < static_cast<long>(elapsed / every_)) {
      const int which = static_cast<int>(fired_ % 2);  // 0: ball, 1: slab
      if (used[which]) break;
      used[which] = true;
      const int button = which == 0 ? VLM_MOUSE_LEFT : VLM_MOUSE_RIGHT;
      VLM_PostMouseButtonEvent(button, 1);
      VLM_PostMouseButtonEvent(button, 0);
      ++fired_;
    }
  }

 private:
  double every_;
  long fired_ = 0;
};

// Wall-clock durations of the drawn frames, for the closing statistics.
class FrameTimes {
 public:
  void Add(long frame, double seconds) { times_.push_back({seconds, frame}); }
  std::string Summary() const {
    if (times_.empty()) return "";
    std::vector<double> sorted;
    for (const auto& t : times_) sorted.push_back(t.first);
    std::sort(sorted.begin(), sorted.end());
    const size_t n = sorted.size();
    const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
    const auto longest = *std::max_element(times_.begin(), times_.end());
    char text[160];
    std::snprintf(text, sizeof text,
                  "Drawn frames: %zu, median %.3f s, longest %.3f s (frame %ld)\n", n, median,
                  longest.first, longest.second);
    return text;
  }

 private:
  std::vector<std::pair<double, long>> times_;  // seconds, frame number
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    PrintUsage(stderr, argv[0]);
    return 2;
  }
  if (options.help) {
    PrintUsage(stdout, argv[0]);
    return 0;
  }
  std::vector<demo::ScriptEvent> script;
  if (!options.script.empty() && !LoadScript(argv[0], options.script, script)) return 2;
  FILE* recordFile = nullptr;
  if (!options.record.empty()) {
    recordFile = std::fopen(options.record.c_str(), "w");
    if (!recordFile) {
      std::fprintf(stderr, "%s: the record \"%s\" cannot be written\n", argv[0],
                   options.record.c_str());
      return 2;
    }
    std::fputs("# velmora-demo input record: frame, then the event\n", recordFile);
  }
  const bool fixedSteps =
      !options.script.empty() || recordFile || options.frames > 0 || options.drawEvery > 1;
  const bool bounded = options.frames > 0 || options.seconds > 0.0;

  int screenWidth = 0, screenHeight = 0;
  if (!OpenScreen(screenWidth, screenHeight)) {
    // Without a surface there is nothing to show and no event would ever
    // end the loop.
    std::fprintf(stderr, "%s: the window or its OpenGL surface cannot be opened\n", argv[0]);
    if (recordFile) std::fclose(recordFile);
    return 1;
  }
  BuildScene();
  int debugView = 0;
  bool help = false;
  // A replay must step the world as the recorded run did: one step per frame.
  if (fixedSteps) VLM_SetPhysicsTimeStep(kScriptStep, 1);

  if (!options.screenshot.empty()) VLM_KeepPresentedFrames(1);

  demo::Recorder recorder(recordFile);
  AutoShooter shooter(options.shootEvery);
  FrameTimes frameTimes;
  std::vector<VLM_HANDLE> shots;
  size_t nextEvent = 0;
  long frame = 0;
  const auto runStart = std::chrono::steady_clock::now();
  auto frameStart = runStart;
  for (;; ++frame) {
    const auto iterationStart = std::chrono::steady_clock::now();
    const double elapsed = std::chrono::duration<double>(iterationStart - runStart).count();
    if (!HandleWindowEvents()) break;
    VLM_UpdateParticles();
    VLM_UpdateSounds();
    nextEvent = demo::PostEvents(script, nextEvent, frame);
    shooter.Frame(elapsed);
    VLM_ExamineMouse();
    VLM_ExamineKeyboard();
    if (recordFile) recorder.Frame(frame);
    VLM_UpdatePhysics(debugView);
    MoveNode(VLM_ElapsedTime() * 1000.0);

    // Once per release, however many clicks the frame held.
    if (VLM_MouseButtonReleased(VLM_MOUSE_LEFT)) {
      shots.push_back(Shoot(false));
    }
    if (VLM_MouseButtonReleased(VLM_MOUSE_RIGHT)) {
      shots.push_back(Shoot(true));
    }
    // A replay flies by the fixed step too, or a slower machine would fly
    // the camera farther and shoot from elsewhere.
    FlyCamera(fixedSteps ? kScriptStep : VLM_FrameTime());

    // A tap that went down and up since the last frame is not held any
    // more, but it was pressed: at one or two frames a second most are.
    if (VLM_KeyboardDown(VLM_KEY_ESCAPE) || VLM_KeyboardPushed(VLM_KEY_ESCAPE)) break;
    if (VLM_KeyboardReleased('P')) debugView = 1 - debugView;
    if (VLM_KeyboardReleased(VLM_KEY_F1)) help = !help;

    const bool last = (options.frames > 0 && frame + 1 >= options.frames) ||
                      (options.seconds > 0.0 && elapsed >= options.seconds);
    if (frame % options.drawEvery == 0 || last) {
      VLM_RenderWorld(-1);
      // The window may have been resized: the drawing area follows it.
      VLM_DisplayElement(kElementCross, static_cast<float>(VLM_ScreenWidth()) / 2.0f,
                         static_cast<float>(VLM_ScreenHeight()) / 2.0f);
      DrawOverlay();
      if (help) DrawHelp(VLM_ScreenWidth());
      if (fixedSteps) {
        // Every frame at least one step long, so every update runs one step.
        const auto due = frameStart + std::chrono::duration<double>(kScriptStep * 1.02);
        std::this_thread::sleep_until(due);
      }
      VLM_FlipBuffers();
      frameStart = std::chrono::steady_clock::now();
      frameTimes.Add(frame, std::chrono::duration<double>(frameStart - iterationStart).count());
    }
    if (last) break;
  }

  if (!options.screenshot.empty() && !VLM_SavePresentedFrame(options.screenshot.c_str())) {
    std::fprintf(stderr, "%s: the screenshot \"%s\" cannot be written\n", argv[0],
                 options.screenshot.c_str());
  }
  if (fixedSteps || bounded) {
    std::fputs(Statistics(shots, debugView).c_str(), stdout);
    std::fputs(frameTimes.Summary().c_str(), stdout);
  }
  if (options.dumpBodies) std::fputs(BodyDump(shots).c_str(), stdout);
  if (recordFile) std::fclose(recordFile);
  VLM_Shutdown();
  return 0;
}
