// One-way message stream to an external debugger through named shared
// memory. The debugger creates the mapping; the engine only writes records.
#include "core/debug_channel.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "velmora/core.h"

extern char** environ;

namespace vlm {
namespace {

struct DebugChannel {
  DebugChannelState state = DebugChannelState::NotConnected;
  uint8_t* base = nullptr;
  size_t writeOffset = kFirstRecordOffset;
  std::string program = VLM_DEBUGGER_PATH;
  std::string textBuffer;  // reusable single-byte text for the front-ends
};

DebugChannel g_channel;

bool FileExists(const std::string& path) {
  struct stat st{};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void StartProgram(const std::string& path) {
  // Started without waiting; its input comes from /dev/null so it never
  // competes with the engine's terminal.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = 0;
  posix_spawn(&pid, path.c_str(), &actions, &attr, argv, environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
}

bool Connect() {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  uint8_t* base = CreateDebuggerMapping(false);
  if (!base && FileExists(g_channel.program)) {
    StartProgram(g_channel.program);
    while (!base && Clock::now() - start < std::chrono::milliseconds(1000)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      base = CreateDebuggerMapping(false);
    }
  }
  if (!base) {
    g_channel.state = DebugChannelState::Unavailable;
    return false;
  }
  g_channel.base = base;
  g_channel.writeOffset = kFirstRecordOffset;
  g_channel.state = DebugChannelState::Connected;
  return true;
}

int SendText(int type, const char* text) {
  // Texts go out as single-byte strings: anything outside ASCII becomes '?'.
  g_channel.textBuffer.clear();
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text ? text : ""); *p;) {
    if (*p < 0x80) {
      g_channel.textBuffer += static_cast<char>(*p++);
      continue;
    }
    ++p;
    while ((*p & 0xC0) == 0x80) ++p;
    g_channel.textBuffer += '?';
  }
  return VLM_DebugMessage(type, g_channel.textBuffer.c_str());
}

// Payload size of a record of the given type (text: length + 1).
size_t DebugPayloadSize(int type, const void* data) {
  switch (type) {
    case VLM_DEBUG_ERROR:
    case VLM_DEBUG_WARNING:
    case VLM_DEBUG_TEXT:
      return data ? std::strlen(static_cast<const char*>(data)) + 1 : 1;
    case VLM_DEBUG_VECTOR:
      return 16;
    case VLM_DEBUG_MATRIX:
      return 64;
    default:
      return 0;
  }
}

}  // namespace

std::string DebuggerShmName() {
  // Tests run side by side, each with a mapping of its own.
  const char* name = std::getenv("VLM_DEBUGGER_MAPPING_NAME");
  return std::string("/") + (name && *name ? name : VLM_DEBUGGER_MAPPING_NAME);
}

void ResetDebugChannel(const std::string& programPath) {
  CloseDebuggerMapping(g_channel.base);
  g_channel.base = nullptr;
  g_channel.state = DebugChannelState::NotConnected;
  g_channel.writeOffset = kFirstRecordOffset;
  g_channel.program = programPath;
}

DebugChannelState GetDebugChannelState() { return g_channel.state; }

uint8_t* CreateDebuggerMapping(bool create) {
  const int flags = create ? (O_RDWR | O_CREAT) : O_RDWR;
  const int fd = shm_open(DebuggerShmName().c_str(), flags, 0600);
  if (fd < 0) return nullptr;
  if (create && ftruncate(fd, VLM_DEBUGGER_MAPPING_SIZE) != 0) {
    close(fd);
    return nullptr;
  }
  struct stat st{};
  if (fstat(fd, &st) != 0 || static_cast<size_t>(st.st_size) < VLM_DEBUGGER_MAPPING_SIZE) {
    // A mapping still being sized by its creator is not ready yet.
    close(fd);
    return nullptr;
  }
  void* p = mmap(nullptr, VLM_DEBUGGER_MAPPING_SIZE, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  return p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
}

void CloseDebuggerMapping(uint8_t* base) {
  if (base) munmap(base, VLM_DEBUGGER_MAPPING_SIZE);
}

void RemoveDebuggerMapping() { shm_unlink(DebuggerShmName().c_str()); }

}  // namespace vlm

using vlm::g_channel;

extern "C" {

int VLM_DebugMessage(int type, const void* data) {
  if (g_channel.state == vlm::DebugChannelState::Unavailable) return 0;
  if (g_channel.state == vlm::DebugChannelState::NotConnected && !vlm::Connect()) return 0;

  size_t payload = vlm::DebugPayloadSize(type, data);
  // A text too long for the whole mapping is cut so that it still fits.
  const size_t maxPayload = VLM_DEBUGGER_MAPPING_SIZE - 16;
  if (payload > maxPayload) payload = maxPayload;
  if (g_channel.writeOffset + payload + 8 > VLM_DEBUGGER_MAPPING_SIZE) {
    // A zero "next" where the record would have gone tells the reader to
    // continue at the start.
    if (g_channel.writeOffset + 4 <= VLM_DEBUGGER_MAPPING_SIZE) {
      std::memset(g_channel.base + g_channel.writeOffset, 0, 4);
    }
    g_channel.writeOffset = vlm::kFirstRecordOffset;
  }

  uint8_t* record = g_channel.base + g_channel.writeOffset;
  const uint32_t next = static_cast<uint32_t>(g_channel.writeOffset + payload + 8);
  const int32_t type32 = type;
  std::memcpy(record + 4, &type32, 4);
  if (payload > 0) {
    if (data) {
      std::memcpy(record + 8, data, payload);
    } else {
      std::memset(record + 8, 0, payload);
    }
    if (type >= VLM_DEBUG_ERROR && type <= VLM_DEBUG_TEXT) record[8 + payload - 1] = 0;
  }
  std::memcpy(record, &next, 4);
  g_channel.writeOffset = next;
  // The reader follows the counter, so it is bumped only after the record is complete.
  auto* counter = reinterpret_cast<uint64_t*>(g_channel.base);
  __atomic_add_fetch(counter, 1, __ATOMIC_RELEASE);
  return 0;
}

int VLM_DebugError(const char* text) { return vlm::SendText(VLM_DEBUG_ERROR, text); }
int VLM_DebugWarning(const char* text) { return vlm::SendText(VLM_DEBUG_WARNING, text); }
int VLM_DebugText(const char* text) { return vlm::SendText(VLM_DEBUG_TEXT, text); }

}  // extern "C"
