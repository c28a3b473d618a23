// Joysticks: the axis scaling and dead zones worked out by hand, the button
// state bits over time, hat directions, and a virtual joystick polled
// through the engine's procedures.
#include <gtest/gtest.h>

#include <cmath>

#include <string>

#include "input/input_fixture.h"
#include "input/joystick.h"
#include "support/test_support.h"

namespace {

using vlm::input::ApplyDeadZone;
using vlm::input::PovDegrees;
using vlm::input::QuantiseAxis;
using vlm::input::ScaleAxis;
using vlm::testing::kHatCentered;
using vlm::testing::kHatDown;
using vlm::testing::kHatLeft;
using vlm::testing::kHatLeftDown;
using vlm::testing::kHatLeftUp;
using vlm::testing::kHatRight;
using vlm::testing::kHatRightDown;
using vlm::testing::kHatRightUp;
using vlm::testing::kHatUp;
using vlm::testing::SetVirtualAxis;
using vlm::testing::SetVirtualButton;
using vlm::testing::SetVirtualHat;

TEST(JoystickAxis, ScalesTheRawRangeOntoMinusOneToOne) {
  // (raw - min) * 2 / (max - min) - 1
  EXPECT_FLOAT_EQ(ScaleAxis(0, 0, 100), -1.0f);
  EXPECT_FLOAT_EQ(ScaleAxis(100, 0, 100), 1.0f);
  EXPECT_FLOAT_EQ(ScaleAxis(75, 0, 100), 0.5f);
  EXPECT_FLOAT_EQ(ScaleAxis(25, 0, 100), -0.5f);
  // The desktop's 0..65535 range: the middle value 32767 lies just below 0.
  EXPECT_FLOAT_EQ(ScaleAxis(32767, 0, 65535), -1.0f / 65535.0f);
  EXPECT_FLOAT_EQ(ScaleAxis(32768, 0, 65535), 1.0f / 65535.0f);
  // The -32768..32767 range of the devices: raw 0 is 1/65535 above the middle.
  EXPECT_FLOAT_EQ(ScaleAxis(-32768, -32768, 32767), -1.0f);
  EXPECT_FLOAT_EQ(ScaleAxis(32767, -32768, 32767), 1.0f);
  EXPECT_FLOAT_EQ(ScaleAxis(0, -32768, 32767), 1.0f / 65535.0f);
  EXPECT_FLOAT_EQ(ScaleAxis(16384, -32768, 32767), 32769.0f / 65535.0f);
  // A reversed range mirrors; an empty one gives 0; out of range is held.
  EXPECT_FLOAT_EQ(ScaleAxis(75, 100, 0), -0.5f);
  EXPECT_EQ(ScaleAxis(5, 7, 7), 0.0f);
  EXPECT_FLOAT_EQ(ScaleAxis(200, 0, 100), 1.0f);
  EXPECT_FLOAT_EQ(ScaleAxis(INT32_MIN, INT32_MAX, INT32_MIN + 1), 1.0f);
}

TEST(JoystickAxis, DeadZoneZeroesOnlyValuesBelowIt) {
  EXPECT_EQ(ApplyDeadZone(0.1f, 0.2f), 0.0f);
  EXPECT_EQ(ApplyDeadZone(-0.19f, 0.2f), 0.0f);
  EXPECT_FLOAT_EQ(ApplyDeadZone(-0.25f, 0.2f), -0.25f);
  EXPECT_FLOAT_EQ(ApplyDeadZone(0.2f, 0.2f), 0.2f);  // "below", not "up to"
  EXPECT_FLOAT_EQ(ApplyDeadZone(0.01f, 0.0f), 0.01f);
}

TEST(JoystickAxis, QuantisedToTheStepWithHalvesAwayFromZero) {
  EXPECT_FLOAT_EQ(QuantiseAxis(0.25f, 0.5f), 0.5f);
  EXPECT_FLOAT_EQ(QuantiseAxis(-0.25f, 0.5f), -0.5f);
  EXPECT_FLOAT_EQ(QuantiseAxis(0.24f, 0.5f), 0.0f);
  EXPECT_FLOAT_EQ(QuantiseAxis(0.74f, 0.5f), 0.5f);
  EXPECT_FLOAT_EQ(QuantiseAxis(-0.8f, 0.25f), -0.75f);
  EXPECT_FLOAT_EQ(QuantiseAxis(0.3f, 0.0f), 0.3f);
}

TEST(JoystickPov, HatDegreesKeepZeroForCentred) {
  EXPECT_EQ(PovDegrees(65535), 0.0f);
  EXPECT_EQ(PovDegrees(0), 360.0f);
  EXPECT_FLOAT_EQ(PovDegrees(9000), 90.0f);
  EXPECT_FLOAT_EQ(PovDegrees(31500), 315.0f);
  EXPECT_FLOAT_EQ(PovDegrees(1), 0.01f);

  using vlm::platform::PovFromHat;
  EXPECT_EQ(PovFromHat(kHatCentered), 65535u);
  EXPECT_EQ(PovFromHat(kHatUp), 0u);
  EXPECT_EQ(PovFromHat(kHatRightUp), 4500u);
  EXPECT_EQ(PovFromHat(kHatRight), 9000u);
  EXPECT_EQ(PovFromHat(kHatRightDown), 13500u);
  EXPECT_EQ(PovFromHat(kHatDown), 18000u);
  EXPECT_EQ(PovFromHat(kHatLeftDown), 22500u);
  EXPECT_EQ(PovFromHat(kHatLeft), 27000u);
  EXPECT_EQ(PovFromHat(kHatLeftUp), 31500u);
  EXPECT_EQ(PovFromHat(kHatUp | kHatDown), 65535u);
  EXPECT_EQ(PovDegrees(PovFromHat(kHatUp)), 360.0f);
  EXPECT_EQ(PovDegrees(PovFromHat(kHatCentered)), 0.0f);
}

TEST(JoystickButtons, StateBitsFollowPressHoldAndRelease) {
  vlm::JoystickRecord joy;
  vlm::input::UpdateButtons(joy, 0b101, 1000, 500);
  EXPECT_EQ(joy.buttonState[0], vlm::kJoyButtonDown | vlm::kJoyButtonPushed);
  EXPECT_EQ(joy.buttonState[1], 0);
  EXPECT_EQ(joy.buttonState[2], vlm::kJoyButtonDown | vlm::kJoyButtonPushed);
  EXPECT_EQ(joy.pressTime[0], 1000);
  EXPECT_EQ(joy.previousButtons, 0b101u);

  vlm::input::UpdateButtons(joy, 0b001, 1400, 500);
  EXPECT_EQ(joy.buttonState[0], vlm::kJoyButtonDown);
  EXPECT_EQ(joy.buttonState[2], vlm::kJoyButtonReleased);
  EXPECT_EQ(joy.pressTime[0], 1000);

  // Held bit once the hold exceeds the double-click time, not at it.
  vlm::input::UpdateButtons(joy, 0b001, 1500, 500);
  EXPECT_EQ(joy.buttonState[0], vlm::kJoyButtonDown);
  vlm::input::UpdateButtons(joy, 0b001, 1501, 500);
  EXPECT_EQ(joy.buttonState[0], vlm::kJoyButtonDown | vlm::kJoyButtonHeld);
  EXPECT_EQ(joy.buttonState[2], 0);

  vlm::input::UpdateButtons(joy, 0, 1600, 500);
  EXPECT_EQ(joy.buttonState[0], vlm::kJoyButtonReleased);
  vlm::input::UpdateButtons(joy, 0, 1700, 500);
  EXPECT_EQ(joy.buttonState[0], 0);

  // Button 15 is the last one; bits above it are not buttons.
  vlm::input::UpdateButtons(joy, 0x18000u, 2000, 500);
  EXPECT_EQ(joy.buttonState[15], vlm::kJoyButtonDown | vlm::kJoyButtonPushed);
}

TEST(JoystickPoll, AxesTheDeviceLacksReadZero) {
  vlm::JoystickRecord joy;
  for (int a = 0; a < vlm::kJoystickAxes; ++a) {
    joy.caps.axisMin[a] = 0;
    joy.caps.axisMax[a] = 100;
  }
  joy.caps.flags = vlm::kJoyHasZ | vlm::kJoyHasV;
  joy.deadZone[1] = 0.3f;
  vlm::JoystickRawState raw;
  const int32_t values[6] = {75, 60, 0, 100, 100, 25};
  for (int a = 0; a < 6; ++a) raw.axis[a] = values[a];
  raw.pov = 18000;
  vlm::input::ApplyPoll(joy, raw, 0, 500);
  EXPECT_FLOAT_EQ(joy.axis[0], 0.5f);
  EXPECT_EQ(joy.axis[1], 0.0f);  // 0.2 is inside the dead zone 0.3
  EXPECT_FLOAT_EQ(joy.axis[2], -1.0f);
  EXPECT_EQ(joy.axis[3], 0.0f);  // no R axis
  EXPECT_EQ(joy.axis[4], 0.0f);  // no U axis
  EXPECT_FLOAT_EQ(joy.axis[5], -0.5f);
  EXPECT_FLOAT_EQ(joy.pov, 180.0f);
}

// A virtual joystick read through the engine's procedures.
class VirtualJoystickTest : public vlmtest::InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    vlm::testing::VirtualPadShape shape;
    shape.axes = 4;
    shape.buttons = 20;
    shape.hats = 1;
    shape.vendorId = 0x1234;
    shape.productId = 0xABCD;
    shape.name = "Velmora Test Pad";
    device_ = vlm::testing::AttachVirtualPad(shape);
    ASSERT_GE(device_, 0) << vlm::testing::LastError();
    pad_ = vlm::testing::OpenVirtualPad(device_);
    ASSERT_GE(pad_, 0) << vlm::testing::LastError();
    ASSERT_GE(VLM_InitJoysticks(), 1);
    for (int n = 0; n < VLM_JoystickCount(); ++n)
      if (std::string(VLM_JoystickName(n)) == "Velmora Test Pad") number_ = n;
    ASSERT_GE(number_, 0);
  }

  void TearDown() override {
    if (pad_ >= 0) vlm::testing::CloseVirtualPad(pad_);
    if (device_ >= 0) vlm::testing::DetachVirtualPad(device_);
    InputTest::TearDown();
  }

  int device_ = -1;
  int pad_ = -1;  // opened device
  int number_ = -1;
};

TEST_F(VirtualJoystickTest, CapabilitiesComeFromTheDevice) {
  const vlm::JoystickRecord& rec = vlm::Input().joysticks[number_];
  EXPECT_EQ(rec.caps.manufacturerId, 0x1234);
  EXPECT_EQ(rec.caps.productId, 0xABCD);
  EXPECT_EQ(rec.caps.buttonCount, 20);
  EXPECT_EQ(rec.caps.flags, vlm::kJoyHasZ | vlm::kJoyHasR | vlm::kJoyHasPov);
  EXPECT_EQ(rec.caps.axisMin[0], -32768);
  EXPECT_EQ(rec.caps.axisMax[5], 32767);
}

TEST_F(VirtualJoystickTest, PollReadsAxesButtonsAndHat) {
  ASSERT_TRUE(SetVirtualAxis(pad_, 0, 32767));
  ASSERT_TRUE(SetVirtualAxis(pad_, 1, -32768));
  ASSERT_TRUE(SetVirtualAxis(pad_, 2, 16384));
  ASSERT_TRUE(SetVirtualAxis(pad_, 3, -1000));
  ASSERT_TRUE(SetVirtualButton(pad_, 3, true));
  ASSERT_TRUE(SetVirtualButton(pad_, 17, true));  // beyond the 16 buttons
  ASSERT_TRUE(SetVirtualHat(pad_, 0, kHatUp));
  VLM_ExamineJoysticks();

  EXPECT_FLOAT_EQ(VLM_JoystickAxis(number_, 0, 0), 1.0f);
  EXPECT_FLOAT_EQ(VLM_JoystickAxis(number_, 1, 0), -1.0f);
  EXPECT_FLOAT_EQ(VLM_JoystickAxis(number_, 2, 0), 32769.0f / 65535.0f);  // 49152 * 2 / 65535 - 1
  EXPECT_FLOAT_EQ(VLM_JoystickAxis(number_, 2, 0.5f), 0.5f);
  EXPECT_FLOAT_EQ(VLM_JoystickAxis(number_, 3, 0), -1999.0f / 65535.0f);  // 31768 * 2 / 65535 - 1
  EXPECT_EQ(VLM_JoystickAxis(number_, 4, 0), 0.0f);
  EXPECT_EQ(VLM_JoystickPOV(number_), 360.0f);
  EXPECT_EQ(VLM_JoystickButton(number_, 3), VLM_JOYBUTTON_DOWN | VLM_JOYBUTTON_PUSHED);
  EXPECT_EQ(VLM_JoystickButtonDown(number_, 3), 1);
  EXPECT_EQ(VLM_JoystickButton(number_, 2), 0);
  EXPECT_EQ(vlm::Input().joysticks[number_].previousButtons, 1u << 3);

  // A dead zone on all axes swallows the small R value.
  VLM_SetJoystickDeadZone(number_, -1, 0.05f);
  ASSERT_TRUE(SetVirtualButton(pad_, 3, false));
  ASSERT_TRUE(SetVirtualHat(pad_, 0, kHatCentered));
  VLM_ExamineJoysticks();
  EXPECT_EQ(VLM_JoystickAxis(number_, 3, 0), 0.0f);
  EXPECT_FLOAT_EQ(VLM_JoystickAxis(number_, 0, 0), 1.0f);
  EXPECT_EQ(VLM_JoystickPOV(number_), 0.0f);
  EXPECT_EQ(VLM_JoystickButton(number_, 3), VLM_JOYBUTTON_RELEASED);
  EXPECT_EQ(VLM_JoystickButtonReleased(number_, 3), 1);
  EXPECT_EQ(VLM_JoystickButtonDown(number_, 3), 0);

  ASSERT_TRUE(SetVirtualHat(pad_, 0, kHatLeft));
  VLM_ExamineJoysticks();
  EXPECT_FLOAT_EQ(VLM_JoystickPOV(number_), 270.0f);
  EXPECT_EQ(VLM_JoystickButton(number_, 3), 0);
}

TEST_F(VirtualJoystickTest, DetachedDeviceKeepsItsLastValues) {
  ASSERT_TRUE(SetVirtualAxis(pad_, 0, 32767));
  ASSERT_TRUE(SetVirtualButton(pad_, 0, true));
  VLM_ExamineJoysticks();
  ASSERT_EQ(VLM_JoystickButton(number_, 0), VLM_JOYBUTTON_DOWN | VLM_JOYBUTTON_PUSHED);
  vlm::testing::CloseVirtualPad(pad_);
  pad_ = -1;
  ASSERT_TRUE(vlm::testing::DetachVirtualPad(device_));
  device_ = -1;
  VLM_ExamineJoysticks();
  EXPECT_FLOAT_EQ(VLM_JoystickAxis(number_, 0, 0), 1.0f);
  EXPECT_EQ(VLM_JoystickButton(number_, 0), VLM_JOYBUTTON_DOWN | VLM_JOYBUTTON_PUSHED);
}

TEST_F(VirtualJoystickTest, UnknownNumbersGiveZeroAndAFailureRow) {
  vlmtest::TempDir dir;
  const std::string log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  const int count = VLM_JoystickCount();
  EXPECT_EQ(VLM_JoystickAxis(count, 0, 0), 0.0f);
  EXPECT_EQ(VLM_JoystickAxis(-1, 0, 0), 0.0f);
  EXPECT_STREQ(VLM_JoystickName(count), "");
  EXPECT_EQ(VLM_JoystickPOV(16), 0.0f);
  EXPECT_EQ(VLM_JoystickButton(number_, 16), 0);
  EXPECT_EQ(VLM_JoystickAxis(number_, 6, 0), 0.0f);
  EXPECT_EQ(VLM_SetJoystickDeadZone(number_, 8, 0.5f), 0);
  VLM_SetJoystickDeadZone(number_, 7, 0.5f);
  EXPECT_EQ(vlm::Input().joysticks[number_].deadZone[7], 0.5f);
  EXPECT_EQ(vlm::Input().joysticks[number_].deadZone[6], 0.0f);
  // Not-a-number, infinity and zones outside 0 .. 1 are refused, on one axis
  // or on all.
  EXPECT_EQ(VLM_SetJoystickDeadZone(number_, 7, std::nanf("")), 0);
  EXPECT_EQ(VLM_SetJoystickDeadZone(number_, -1, HUGE_VALF), 0);
  EXPECT_EQ(VLM_SetJoystickDeadZone(number_, -1, -1e30f), 0);
  EXPECT_EQ(VLM_SetJoystickDeadZone(number_, 7, 1.5f), 0);
  EXPECT_EQ(vlm::Input().joysticks[number_].deadZone[7], 0.5f);
  EXPECT_EQ(vlm::Input().joysticks[number_].deadZone[0], 0.0f);
  const std::string body = vlmtest::LogBody(log);
  EXPECT_NE(body.find(vlmtest::FailRow("VLM_SetJoystickDeadZone", "Fail: Numbers must be finite!") +
                      vlmtest::FailRow("VLM_SetJoystickDeadZone", "Fail: Numbers must be finite!") +
                      vlmtest::FailRow("VLM_SetJoystickDeadZone", "Fail: A dead zone must lie between 0 and 1!") +
                      vlmtest::FailRow("VLM_SetJoystickDeadZone", "Fail: A dead zone must lie between 0 and 1!")),
            std::string::npos);
  EXPECT_NE(body.find("Fail: There is no joystick with this number!"), std::string::npos);
  EXPECT_NE(body.find("Fail: Joystick button out of range (0-15)!"), std::string::npos);
  EXPECT_NE(body.find("Fail: Joystick axis out of range (0-5)!"), std::string::npos);
  EXPECT_NE(body.find("Fail: Joystick axis out of range (-1-7)!"), std::string::npos);
}

TEST(JoystickStart, NoWindowSystemMeansNoJoysticks) {
  // Engine start-up without a window system (tools, headless tests) finds none.
  ASSERT_FALSE(vlm::testing::AnySubsystemUp());
  EXPECT_EQ(VLM_InitJoysticks(), 0);
  EXPECT_EQ(VLM_JoystickCount(), 0);
  EXPECT_EQ(VLM_ExamineJoysticks(), 0);
  EXPECT_FALSE(vlm::testing::AnySubsystemUp());
}

}  // namespace
