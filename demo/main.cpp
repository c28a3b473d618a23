// The physics demonstration: opens its window, starts the engine in it and
// runs the frame loop until the window is closed or Escape is held.
//
// Automation options (the program behaves as without them otherwise):
//   --frames N         leave the loop after N frames, as if Escape was held
//   --screenshot FILE  save the last presented frame as PNG before shutdown
//   --help             print this and exit
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "velmora.h"

namespace {

constexpr const char* kTitle = "Velmora Engine - Physics";
constexpr int kWidth = 1600;
constexpr int kHeight = 900;

struct Options {
  long frames = 0;  // 0: until Escape or close
  std::string screenshot;
  bool help = false;
};

void PrintUsage(FILE* to, const char* program) {
  std::fprintf(to,
               "Usage: %s [--frames N] [--screenshot FILE] [--help]\n"
               "  --frames N         leave after N frames, as if Escape was held\n"
               "  --screenshot FILE  save the last presented frame as PNG\n"
               "  --help             show this text\n",
               program);
}

// Returns false (with the reason on stderr) for arguments it does not know.
bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--frames" && i + 1 < argc) {
      const char* text = argv[++i];
      char* end = nullptr;
      errno = 0;
      const long frames = std::strtol(text, &end, 10);
      if (errno != 0 || end == text || *end != 0 || frames <= 0) {
        std::fprintf(stderr, "%s: --frames needs a positive whole number, not \"%s\"\n", argv[0],
                     text);
        return false;
      }
      options.frames = frames;
    } else if (arg == "--screenshot" && i + 1 < argc) {
      // Relative to where the program was started, not to "Resources".
      std::error_code ec;
      const std::filesystem::path path = std::filesystem::absolute(argv[++i], ec);
      options.screenshot = ec ? std::string(argv[i]) : path.string();
    } else {
      std::fprintf(stderr, "%s: unknown or incomplete argument \"%s\"\n", argv[0], arg.c_str());
      return false;
    }
  }
  return true;
}

// Fetches events until none is pending; false when the window was closed.
bool HandleWindowEvents() {
  for (int event = VLM_WindowEvent(); event != VLM_EVENT_NONE; event = VLM_WindowEvent()) {
    if (event == VLM_EVENT_CLOSEWINDOW) return false;
  }
  return true;
}

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

  VLM_OpenWindow(0, 0, 0, kWidth, kHeight, kTitle,
                 VLM_WINDOW_CENTERED | VLM_WINDOW_TITLEBAR | VLM_WINDOW_SYSTEMMENU |
                     VLM_WINDOW_SIZEGADGET);
  if (VLM_OpenScreenInWindow(VLM_WindowID(0), 0, 0, VLM_WindowInnerWidth(0),
                             VLM_WindowInnerHeight(0), 32) == 0) {
    // Without a surface there is nothing to show and no event would ever
    // end the loop.
    std::fprintf(stderr, "%s: the window or its OpenGL surface cannot be opened\n", argv[0]);
    return 1;
  }
  VLM_SetVSync(1);
  VLM_LockMouse();
  VLM_HideCursor();
  VLM_SetCurrentDirectory((std::string(VLM_ProgramDirectory()) + "Resources").c_str());

  // The scene (lights, camera, font, definition files, meshes, cages,
  // bodies, objects and the joint) comes with the subsystems that build it.

  if (!options.screenshot.empty()) VLM_KeepPresentedFrames(1);

  long frame = 0;
  for (;;) {
    if (!HandleWindowEvents()) break;
    VLM_UpdateSounds();
    VLM_ExamineMouse();
    VLM_ExamineKeyboard();
    if (VLM_KeyboardDown(VLM_KEY_ESCAPE)) break;
    VLM_FlipBuffers();
    if (options.frames > 0 && ++frame >= options.frames) break;
  }

  if (!options.screenshot.empty() && !VLM_SavePresentedFrame(options.screenshot.c_str())) {
    std::fprintf(stderr, "%s: the screenshot \"%s\" cannot be written\n", argv[0],
                 options.screenshot.c_str());
  }
  VLM_Shutdown();
  return 0;
}
