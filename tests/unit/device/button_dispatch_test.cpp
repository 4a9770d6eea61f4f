#include "device/button_dispatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_button_actions.h"
#include "fakes/fake_device_port.h"

namespace qp {
namespace {

using test::FakeButtonActions;
using test::FakeDevicePort;
using Actions = std::vector<std::string>;

Actions ActionsOf(uint32_t code) {
    FakeButtonActions actions;
    DispatchButtonCode(code, actions);
    return actions.actions;
}

TEST(ButtonDispatchTest, MediaButtonLaunchesSlot0HiddenThenThePlayer) {
    EXPECT_EQ(ActionsOf(129), (Actions{"slot0", "player"}));
}

TEST(ButtonDispatchTest, VolumeButtonsStepTheVolume) {
    EXPECT_EQ(ActionsOf(130), (Actions{"up"}));
    EXPECT_EQ(ActionsOf(131), (Actions{"down"}));
}

TEST(ButtonDispatchTest, Code132LaunchesSlot3Hidden) {
    EXPECT_EQ(ActionsOf(132), (Actions{"slot3"}));
}

TEST(ButtonDispatchTest, EveryOtherCodeDoesNothing) {
    for (uint32_t code : {0u, 1u, 25u, 127u, 128u, 133u, 256u + 129u, 0x80000081u, 0xFFFFFFFFu}) {
        FakeButtonActions actions;
        EXPECT_FALSE(DispatchButtonCode(code, actions)) << code;
        EXPECT_TRUE(actions.actions.empty()) << code;
    }
}

TEST(ButtonDispatchTest, APollReadsOnceAndActsOnWhatItRead) {
    FakeDevicePort device;
    FakeButtonActions actions;
    device.Press(132);
    device.Press(130);
    PollHardwareButtons(device, actions);
    EXPECT_EQ(device.Reads(), 1);
    EXPECT_EQ(actions.actions, (Actions{"slot3"}));
}

TEST(ButtonDispatchTest, TheSameCodeOnTwoPollsActsTwice) {
    FakeDevicePort device;
    FakeButtonActions actions;
    device.Press(131);
    device.Press(131);
    PollHardwareButtons(device, actions);
    PollHardwareButtons(device, actions);
    EXPECT_EQ(actions.actions, (Actions{"down", "down"}));
}

TEST(ButtonDispatchTest, APollWithNothingPendingDoesNothing) {
    FakeDevicePort device;
    FakeButtonActions actions;
    PollHardwareButtons(device, actions);
    EXPECT_EQ(device.Reads(), 1);
    EXPECT_TRUE(actions.actions.empty());
}

TEST(ButtonDispatchTest, AClosedDeviceIsNotRead) {
    FakeDevicePort device;
    device.open = false;
    device.Press(129);
    FakeButtonActions actions;
    PollHardwareButtons(device, actions);
    EXPECT_EQ(device.Reads(), 0);
    EXPECT_TRUE(actions.actions.empty());
}

}  // namespace
}  // namespace qp
