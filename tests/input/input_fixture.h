// A hidden SDL window on the dummy video driver whose events feed the input
// records, and helpers that push hand-made events through SDL.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "core/context.h"
#include "platform/sdl_input.h"
#include "velmora/input.h"

namespace vlmtest {

class InputTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 480;

  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    window_ = SDL_CreateWindow("input", 0, 0, kWidth, kHeight, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window_, nullptr) << SDL_GetError();
    vlm::platform::SetInputWindow(window_);
    vlm::platform::InstallInputHook(false);
    SDL_ShowCursor(SDL_ENABLE);
    vlm::Ctx().input = vlm::InputState{};
  }

  void TearDown() override {
    vlm::platform::RemoveInputHook();
    vlm::platform::SetInputWindow(nullptr);
    if (window_) SDL_DestroyWindow(window_);
    SDL_Quit();
    vlm::Ctx().input = vlm::InputState{};
  }

  Uint32 Id() const { return SDL_GetWindowID(window_); }

  void Push(SDL_Event& e) {
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);  // the watch has seen it
  }

  void Key(bool down, SDL_Scancode scancode, SDL_Keycode keycode, bool repeat = false) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = Id();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = keycode;
    Push(e);
  }

  void Text(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = Id();
    std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
    Push(e);
  }

  void Button(bool down, Uint8 button) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = Id();
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    Push(e);
  }

  void Wheel(Sint32 y, bool flipped = false) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = Id();
    e.wheel.y = y;
    e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    Push(e);
  }

  void Move(Sint32 x, Sint32 y, Uint32 windowId = 0) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = windowId ? windowId : Id();
    e.motion.x = x;
    e.motion.y = y;
    Push(e);
  }

  void WindowEvent(Uint8 what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = Id();
    e.window.event = what;
    Push(e);
  }

  static bool CursorShowing() { return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; }

  SDL_Window* window_ = nullptr;
};

}  // namespace vlmtest
