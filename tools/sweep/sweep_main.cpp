// vlm-sweep: runs the bad-argument sweep and prints, per subsystem, the
// cases that stored a number that is not finite, stored a value that
// cannot make sense, took away what start-up made, aborted or hung.
//
//   vlm-sweep [--no-gl] [--only sub,sub] [--check sub,sub] [--list] [--timeout seconds]
//             [--filter text] [--verbose]
//
// With GL the engine opens a hidden 160 x 120 surface (a display is needed,
// DISPLAY or Xvfb). --check ends with exit code 1 when a listed subsystem
// has a finding; --list prints every case with a finding; --verbose lets
// the workers print.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/debug_channel.h"
#include "sweep.h"

namespace {

using sweep::Case;

enum class Outcome { kNotRun, kDone, kAbort, kHang };

struct Result {
  Outcome outcome = Outcome::kNotRun;
  int nonFinite = 0, impossible = 0;
  bool damaged = false;  // the case took away what start-up made
  std::string detail;
};

struct Settings {
  bool gl = true, list = false, verbose = false;
  double timeout = 10.0;
  std::set<std::string> only, check;
  std::string filter;
  std::string base;  // the folder of the workers' folders
};

std::set<std::string> Split(const std::string& text) {
  std::set<std::string> out;
  std::stringstream in(text);
  for (std::string part; std::getline(in, part, ',');)
    if (!part.empty()) out.insert(part);
  return out;
}

void Say(int fd, const std::string& line) {
  const std::string text = line + "\n";
  if (write(fd, text.data(), text.size()) < 0) _exit(4);
}

// The worker: opens the engine, then runs the cases from `at` on, one line
// before ("B at") and one after ("E at nonFinite impossible intact where")
// each. It ends after a case that needs a fresh engine, or that broke the
// engine, saying where the next worker goes on ("R at").
[[noreturn]] void Work(const std::vector<size_t>& order, size_t at, const Settings& settings, int fd) {
  setenv("ALSOFT_DRIVERS", "null", 1);
  vlm::ResetDebugChannel("/nonexistent/VLM DebuggerApplication");
  // What the cases print is their own business, unless asked for.
  if (!settings.verbose) {
    if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(4);
  }
  sweep::Fixture f;
  if (!sweep::StartEngine(f, settings.gl, settings.base)) {
    Say(fd, "X the engine did not start");
    _exit(3);
  }
  const size_t first = at;
  for (; at < order.size(); ++at) {
    const Case& c = sweep::Cases()[order[at]];
    if (c.fresh && at != first) break;
    Say(fd, "B " + std::to_string(at));
    sweep::BuildFixture(f);
    c.run(f);
    sweep::RunFrame(f);
    const sweep::Findings found = sweep::Probe(f);
    sweep::ClearFixture(f);
    std::string where = found.first;
    for (char& ch : where)
      if (ch == ' ') ch = '_';
    const bool intact = sweep::EngineIntact(f);
    Say(fd, "E " + std::to_string(at) + " " + std::to_string(found.nonFinite) + " " +
                std::to_string(found.impossible) + " " + (intact ? "1 " : "0 ") + (where.empty() ? "-" : where));
    if (c.fresh || !intact) {
      ++at;
      break;
    }
  }
  Say(fd, "R " + std::to_string(at));
  _exit(0);
}

// Runs the cases in `order` in workers; a case that kills or stalls its
// worker is recorded and the next worker starts after it.
bool RunAll(const std::vector<size_t>& order, const Settings& settings, std::vector<Result>& results) {
  size_t next = 0;
  int failedStarts = 0;  // a loaded machine may fail to open a surface now and then
  while (next < order.size()) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      Work(order, next, settings, fds[1]);
    }
    close(fds[1]);
    long running = -1;  // the case between its B and E lines
    auto started = std::chrono::steady_clock::now();
    std::string buffer;
    bool ended = false, hung = false;
    size_t resume = next;
    while (!ended) {
      pollfd p{fds[0], POLLIN, 0};
      const int ready = poll(&p, 1, 200);
      if (ready > 0) {
        char chunk[4096];
        const ssize_t n = read(fds[0], chunk, sizeof chunk);
        if (n <= 0) break;
        buffer.append(chunk, static_cast<size_t>(n));
        size_t eol;
        while ((eol = buffer.find('\n')) != std::string::npos) {
          std::istringstream line(buffer.substr(0, eol));
          buffer.erase(0, eol + 1);
          char kind = 0;
          line >> kind;
          if (kind == 'B') {
            line >> running;
            started = std::chrono::steady_clock::now();
          } else if (kind == 'E') {
            size_t at;
            int intact = 1;
            Result r;
            line >> at >> r.nonFinite >> r.impossible >> intact >> r.detail;
            r.outcome = Outcome::kDone;
            r.damaged = !intact && !sweep::Cases()[order[at]].fresh;
            results[order[at]] = r;
            running = -1;
            resume = at + 1;
          } else if (kind == 'R') {
            line >> resume;
            ended = true;
          } else if (kind == 'X') {
            std::fprintf(stderr, "vlm-sweep:%s\n", line.str().substr(1).c_str());
            kill(pid, SIGKILL);
            if (++failedStarts == 3) {
              waitpid(pid, nullptr, 0);
              return false;
            }
            ended = true;
          }
        }
      }
      if (running >= 0 && std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() >
                              settings.timeout) {
        kill(pid, SIGKILL);
        hung = true;
        break;
      }
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (running >= 0) {
      Result& r = results[order[static_cast<size_t>(running)]];
      r.outcome = hung ? Outcome::kHang : Outcome::kAbort;
      r.detail = hung ? "hang" : WIFSIGNALED(status) ? std::string("signal ") + strsignal(WTERMSIG(status))
                                                     : "exit " + std::to_string(WEXITSTATUS(status));
      resume = static_cast<size_t>(running) + 1;
    } else if (!ended && resume == next) {
      std::fprintf(stderr, "vlm-sweep: a worker ended before its first case\n");
      return false;
    }
    next = resume;
  }
  return true;
}

struct Tally {
  int cases = 0, nonFinite = 0, impossible = 0, damaged = 0, aborts = 0, hangs = 0;
  bool Clean() const { return nonFinite == 0 && impossible == 0 && damaged == 0 && aborts == 0 && hangs == 0; }
};

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--no-gl") settings.gl = false;
    else if (a == "--list") settings.list = true;
    else if (a == "--verbose") settings.verbose = true;
    else if (a == "--only") settings.only = Split(value());
    else if (a == "--check") settings.check = Split(value());
    else if (a == "--timeout") settings.timeout = std::atof(value().c_str());
    else if (a == "--filter") settings.filter = value();
    else {
      std::fprintf(stderr, "usage: vlm-sweep [--no-gl] [--only a,b] [--check a,b] [--list] [--timeout s] "
                           "[--filter text]\n");
      return 2;
    }
  }
  sweep::AddCoreCases();
  sweep::AddAssetCases();
  sweep::AddSceneCases();
  sweep::AddDefinitionKeyCases();
  const std::vector<Case>& cases = sweep::Cases();
  std::vector<size_t> order;
  for (size_t i = 0; i < cases.size(); ++i) {
    if (!settings.only.empty() && !settings.only.count(cases[i].subsystem)) continue;
    if (!settings.filter.empty() && (cases[i].procedure + " " + cases[i].label).find(settings.filter) ==
                                        std::string::npos)
      continue;
    order.push_back(i);
  }
  std::vector<Result> results(cases.size());
  std::string base = std::filesystem::temp_directory_path().string() + "/vlm-sweep-XXXXXX";
  if (!mkdtemp(base.data())) return 3;
  settings.base = base;
  const auto begin = std::chrono::steady_clock::now();
  const bool ran = RunAll(order, settings, results);
  std::error_code ignored;
  std::filesystem::remove_all(base, ignored);
  if (!ran) return 3;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

  std::map<std::string, Tally> tallies;
  Tally total;
  for (size_t i : order) {
    const Result& r = results[i];
    Tally& t = tallies[cases[i].subsystem];
    for (Tally* x : {&t, &total}) {
      ++x->cases;
      x->nonFinite += r.nonFinite > 0;
      x->impossible += r.impossible > 0;
      x->damaged += r.damaged;
      x->aborts += r.outcome == Outcome::kAbort;
      x->hangs += r.outcome == Outcome::kHang;
    }
    const bool finding = r.nonFinite || r.impossible || r.damaged || r.outcome == Outcome::kAbort ||
                         r.outcome == Outcome::kHang;
    if (settings.list && finding)
      std::printf("%-10s %s(%s): non-finite %d, impossible %d%s, %s\n", cases[i].subsystem.c_str(),
                  cases[i].procedure.c_str(), cases[i].label.c_str(), r.nonFinite, r.impossible,
                  r.damaged ? ", damaged the engine" : "", r.detail.c_str());
  }
  std::printf("%s sweep, %zu cases in %.0f s\n", settings.gl ? "GL" : "No-GL", order.size(), seconds);
  std::printf("%-11s %6s %11s %11s %8s %7s %6s\n", "subsystem", "cases", "non-finite", "impossible", "damaged",
              "aborts", "hangs");
  for (const auto& [name, t] : tallies)
    std::printf("%-11s %6d %11d %11d %8d %7d %6d\n", name.c_str(), t.cases, t.nonFinite, t.impossible, t.damaged,
                t.aborts, t.hangs);
  std::printf("%-11s %6d %11d %11d %8d %7d %6d\n", "total", total.cases, total.nonFinite, total.impossible,
              total.damaged, total.aborts, total.hangs);
  bool failed = false;
  for (const std::string& name : settings.check) {
    if (tallies.count(name) && !tallies[name].Clean()) {
      std::printf("vlm-sweep: %s is not clean\n", name.c_str());
      failed = true;
    }
  }
  return failed ? 1 : 0;
}
