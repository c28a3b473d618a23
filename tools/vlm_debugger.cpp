// vlm-debugger: the debugger application of the Velmora Engine. It creates
// the shared memory "VLM_DebuggerApplication" and prints every record the
// engine writes, as it arrives.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <chrono>

#include "core/debug_channel.h"
#include "velmora/core.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

void PrintRecord(const uint8_t* base, uint32_t offset) {
  int32_t type = 0;
  std::memcpy(&type, base + offset + 4, 4);
  const uint8_t* payload = base + offset + 8;
  switch (type) {
    case VLM_DEBUG_ERROR:
    case VLM_DEBUG_WARNING:
    case VLM_DEBUG_TEXT: {
      static const char* const kLabel[] = {"", "error", "warning", "text"};
      const size_t room = VLM_DEBUGGER_MAPPING_SIZE - offset - 8;
      std::printf("[%s] %.*s\n", kLabel[type], static_cast<int>(strnlen(reinterpret_cast<const char*>(payload), room)),
                  reinterpret_cast<const char*>(payload));
      break;
    }
    case VLM_DEBUG_VECTOR: {
      float v[4];
      std::memcpy(v, payload, 16);
      std::printf("[vector] %g %g %g %g\n", v[0], v[1], v[2], v[3]);
      break;
    }
    case VLM_DEBUG_MATRIX: {
      float m[16];
      std::memcpy(m, payload, 64);
      std::printf("[matrix]");
      for (float f : m) std::printf(" %g", f);
      std::printf("\n");
      break;
    }
    default:
      std::printf("[type %d]\n", type);
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  double idleExit = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--idle-exit") == 0 && i + 1 < argc) {
      idleExit = std::atof(argv[++i]);
    } else {
      std::printf("usage: vlm-debugger [--idle-exit SECONDS]\n"
                  "Creates the shared memory \"%s\" and prints the engine's debug records.\n",
                  VLM_DEBUGGER_MAPPING_NAME);
      return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
    }
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);

  vlm::RemoveDebuggerMapping();
  uint8_t* base = vlm::CreateDebuggerMapping(true);
  if (!base) {
    std::fprintf(stderr, "vlm-debugger: cannot create the shared memory\n");
    return 1;
  }
  uint64_t seen = 0;
  uint32_t offset = vlm::kFirstRecordOffset;
  auto lastActivity = std::chrono::steady_clock::now();
  while (!g_stop) {
    const uint64_t counter = __atomic_load_n(reinterpret_cast<uint64_t*>(base), __ATOMIC_ACQUIRE);
    while (seen < counter) {
      uint32_t next = 0;
      std::memcpy(&next, base + offset, 4);
      if (next <= offset || next > VLM_DEBUGGER_MAPPING_SIZE) {
        offset = vlm::kFirstRecordOffset;  // the writer wrapped around
        std::memcpy(&next, base + offset, 4);
      }
      PrintRecord(base, offset);
      offset = next;
      ++seen;
      lastActivity = std::chrono::steady_clock::now();
    }
    if (idleExit > 0 &&
        std::chrono::duration<double>(std::chrono::steady_clock::now() - lastActivity).count() > idleExit) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  vlm::CloseDebuggerMapping(base);
  vlm::RemoveDebuggerMapping();
  return 0;
}
