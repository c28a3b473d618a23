// Mouse records driven by device events: buttons, wheel, movement, locked mode
// with its warp-skip rule, cursor visibility and confinement across focus
// changes.
#include <gtest/gtest.h>

#include "platform/input_port.h"
#include "input/input_fixture.h"
#include "support/test_support.h"

namespace {

using vlmtest::InputTest;

using MouseTest = InputTest;
using vlm::testing::kButtonLeft;
using vlm::testing::kButtonMiddle;
using vlm::testing::kButtonRight;
using vlm::testing::kButtonX1;
using vlm::testing::WindowChange;

TEST_F(MouseTest, ButtonsAreNumberedOneTwoFour) {
  Button(true, kButtonLeft);
  Button(true, kButtonRight);
  Button(true, kButtonMiddle);
  Button(true, kButtonX1);  // no engine number
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseButtonDown(VLM_MOUSE_LEFT), 1);
  EXPECT_EQ(VLM_MouseButtonDown(VLM_MOUSE_RIGHT), 1);
  EXPECT_EQ(VLM_MouseButtonDown(VLM_MOUSE_MIDDLE), 1);
  EXPECT_EQ(VLM_MouseButtonPushed(2), 1);
  const vlm::MouseRecord& snap = vlm::Input().mouse;
  EXPECT_EQ(snap.down[0], 0);
  EXPECT_EQ(snap.down[3], 0);

  // Slot 3 exists in the record but is never a button.
  vlm::Input().mouse.down[3] = 1;
  vlm::Input().mouse.pressed[3] = 1;
  vlm::Input().mouse.released[3] = 1;
  EXPECT_EQ(VLM_MouseButtonDown(3), 0);
  EXPECT_EQ(VLM_MouseButtonPushed(3), 0);
  EXPECT_EQ(VLM_MouseButtonReleased(3), 0);
  EXPECT_EQ(VLM_MouseButtonDown(0), 0);
  EXPECT_EQ(VLM_MouseButtonDown(5), 0);
  EXPECT_EQ(VLM_MouseButtonDown(-1), 0);
}

TEST_F(MouseTest, ClickWithinOneFrameIsPushedAndReleasedButNotDown) {
  Button(true, kButtonLeft);
  Button(false, kButtonLeft);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseButtonPushed(1), 1);
  EXPECT_EQ(VLM_MouseButtonReleased(1), 1);
  EXPECT_EQ(VLM_MouseButtonDown(1), 0);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseButtonPushed(1), 0);
  EXPECT_EQ(VLM_MouseButtonReleased(1), 0);
}

TEST_F(MouseTest, WheelCountsNotchesWithTheirSign) {
  Wheel(2);
  Wheel(1);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseWheel(), 3);
  Wheel(-1);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseWheel(), -1);
  // A flipped wheel reports the direction the user meant.
  Wheel(-2, /*flipped=*/true);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseWheel(), 2);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseWheel(), 0);

  // Whole notches per event, sign kept: 1/120 units divided by 120.
  vlm::input::Wheel(119);
  vlm::input::Wheel(-250);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseWheel(), -2);

  // Hand-made extremes stay in range.
  Wheel(INT32_MAX);
  Wheel(INT32_MAX);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseWheel(), 2 * (INT32_MAX / 120));
}

TEST_F(MouseTest, MovementAccumulatesUntilTheExamine) {
  Move(100, 50);
  Move(110, 45);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseX(), 110);
  EXPECT_EQ(VLM_MouseY(), 45);
  EXPECT_EQ(VLM_MouseDeltaX(), 110);
  EXPECT_EQ(VLM_MouseDeltaY(), 45);
  Move(107, 47);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseDeltaX(), -3);
  EXPECT_EQ(VLM_MouseDeltaY(), 2);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseDeltaX(), 0);
  EXPECT_EQ(VLM_MouseX(), 107);
}

TEST_F(MouseTest, PositionsLeftOfTheWindowStaySigned) {
  // A captured drag past the left edge reports negative client positions.
  Move(2, 5);
  VLM_ExamineMouse();
  Move(-3, -1);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseX(), -3);
  EXPECT_EQ(VLM_MouseY(), -1);
  EXPECT_EQ(VLM_MouseDeltaX(), -5);
  EXPECT_EQ(VLM_MouseDeltaY(), -6);
}

TEST_F(MouseTest, LockedModeReportsTheCentreAndCarriesMovementInDeltas) {
  Move(10, 10);
  VLM_ExamineMouse();
  VLM_LockMouse();
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseX(), kWidth / 2);
  EXPECT_EQ(VLM_MouseY(), kHeight / 2);
  // Locking moved nothing on its own.
  EXPECT_EQ(VLM_MouseDeltaX(), 0);
  EXPECT_EQ(VLM_MouseDeltaY(), 0);

  Move(330, 235);  // +10, -5 from the centre; the engine warps back
  Move(325, 240);  // +5, 0
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseX(), 320);
  EXPECT_EQ(VLM_MouseY(), 240);
  EXPECT_EQ(VLM_MouseDeltaX(), 15);
  EXPECT_EQ(VLM_MouseDeltaY(), -5);

  // Moves of another window do not count in locked mode.
  {
    vlm::testing::OtherWindow other;
    ASSERT_NE(other.id(), 0u) << vlm::testing::LastError();
    Move(600, 400, other.id());
    VLM_ExamineMouse();
    EXPECT_EQ(VLM_MouseDeltaX(), 0);
    EXPECT_EQ(VLM_MouseX(), 320);
  }

  VLM_UnlockMouse();
  Move(300, 200);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseX(), 300);
  EXPECT_EQ(VLM_MouseDeltaX(), -20);
  EXPECT_EQ(VLM_MouseDeltaY(), -40);
}

TEST(MouseWarp, TheWarpsOwnMoveIsNotAnsweredByAnotherWarp) {
  vlm::ResetInput();
  vlm::Input().mouseLive.mouseLocked = 1;
  // A user move asks for a warp; the move the warp causes does not.
  EXPECT_TRUE(vlm::input::MouseMove(410, 300, true, 800, 600));
  EXPECT_EQ(vlm::Input().skipNextWarp, 1);
  EXPECT_FALSE(vlm::input::MouseMove(400, 300, true, 800, 600));
  EXPECT_EQ(vlm::Input().skipNextWarp, 0);
  EXPECT_TRUE(vlm::input::MouseMove(395, 310, true, 800, 600));
  // Skipped, though it is a real move: it still counts.
  EXPECT_FALSE(vlm::input::MouseMove(390, 300, true, 800, 600));
  // A cursor already at the centre needs no warp.
  EXPECT_FALSE(vlm::input::MouseMove(400, 300, true, 800, 600));
  EXPECT_EQ(vlm::Input().skipNextWarp, 0);
  // Odd sizes: the centre is rounded down.
  EXPECT_TRUE(vlm::input::MouseMove(1, 1, true, 801, 601));
  const vlm::MouseRecord& live = vlm::Input().mouseLive;
  EXPECT_EQ(live.x, 400);
  EXPECT_EQ(live.y, 300);
  EXPECT_EQ(live.deltaX, 10 + 0 - 5 - 10 + 0 + (1 - 400));
  EXPECT_EQ(live.deltaY, 0 + 0 + 10 + 0 + 0 + (1 - 300));
  // Moves that are not the engine window's are ignored in locked mode.
  EXPECT_FALSE(vlm::input::MouseMove(0, 0, false, 800, 600));
  EXPECT_EQ(live.deltaX, 10 - 5 - 10 + (1 - 400));
  vlm::ResetInput();
}

TEST_F(MouseTest, ResetForgetsClicksAndWheelButKeepsDeltas) {
  Move(20, 30);
  Button(true, kButtonRight);
  Wheel(1);
  VLM_ResetMouse();
  EXPECT_EQ(VLM_MouseButtonPushed(2), 0);
  EXPECT_EQ(VLM_MouseButtonDown(2), 1);
  EXPECT_EQ(VLM_MouseWheel(), 0);
  EXPECT_EQ(VLM_MouseDeltaX(), 20);
  // The deltas are still pending for the next examine.
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseDeltaX(), 20);
  EXPECT_EQ(VLM_MouseDeltaY(), 30);
}

TEST_F(MouseTest, LeavingTheWindowDropsDownAndReleasedButtons) {
  Button(true, kButtonLeft);
  Button(true, kButtonMiddle);
  Button(false, kButtonMiddle);
  WindowEvent(WindowChange::kLeave);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseButtonDown(1), 0);
  EXPECT_EQ(VLM_MouseButtonReleased(4), 0);
  EXPECT_EQ(VLM_MouseButtonPushed(1), 1);
  EXPECT_EQ(VLM_MouseButtonPushed(4), 1);
}

TEST_F(MouseTest, RectangleAndCircleTests) {
  Move(10, 20);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseInRect(10, 20, 1, 1), 1);
  EXPECT_EQ(VLM_MouseInRect(0, 0, 10, 30), 0);  // right edge is outside
  EXPECT_EQ(VLM_MouseInRect(0, 0, 11, 21), 1);
  EXPECT_EQ(VLM_MouseInRect(0, 0, 11, 20), 0);  // bottom edge is outside
  EXPECT_EQ(VLM_MouseInRect(11, 0, 5, 50), 0);
  EXPECT_EQ(VLM_MouseInRect(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX), 0);
  EXPECT_EQ(VLM_MouseInRect(0, 0, INT32_MAX, INT32_MAX), 1);
  // (10-13)^2 + (20-24)^2 = 25
  EXPECT_EQ(VLM_MouseInCircle(13, 24, 5.0f), 0);
  EXPECT_EQ(VLM_MouseInCircle(13, 24, 5.01f), 1);
  EXPECT_EQ(VLM_MouseInCircle(10.5f, 20, 0.6f), 1);
}

TEST_F(MouseTest, HiddenCursorComesBackWhileTheWindowHasNoFocus) {
  VLM_HideCursor();
  EXPECT_FALSE(CursorShowing());
  WindowEvent(WindowChange::kFocusLost);
  EXPECT_TRUE(CursorShowing());
  EXPECT_EQ(vlm::Input().mouseLive.cursorHidden, 1);
  WindowEvent(WindowChange::kFocusGained);
  EXPECT_FALSE(CursorShowing());
  VLM_ShowCursor();
  EXPECT_TRUE(CursorShowing());
  EXPECT_EQ(vlm::Input().mouseLive.cursorHidden, 0);
  // Focus changes leave a cursor alone that the engine did not hide.
  WindowEvent(WindowChange::kFocusGained);
  EXPECT_TRUE(CursorShowing());
  VLM_ExamineMouse();
  EXPECT_EQ(vlm::Input().mouse.cursorHidden, 0);
}

TEST_F(MouseTest, FocusDecidesAboutConfinementOnlyWhenClipped) {
  EXPECT_EQ(VLM_ClipCursor(), 0);
  EXPECT_EQ(vlm::Input().mouseLive.cursorClipped, 1);

  const vlm::input::FocusActions lost = vlm::input::FocusLost(false);
  EXPECT_TRUE(lost.unconfine);
  EXPECT_FALSE(lost.confine);
  const vlm::input::FocusActions gained = vlm::input::FocusGained(true);
  EXPECT_TRUE(gained.confine);
  EXPECT_FALSE(gained.hide);  // the engine did not hide it

  auto grabbed = [] { return vlm::testing::InputWindowGrabsMouse(); };
  EXPECT_TRUE(grabbed());
  WindowEvent(WindowChange::kFocusLost);
  EXPECT_FALSE(grabbed());
  EXPECT_EQ(vlm::Input().mouseLive.cursorClipped, 1);  // stays set
  WindowEvent(WindowChange::kFocusGained);
  EXPECT_TRUE(grabbed());

  VLM_UnclipCursor();
  EXPECT_EQ(vlm::Input().mouseLive.cursorClipped, 0);
  EXPECT_FALSE(grabbed());
  EXPECT_FALSE(vlm::input::FocusGained(true).confine);
  EXPECT_FALSE(vlm::input::FocusLost(true).unconfine);
  EXPECT_FALSE(vlm::input::FocusLost(true).show);
}

TEST_F(MouseTest, SetMousePositionMovesTheCursor) {
  Move(5, 5);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_SetMousePosition(200, 100), 0);
  // In the application's window the snapshot waits for the examine.
  EXPECT_EQ(VLM_MouseX(), 5);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseX(), 200);
  EXPECT_EQ(VLM_MouseY(), 100);

  // In a window of its own the engine stores the position at once.
  vlm::platform::InstallInputHook(true);
  VLM_SetMousePosition(50, 60);
  EXPECT_EQ(VLM_MouseX(), 50);
  EXPECT_EQ(VLM_MouseY(), 60);
}

TEST_F(MouseTest, ExamineInstallsAForgottenHook) {
  vlm::platform::RemoveInputHook();
  Button(true, kButtonLeft);  // nobody listens yet
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseButtonPushed(1), 0);
  Button(true, kButtonRight);
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseButtonPushed(2), 1);
}

TEST_F(MouseTest, ShutdownReleasesTheConfinementAndStopsListening) {
  VLM_ClipCursor();
  ASSERT_TRUE(vlm::testing::InputWindowGrabsMouse());
  vlm::platform::ShutdownInput();
  EXPECT_EQ(vlm::Input().mouseLive.cursorClipped, 0);
  EXPECT_FALSE(vlm::testing::InputWindowGrabsMouse());
  Button(true, kButtonLeft);
  vlm::platform::InstallInputHook();  // examine would install it again
  VLM_ExamineMouse();
  EXPECT_EQ(VLM_MouseButtonPushed(1), 0);
}

TEST(MouseNoWindow, CursorProceduresNeedAWindow) {
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  vlm::ResetInput();
  EXPECT_EQ(VLM_LockMouse(), 0);
  EXPECT_EQ(vlm::Input().mouseLive.mouseLocked, 0);
  EXPECT_EQ(VLM_ClipCursor(), 0);
  EXPECT_EQ(vlm::Input().mouseLive.cursorClipped, 0);
  EXPECT_EQ(VLM_SetMousePosition(1, 2), 0);
  const std::string body = vlmtest::LogBody(log);
  for (const char* proc : {"VLM_LockMouse", "VLM_ClipCursor", "VLM_SetMousePosition"})
    EXPECT_NE(body.find(proc), std::string::npos) << proc;
  EXPECT_NE(body.find("Fail: There is no engine window for the mouse!"), std::string::npos);
  // Examining without any window system does not fail.
  EXPECT_EQ(VLM_ExamineMouse(), 0);
  EXPECT_EQ(VLM_MouseX(), 0);
}

}  // namespace
