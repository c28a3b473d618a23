#include "support/gl_context.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/engine_state.h"
#include "platform/screen.h"
#include "platform/testing/window_probe.h"
#include "support/test_support.h"
#include "velmora/platform.h"

namespace vlmtest {
namespace {

namespace fs = std::filesystem;

struct State {
  std::string error;
  fs::path logDir;
  pid_t xvfb = 0;
  bool cleanupRegistered = false;
};

State& S() {
  static State* state = new State();
  return *state;
}

void Cleanup() {
  State& s = S();
  if (s.xvfb > 0) {
    // The window system goes first, while its server still runs.
    VLM_CloseWindow(0);
    vlm::platform::CloseScreen();
    kill(s.xvfb, SIGTERM);
    waitpid(s.xvfb, nullptr, 0);
    s.xvfb = 0;
  }
  std::error_code ec;
  if (!s.logDir.empty()) fs::remove_all(s.logDir, ec);
}

// Starts Xvfb; it picks a free display number itself and writes it to the
// pipe (-displayfd), so parallel test processes never collide.
bool StartXvfb(std::string& error) {
  int fds[2];
  if (pipe(fds) != 0) {
    error = "no pipe for Xvfb";
    return false;
  }
  fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    error = "fork failed";
    return false;
  }
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
    }
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1920x1080x24", "-nolisten",
           "tcp", "+extension", "GLX", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  while (number.find('\n') == std::string::npos && poll(&p, 1, 15000) > 0) {
    char buffer[32];
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  if (number.empty() || number.find('\n') == std::string::npos) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    error = "Xvfb did not start (is the package xvfb installed?)";
    return false;
  }
  number.erase(number.find('\n'));
  S().xvfb = pid;
  setenv("DISPLAY", (":" + number).c_str(), 1);
  return true;
}

void RegisterCleanup() {
  State& s = S();
  if (!s.cleanupRegistered) {
    s.cleanupRegistered = true;
    std::atexit(Cleanup);
  }
}

bool Display(std::string& error) {
  State& s = S();
  RegisterCleanup();
  const char* display = std::getenv("DISPLAY");
  if ((!display || !*display) && s.xvfb == 0 && !StartXvfb(error)) return false;
  if (vlm::testing::EnsureWindowSystem()) return true;
  if (s.xvfb != 0 || !StartXvfb(error)) {
    if (error.empty()) error = std::string("no window system: ") + vlm::testing::LastError();
    return false;
  }
  if (!vlm::testing::EnsureWindowSystem()) {
    error = std::string("no window system: ") + vlm::testing::LastError();
    return false;
  }
  return true;
}

bool Open(int width, int height) {
  State& s = S();
  s.error.clear();
  if (!Display(s.error)) return false;
  // VLM_Init writes its log into the current directory.
  if (s.logDir.empty()) s.logDir = TempRoot() / ("gl" + std::to_string(getpid()));
  std::error_code ec;
  fs::create_directories(s.logDir, ec);
  const fs::path previous = fs::current_path(ec);
  fs::current_path(s.logDir, ec);
  const intptr_t id =
      VLM_OpenScreenWindow(width, height, 32, "Velmora test", VLM_WINDOW_HIDDEN, 0);
  fs::current_path(previous, ec);
  if (id == 0 || !vlm::Engine().hasGL) {
    s.error = std::string("no OpenGL context: ") + vlm::testing::LastError();
    return false;
  }
  s.error.clear();
  return true;
}

}  // namespace

bool EnsureDisplay(std::string* error) {
  std::string reason;
  const bool ok = Display(reason);
  if (error) *error = reason;
  return ok;
}

GLContext::GLContext() : GLContext(kWidth, kHeight) {}

GLContext::GLContext(int width, int height) {
  if (!vlm::Engine().hasGL) Open(width, height);
}

bool GLContext::ok() const { return vlm::Engine().hasGL; }

const std::string& GLContext::error() const { return S().error; }

std::string GLContext::LogPath() const { return (S().logDir / "VLM LogFile.html").string(); }

}  // namespace vlmtest
