// Keyboard records driven by key and text events: one-frame flags,
// auto-repeat, the key codes and the typed character.
#include <gtest/gtest.h>

#include "input/input_fixture.h"
#include "support/test_support.h"

namespace {

using vlmtest::InputTest;

using KeyboardTest = InputTest;

TEST_F(KeyboardTest, PressedAndReleasedWithinOneFrame) {
  Key(true, "W");
  Key(false, "W");
  // Nothing shows before the examine.
  EXPECT_EQ(VLM_KeyboardPushed('W'), 0);
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardPushed('W'), 1);
  EXPECT_EQ(VLM_KeyboardReleased('W'), 1);
  EXPECT_EQ(VLM_KeyboardDown('W'), 0);
  // The flags last one frame.
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardPushed('W'), 0);
  EXPECT_EQ(VLM_KeyboardReleased('W'), 0);
}

TEST_F(KeyboardTest, HeldKeyWithAutoRepeatIsPushedAgain) {
  Key(true, "A");
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardPushed('A'), 1);
  EXPECT_EQ(VLM_KeyboardDown('A'), 1);

  Key(true, "A", /*repeat=*/true);
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardPushed('A'), 1);
  EXPECT_EQ(VLM_KeyboardDown('A'), 1);
  EXPECT_EQ(VLM_KeyboardReleased('A'), 0);

  // Held without repeat: down only.
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardPushed('A'), 0);
  EXPECT_EQ(VLM_KeyboardDown('A'), 1);

  Key(false, "A");
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardDown('A'), 0);
  EXPECT_EQ(VLM_KeyboardReleased('A'), 1);
}

TEST_F(KeyboardTest, EventsOfAnotherWindowAreNotTheEngines) {
  vlm::testing::OtherWindow other;
  ASSERT_NE(other.id(), 0u) << vlm::testing::LastError();
  Key(true, "Escape", /*repeat=*/false, other.id());
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_ESCAPE), 0);
}

TEST_F(KeyboardTest, SideModifiersAlsoDriveTheGenericCode) {
  Key(true, "Left Shift");
  Key(true, "Right Shift");
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_LSHIFT), 1);
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_RSHIFT), 1);
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_SHIFT), 1);
  EXPECT_EQ(VLM_KeyboardPushed(VLM_KEY_SHIFT), 1);

  // Shift stays down while the other side is held.
  Key(false, "Left Shift");
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardReleased(VLM_KEY_LSHIFT), 1);
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_SHIFT), 1);
  EXPECT_EQ(VLM_KeyboardReleased(VLM_KEY_SHIFT), 0);

  Key(false, "Right Shift");
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_SHIFT), 0);
  EXPECT_EQ(VLM_KeyboardReleased(VLM_KEY_SHIFT), 1);

  Key(true, "Right Ctrl");
  Key(true, "Left Alt");
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_RCONTROL), 1);
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_CONTROL), 1);
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_LALT), 1);
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_ALT), 1);
}

// The engine's code for the key at scancodeName's position that types
// keyName's key on the current layout.
int VirtualKey(const char* scancodeName, const char* keyName) {
  const int scancode = vlm::testing::ScancodeFromName(scancodeName);
  const int keycode = vlm::testing::KeycodeFromName(keyName);
  EXPECT_NE(scancode, 0) << scancodeName;
  EXPECT_NE(keycode, 0) << keyName;
  return vlm::testing::VirtualKeyFromCodes(scancode, keycode);
}

TEST(KeyCodes, SdlKeysMapOntoDesktopCodes) {
  using vlm::testing::VirtualKeyFromCodes;
  EXPECT_EQ(VirtualKey("A", "A"), 'A');
  EXPECT_EQ(VirtualKey("Z", "Z"), 'Z');
  // Letters follow the layout: on a German layout the key at Y types z.
  EXPECT_EQ(VirtualKey("Y", "Z"), 'Z');
  // A letter position that types no Latin letter goes by position.
  EXPECT_EQ(VirtualKeyFromCodes(vlm::testing::ScancodeFromName("Q"), 0x0439), 'Q');
  EXPECT_EQ(VirtualKey("1", "1"), '1');
  EXPECT_EQ(VirtualKey("9", "9"), '9');
  EXPECT_EQ(VirtualKey("0", "0"), '0');
  // Digits go by position (a French layout types & on the 1 key).
  EXPECT_EQ(VirtualKey("1", "&"), '1');
  EXPECT_EQ(VirtualKey("Escape", "Escape"), 0x1B);
  EXPECT_EQ(VirtualKey("Return", "Return"), 0x0D);
  EXPECT_EQ(VirtualKey("Keypad Enter", "Keypad Enter"), 0x0D);
  EXPECT_EQ(VirtualKey("Space", "Space"), 0x20);
  EXPECT_EQ(VirtualKey("Backspace", "Backspace"), 0x08);
  EXPECT_EQ(VirtualKey("Tab", "Tab"), 0x09);
  EXPECT_EQ(VirtualKey("Left", "Left"), 0x25);
  EXPECT_EQ(VirtualKey("Up", "Up"), 0x26);
  EXPECT_EQ(VirtualKey("Right", "Right"), 0x27);
  EXPECT_EQ(VirtualKey("Down", "Down"), 0x28);
  EXPECT_EQ(VirtualKey("F1", "F1"), 0x70);
  EXPECT_EQ(VirtualKey("F12", "F12"), 0x7B);
  EXPECT_EQ(VirtualKey("F13", "F13"), 0x7C);
  EXPECT_EQ(VirtualKey("F24", "F24"), 0x87);
  EXPECT_EQ(VirtualKey("Left Shift", "Left Shift"), 0xA0);
  EXPECT_EQ(VirtualKey("Right Shift", "Right Shift"), 0xA1);
  EXPECT_EQ(VirtualKey("Left Ctrl", "Left Ctrl"), 0xA2);
  EXPECT_EQ(VirtualKey("Right Ctrl", "Right Ctrl"), 0xA3);
  EXPECT_EQ(VirtualKey("Left Alt", "Left Alt"), 0xA4);
  EXPECT_EQ(VirtualKey("Right Alt", "Right Alt"), 0xA5);
  EXPECT_EQ(VirtualKey("Keypad 0", "Keypad 0"), 0x60);
  EXPECT_EQ(VirtualKey("Keypad 9", "Keypad 9"), 0x69);
  EXPECT_EQ(VirtualKey("Delete", "Delete"), 0x2E);
  EXPECT_EQ(VirtualKeyFromCodes(0, 0), 0);  // unknown scancode and keycode
  EXPECT_EQ(VirtualKeyFromCodes(vlm::testing::ScancodeCount() + 5, 0), 0);
}

TEST_F(KeyboardTest, InkeyGivesTheLastCharacterOfTheFrame) {
  Text("ab");
  Text("\xC3\xA4");  // a umlaut
  VLM_ExamineKeyboard();
  EXPECT_STREQ(VLM_KeyboardInkey(), "\xC3\xA4");
  VLM_ExamineKeyboard();
  EXPECT_STREQ(VLM_KeyboardInkey(), "");

  Text("x\t");  // control characters do not replace the last character
  VLM_ExamineKeyboard();
  EXPECT_STREQ(VLM_KeyboardInkey(), "x");

  Text("\xF0\x9F\x99\x82");  // beyond the 16-bit plane
  VLM_ExamineKeyboard();
  EXPECT_STREQ(VLM_KeyboardInkey(), "\xF0\x9F\x99\x82");

  // Broken UTF-8 gives no character; a valid one after it still counts.
  Text("\xC3");
  VLM_ExamineKeyboard();
  EXPECT_STREQ(VLM_KeyboardInkey(), "");
  Text("\xE2\x82q");
  VLM_ExamineKeyboard();
  EXPECT_STREQ(VLM_KeyboardInkey(), "q");
  Text("\xC0\xAF");  // overlong '/'
  VLM_ExamineKeyboard();
  EXPECT_STREQ(VLM_KeyboardInkey(), "");
}

TEST_F(KeyboardTest, KeyOutsideTheTableGivesZeroAndAFailureRow) {
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  Key(true, "B");
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardDown(256), 0);
  EXPECT_EQ(VLM_KeyboardPushed(-1), 0);
  EXPECT_EQ(VLM_KeyboardDown('B'), 1);
  const std::string body = vlmtest::LogBody(log);
  EXPECT_NE(body.find("Fail: Key code out of range (0-255)!"), std::string::npos) << body;
  EXPECT_NE(body.find("VLM_KeyboardDown"), std::string::npos);
  EXPECT_NE(body.find("VLM_KeyboardPushed"), std::string::npos);
}

}  // namespace
