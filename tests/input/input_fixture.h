// A hidden input window on the dummy video driver whose events feed the
// input records, and helpers that send hand-made device events to it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "input/input_state.h"
#include "platform/sdl_input.h"
#include "platform/testing/input_driver.h"
#include "platform/testing/window_probe.h"
#include "velmora/core.h"
#include "velmora/input.h"

namespace vlmtest {

class InputTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 480;

  void SetUp() override {
    ASSERT_TRUE(vlm::testing::OpenInputWindow(kWidth, kHeight)) << vlm::testing::LastError();
    vlm::ResetInput();
  }

  void TearDown() override {
    vlm::testing::CloseInputWindow();
    vlm::ResetInput();
  }

  // keyName as in vlm::testing::SendKey ("W", "Left Shift", ...).
  void Key(bool down, const char* keyName, bool repeat = false, uint32_t windowId = 0) {
    ASSERT_TRUE(vlm::testing::SendKey(down, keyName, repeat, windowId))
        << keyName << ": " << vlm::testing::LastError();
  }

  void Text(const char* utf8) {
    ASSERT_TRUE(vlm::testing::SendText(utf8)) << vlm::testing::LastError();
  }

  void Button(bool down, int button) {
    ASSERT_TRUE(vlm::testing::SendButton(down, button)) << vlm::testing::LastError();
  }

  void Wheel(int32_t y, bool flipped = false) {
    ASSERT_TRUE(vlm::testing::SendWheel(y, flipped)) << vlm::testing::LastError();
  }

  void Move(int32_t x, int32_t y, uint32_t windowId = 0) {
    ASSERT_TRUE(vlm::testing::SendMotion(x, y, windowId)) << vlm::testing::LastError();
  }

  void WindowEvent(vlm::testing::WindowChange change) {
    ASSERT_TRUE(vlm::testing::SendWindowChange(change)) << vlm::testing::LastError();
  }

  static bool CursorShowing() { return vlm::platform::SystemCursorShowing(); }
};

}  // namespace vlmtest
