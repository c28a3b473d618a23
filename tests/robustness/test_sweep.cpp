// The bad-argument sweep (tools/sweep, vlm-sweep) over the subsystems that
// take every bad argument in their stride: nothing stored that is not
// finite or cannot be meant, start-up's objects kept, no abort, no hang.
// The table of their counts goes to the output.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "support/gl_context.h"

namespace {

constexpr const char* kClean =
    "camera,cage,core,definition,effects,element,input,light,material,math,mesh,particles,physics,registry,"
    "render,scene,shader,sound,text,texture";

TEST(Sweep, CleanSubsystemsStayClean) {
  // With a display the workers open a GL surface; without one they run the
  // engine without GL. Sanitizer builds take the shorter run without GL.
  bool gl = vlmtest::EnsureDisplay();
#if defined(__SANITIZE_ADDRESS__)
  gl = false;
#endif
  const std::string command = std::string(VLM_BINARY_DIR) + "/tools/vlm-sweep --list --only " + kClean +
                              " --check " + kClean + (gl ? "" : " --no-gl");
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int status = pclose(pipe);
  std::cout << output;
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << output;
}

}  // namespace
