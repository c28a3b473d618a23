// The debugger channel: record layout, wrap-around and connection rules.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "core/debug_channel.h"
#include "support/test_support.h"
#include "velmora/core.h"

namespace {

uint32_t U32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
uint64_t Counter(const uint8_t* base) {
  uint64_t v;
  std::memcpy(&v, base, 8);
  return v;
}

// Plays the debugger application: creates the mapping before the engine
// writes its first record.
class DebugChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vlm::RemoveDebuggerMapping();
    base = vlm::CreateDebuggerMapping(true);
    ASSERT_NE(base, nullptr);
    vlm::ResetDebugChannel("");
  }
  void TearDown() override {
    vlm::ResetDebugChannel("");
    vlm::CloseDebuggerMapping(base);
    vlm::RemoveDebuggerMapping();
  }
  uint8_t* base = nullptr;
};

TEST_F(DebugChannelTest, RecordsFollowOneAnother) {
  VLM_DebugError("boom");
  const v4f v{1, 2, 3, 4};
  VLM_DebugMessage(VLM_DEBUG_VECTOR, &v);
  m4f m{};
  for (int i = 0; i < 16; ++i) m.e[i] = static_cast<float>(i);
  VLM_DebugMessage(VLM_DEBUG_MATRIX, &m);
  VLM_DebugMessage(9, nullptr);
  VLM_DebugWarning("w");

  EXPECT_EQ(vlm::GetDebugChannelState(), vlm::DebugChannelState::Connected);
  EXPECT_EQ(Counter(base), 5u);
  // error: offset 8, payload "boom\0" (5) -> next 21
  EXPECT_EQ(U32(base + 8), 21u);
  EXPECT_EQ(U32(base + 12), 1u);
  EXPECT_STREQ(reinterpret_cast<const char*>(base + 16), "boom");
  // vector: 21 + 8 + 16 = 45
  EXPECT_EQ(U32(base + 21), 45u);
  EXPECT_EQ(U32(base + 25), 4u);
  EXPECT_EQ(std::memcmp(base + 29, &v, 16), 0);
  // matrix: 45 + 8 + 64 = 117
  EXPECT_EQ(U32(base + 45), 117u);
  EXPECT_EQ(U32(base + 49), 5u);
  EXPECT_EQ(std::memcmp(base + 53, &m, 64), 0);
  // other types carry nothing: 117 + 8
  EXPECT_EQ(U32(base + 117), 125u);
  EXPECT_EQ(U32(base + 121), 9u);
  EXPECT_EQ(U32(base + 125), 135u);
  EXPECT_EQ(U32(base + 129), 2u);
  EXPECT_STREQ(reinterpret_cast<const char*>(base + 133), "w");
}

TEST_F(DebugChannelTest, TextsAreSentAsSingleByteStrings) {
  VLM_DebugText("caf\xC3\xA9 \xE2\x82\xAC!");
  EXPECT_STREQ(reinterpret_cast<const char*>(base + 16), "caf? ?!");
}

TEST_F(DebugChannelTest, ARecordThatDoesNotFitRestartsAtOffsetEight) {
  // Nine texts of 1 MiB (plus terminator and record head) fit; the tenth does not.
  std::string big(1 << 20, 'x');
  for (int i = 0; i < 9; ++i) VLM_DebugText(big.c_str());
  const uint32_t end = 8 + 9 * ((1 << 20) + 9);  // where the tenth would go
  big[0] = 'y';
  VLM_DebugText(big.c_str());
  VLM_DebugText("after");
  EXPECT_EQ(Counter(base), 11u);
  EXPECT_EQ(U32(base + end), 0u);  // tells the reader to go back to the start
  EXPECT_EQ(base[16], 'y');
  const uint32_t second = U32(base + 8);
  EXPECT_EQ(second, 8u + 8 + (1 << 20) + 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(base + second + 8), "after");
}

TEST(DebugChannel, WithoutDebuggerTheChannelBecomesUnavailable) {
  vlm::RemoveDebuggerMapping();
  vlm::ResetDebugChannel("/nonexistent/VLM DebuggerApplication");
  VLM_DebugText("lost");
  EXPECT_EQ(vlm::GetDebugChannelState(), vlm::DebugChannelState::Unavailable);
  // A mapping that appears later is not picked up: unavailable is permanent.
  uint8_t* base = vlm::CreateDebuggerMapping(true);
  ASSERT_NE(base, nullptr);
  VLM_DebugText("still lost");
  EXPECT_EQ(Counter(base), 0u);
  vlm::CloseDebuggerMapping(base);
  vlm::RemoveDebuggerMapping();
  vlm::ResetDebugChannel("");
}

TEST(DebugChannel, StartsTheDebuggerProgramAndTheReaderPrintsRecords) {
  vlmtest::TempDir dir;
  const std::string out = dir.File("debugger.txt");
  const std::string script = dir.File("VLM DebuggerApplication");
  {
    std::ofstream s(script);
    s << "#!/bin/sh\nexec \"" VLM_BINARY_DIR "/tools/vlm-debugger\" --idle-exit 2 > \"" << out << "\"\n";
  }
  chmod(script.c_str(), 0755);
  vlm::RemoveDebuggerMapping();
  vlm::ResetDebugChannel(script);
  VLM_DebugError("hello debugger");
  ASSERT_EQ(vlm::GetDebugChannelState(), vlm::DebugChannelState::Connected);
  v4f v{1, 2, 3, 1};
  VLM_DebugMessage(VLM_DEBUG_VECTOR, &v);
  const std::string expected = "[error] hello debugger\n[vector] 1 2 3 1\n";
  std::string printed;
  for (int i = 0; i < 300 && printed != expected; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    printed = vlmtest::ReadFile(out);
  }
  EXPECT_EQ(printed, expected);
  vlm::ResetDebugChannel("");
  // The reader removes the mapping when it leaves after being idle.
  for (int i = 0; i < 400; ++i) {
    uint8_t* still = vlm::CreateDebuggerMapping(false);
    if (!still) break;
    vlm::CloseDebuggerMapping(still);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace
