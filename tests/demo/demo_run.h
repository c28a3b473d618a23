// Runs the built demo program in a folder of its own, as a user would.
#pragma once
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace demotest {

namespace fs = std::filesystem;

inline const fs::path kDemo = fs::path(VLM_BINARY_DIR) / "demo" / "velmora-demo";

struct DemoRun {
  int status = -1;  // exit code, or -1 when it did not exit normally
  std::string output;
};

// How long a run may take, and what to do every 20 ms while it runs.
struct Watch {
  int timeoutSeconds = 900;  // a sanitizer build on a busy machine is slow
  std::function<void(pid_t)> tick;
};

// Runs the demo once in `dir` with `args`; stdout and stderr go to one file.
// `leakCheck` false turns the leak checker of a sanitizer build off.
inline DemoRun RunDemoOnce(const fs::path& dir, const std::vector<std::string>& args,
                           const char* display, bool leakCheck, const Watch& watch = {}) {
  DemoRun run;
  const std::string log = (dir / "demo-output.txt").string();
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    if (FILE* out = std::freopen(log.c_str(), "w", stdout)) dup2(fileno(out), 2);
    if (display) setenv("DISPLAY", display, 1);
    // The GL driver's own allocations are not the engine's leaks.
    if (!std::getenv("LSAN_OPTIONS")) {
      const std::string options =
          std::string("suppressions=") + VLM_SOURCE_DIR + "/tests/lsan.supp:print_suppressions=0";
      setenv("LSAN_OPTIONS", options.c_str(), 1);
    }
    if (!leakCheck) {
      const char* asan = std::getenv("ASAN_OPTIONS");
      const std::string options = std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "detect_leaks=0";
      setenv("ASAN_OPTIONS", options.c_str(), 1);
    }
    std::vector<char*> argv;
    const std::string program = kDemo.string();
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(watch.timeoutSeconds);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (watch.tick) watch.tick(pid);
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      ADD_FAILURE() << "the demo did not end";
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.output = vlmtest::ReadFile(log);
  return run;
}

// Runs the demo in `dir` with `args`. In a sanitizer build the leak checker
// runs at exit, while the GL driver's worker threads are still parked; its
// thread-stopping tracer has been seen to crash on them ("encountered a
// fatal error"), which says nothing about the demo. Such a run is repeated
// once without the leak check. A leak the checker did find is not retried.
inline DemoRun RunDemo(const fs::path& dir, const std::vector<std::string>& args,
                       const char* display = nullptr, const Watch& watch = {}) {
  DemoRun run = RunDemoOnce(dir, args, display, true, watch);
  if (run.output.find("LeakSanitizer has encountered a fatal error") != std::string::npos &&
      run.output.find("ERROR: LeakSanitizer: detected memory leaks") == std::string::npos) {
    std::fprintf(stderr, "note: the leak checker itself failed; the run is repeated without it\n");
    run = RunDemoOnce(dir, args, display, false, watch);
  }
  return run;
}

inline uint32_t BigEndian32(const std::string& bytes, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) << 24 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
}

}  // namespace demotest
