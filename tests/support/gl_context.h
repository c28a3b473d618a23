// A real OpenGL context for tests, opened through the engine's own screen
// opening so that VLM_Init runs with GL (function table, initial state,
// "System" log section).
//
//   vlmtest::GLContext gl;
//   REQUIRE_GL(gl);  // skips the test without a context, telling why
//
// Without DISPLAY an Xvfb server is started on a free display number and
// stopped when the process ends. The window is hidden, 640 x 480, 32 bits.
// The context is shared by every test of the process; it is opened again
// when a test has closed it (VLM_Shutdown).
#pragma once

#include <string>

#define REQUIRE_GL(gl) \
  if (!(gl).ok()) GTEST_SKIP() << "no GL context: " << (gl).error()

namespace vlmtest {

// Makes sure a window system can be reached (the window system's video is up), starting
// Xvfb when DISPLAY is unset or unreachable. Child processes inherit the
// DISPLAY it sets. False, with the reason in *error, when it cannot.
bool EnsureDisplay(std::string* error = nullptr);

class GLContext {
 public:
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 480;

  GLContext();
  // The same with a window of another size, for a test program whose
  // contexts all have that size (the first open of a context decides it).
  GLContext(int width, int height);
  // True when a context is current and VLM_Init ran with it.
  bool ok() const;
  // Why there is no context ("" when there is one).
  const std::string& error() const;
  // The "VLM LogFile.html" that VLM_Init wrote when the context was opened.
  std::string LogPath() const;
};

}  // namespace vlmtest
