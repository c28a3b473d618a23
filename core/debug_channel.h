// Debugger channel internals: lets tests and tools steer the connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vlm {

enum class DebugChannelState { NotConnected, Connected, Unavailable };

// The mapping starts with the 64-bit record counter; records follow from here.
constexpr uint32_t kFirstRecordOffset = 8;

// Shared-memory object name used with shm_open ("/" + mapping name). The
// environment variable VLM_DEBUGGER_MAPPING_NAME replaces the name.
std::string DebuggerShmName();

// Forgets any connection and selects the debugger program to start when the
// mapping is missing (empty: none). Used by tests.
void ResetDebugChannel(const std::string& programPath);
DebugChannelState GetDebugChannelState();

// Creates (or opens) the mapping as the debugger application does; returns
// its start or nullptr. The caller unmaps it with CloseDebuggerMapping.
uint8_t* CreateDebuggerMapping(bool create);
void CloseDebuggerMapping(uint8_t* base);
void RemoveDebuggerMapping();

}  // namespace vlm
