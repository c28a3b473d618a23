// Keyboard records driven by SDL key and text events: one-frame flags,
// auto-repeat, the key codes and the typed character.
#include <gtest/gtest.h>

#include "input/input_fixture.h"
#include "platform/sdl_keys.h"
#include "support/test_support.h"

namespace {

using vlmtest::InputTest;

using KeyboardTest = InputTest;

TEST_F(KeyboardTest, PressedAndReleasedWithinOneFrame) {
  Key(true, SDL_SCANCODE_W, SDLK_w);
  Key(false, SDL_SCANCODE_W, SDLK_w);
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
  Key(true, SDL_SCANCODE_A, SDLK_a);
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardPushed('A'), 1);
  EXPECT_EQ(VLM_KeyboardDown('A'), 1);

  Key(true, SDL_SCANCODE_A, SDLK_a, /*repeat=*/true);
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardPushed('A'), 1);
  EXPECT_EQ(VLM_KeyboardDown('A'), 1);
  EXPECT_EQ(VLM_KeyboardReleased('A'), 0);

  // Held without repeat: down only.
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardPushed('A'), 0);
  EXPECT_EQ(VLM_KeyboardDown('A'), 1);

  Key(false, SDL_SCANCODE_A, SDLK_a);
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardDown('A'), 0);
  EXPECT_EQ(VLM_KeyboardReleased('A'), 1);
}

TEST_F(KeyboardTest, EventsOfAnotherWindowAreNotTheEngines) {
  SDL_Window* other = SDL_CreateWindow("other", 0, 0, 10, 10, SDL_WINDOW_HIDDEN);
  ASSERT_NE(other, nullptr);
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.windowID = SDL_GetWindowID(other);
  e.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
  e.key.keysym.sym = SDLK_ESCAPE;
  Push(e);
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_ESCAPE), 0);
  SDL_DestroyWindow(other);
}

TEST_F(KeyboardTest, SideModifiersAlsoDriveTheGenericCode) {
  Key(true, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT);
  Key(true, SDL_SCANCODE_RSHIFT, SDLK_RSHIFT);
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_LSHIFT), 1);
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_RSHIFT), 1);
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_SHIFT), 1);
  EXPECT_EQ(VLM_KeyboardPushed(VLM_KEY_SHIFT), 1);

  // Shift stays down while the other side is held.
  Key(false, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT);
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardReleased(VLM_KEY_LSHIFT), 1);
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_SHIFT), 1);
  EXPECT_EQ(VLM_KeyboardReleased(VLM_KEY_SHIFT), 0);

  Key(false, SDL_SCANCODE_RSHIFT, SDLK_RSHIFT);
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_SHIFT), 0);
  EXPECT_EQ(VLM_KeyboardReleased(VLM_KEY_SHIFT), 1);

  Key(true, SDL_SCANCODE_RCTRL, SDLK_RCTRL);
  Key(true, SDL_SCANCODE_LALT, SDLK_LALT);
  VLM_ExamineKeyboard();
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_RCONTROL), 1);
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_CONTROL), 1);
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_LALT), 1);
  EXPECT_EQ(VLM_KeyboardDown(VLM_KEY_ALT), 1);
}

TEST(KeyCodes, SdlKeysMapOntoDesktopCodes) {
  using vlm::platform::VirtualKeyFromSdl;
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_A, SDLK_a), 'A');
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_Z, SDLK_z), 'Z');
  // Letters follow the layout: on a German layout the key at Y types z.
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_Y, SDLK_z), 'Z');
  // A letter position that types no Latin letter goes by position.
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_Q, 0x0439), 'Q');
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_1, SDLK_1), '1');
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_9, SDLK_9), '9');
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_0, SDLK_0), '0');
  // Digits go by position (a French layout types & on the 1 key).
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_1, SDLK_AMPERSAND), '1');
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE), 0x1B);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_RETURN, SDLK_RETURN), 0x0D);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER), 0x0D);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_SPACE, SDLK_SPACE), 0x20);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE), 0x08);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_TAB, SDLK_TAB), 0x09);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_LEFT, SDLK_LEFT), 0x25);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_UP, SDLK_UP), 0x26);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_RIGHT, SDLK_RIGHT), 0x27);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_DOWN, SDLK_DOWN), 0x28);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_F1, SDLK_F1), 0x70);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_F12, SDLK_F12), 0x7B);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_F13, SDLK_F13), 0x7C);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_F24, SDLK_F24), 0x87);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT), 0xA0);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_RSHIFT, SDLK_RSHIFT), 0xA1);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_LCTRL, SDLK_LCTRL), 0xA2);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_RCTRL, SDLK_RCTRL), 0xA3);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_LALT, SDLK_LALT), 0xA4);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_RALT, SDLK_RALT), 0xA5);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_KP_0, SDLK_KP_0), 0x60);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_KP_9, SDLK_KP_9), 0x69);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_DELETE, SDLK_DELETE), 0x2E);
  EXPECT_EQ(VirtualKeyFromSdl(SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN), 0);
  EXPECT_EQ(VirtualKeyFromSdl(static_cast<SDL_Scancode>(SDL_NUM_SCANCODES + 5), 0), 0);
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
  Key(true, SDL_SCANCODE_B, SDLK_b);
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
