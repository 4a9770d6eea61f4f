#include "device/volume_control.h"

#include <gtest/gtest.h>

#include <vector>

#include "fakes/fake_device_port.h"
#include "fakes/fake_mixer.h"
#include "fakes/fake_volume_timer.h"

namespace qp {
namespace {

using test::FakeDevicePort;
using test::FakeMixer;
using test::FakeVolumeTimer;
using Commands = std::vector<uint32_t>;

class VolumeControlTest : public ::testing::Test {
protected:
    FakeMixer mixer;
    FakeVolumeTimer timer;
    FakeDevicePort device;
    VolumeControl volume{mixer, timer, device};
};

TEST_F(VolumeControlTest, TwentySixPressesUpFromZeroReachTheTop) {
    ASSERT_TRUE(volume.InitVolume());
    mixer.value = 0;
    Commands expectedLevels;
    for (uint32_t press = 1; press <= 26; ++press) {
        volume.VolumeUp();
        const uint32_t expectedValue = press <= 25 ? 2621 * press : 65535;
        EXPECT_EQ(mixer.value, expectedValue) << "press " << press;
        expectedLevels.push_back(press <= 25 ? press : 25);
    }
    EXPECT_EQ(device.Commands(), expectedLevels);
    EXPECT_EQ(timer.restarts, 26);
}

TEST_F(VolumeControlTest, ThreeStepsDownFromTheTopReport24_23_22) {
    ASSERT_TRUE(volume.InitVolume());
    mixer.value = 65535;
    for (int i = 0; i < 3; ++i) volume.VolumeDown();
    EXPECT_EQ(device.Commands(), (Commands{24, 23, 22}));
    EXPECT_EQ(mixer.value, 65535u - 3 * 2621);
}

TEST_F(VolumeControlTest, DownAtTheMinimumWritesTheMinimumAgain) {
    ASSERT_TRUE(volume.InitVolume());
    mixer.value = 0;
    volume.VolumeDown();
    EXPECT_EQ(mixer.value, 0u);
    EXPECT_EQ(mixer.writes, 1);
    EXPECT_EQ(device.Commands(), (Commands{0}));
    EXPECT_EQ(timer.restarts, 1);
}

TEST_F(VolumeControlTest, DownNearARaisedMinimumStopsAtIt) {
    mixer.minimum = 1000;
    mixer.maximum = 3500;  // step 100
    mixer.value = 1050;
    ASSERT_TRUE(volume.InitVolume());
    volume.VolumeDown();
    EXPECT_EQ(mixer.value, 1000u);
    EXPECT_EQ(device.Commands(), (Commands{10}));
}

TEST_F(VolumeControlTest, UpAtTheMaximumWritesTheMaximumAndReportsTheTopLevel) {
    ASSERT_TRUE(volume.InitVolume());
    mixer.value = 65535;
    volume.VolumeUp();
    EXPECT_EQ(mixer.value, 65535u);
    EXPECT_EQ(device.Commands(), (Commands{25}));
    EXPECT_EQ(timer.restarts, 1);
}

TEST_F(VolumeControlTest, AControlReportingMaximumZeroIsTakenAs0To65535) {
    mixer.maximum = 0;
    ASSERT_TRUE(volume.InitVolume());
    EXPECT_EQ(volume.State().range.maximum, 65535u);
    EXPECT_EQ(volume.State().range.step, 2621u);
    mixer.value = 0;
    volume.VolumeUp();
    EXPECT_EQ(mixer.value, 2621u);
    EXPECT_EQ(device.Commands(), (Commands{1}));
}

TEST_F(VolumeControlTest, AFailedWriteSendsNoLevelAndDoesNotRestartTheTimer) {
    ASSERT_TRUE(volume.InitVolume());
    mixer.value = 2621;
    volume.VolumeUp();  // arms the timer once
    mixer.failWrite = true;
    volume.VolumeUp();
    EXPECT_FALSE(volume.SetVolume(0));
    EXPECT_EQ(device.Commands(), (Commands{2}));
    EXPECT_EQ(timer.restarts, 1);
    EXPECT_EQ(timer.kills, 0);
}

TEST_F(VolumeControlTest, AFailedReadStepsFromTheValueLastRead) {
    ASSERT_TRUE(volume.InitVolume());
    mixer.value = 2621 * 4;
    volume.VolumeUp();  // reads 4 steps, writes 5
    mixer.failRead = true;
    mixer.value = 0;    // changed elsewhere, but cannot be read now
    volume.VolumeUp();  // steps from the 4 steps it last read
    EXPECT_EQ(mixer.value, 2621u * 5);
    EXPECT_EQ(device.Commands(), (Commands{5, 5}));
    EXPECT_EQ(volume.State().current, 2621u * 4);
}

TEST_F(VolumeControlTest, GetVolumeLeavesTheValueAloneWhenTheReadFails) {
    ASSERT_TRUE(volume.InitVolume());
    mixer.failRead = true;
    uint32_t value = 1234;
    EXPECT_FALSE(volume.GetVolume(value));
    EXPECT_EQ(value, 1234u);
}

TEST_F(VolumeControlTest, SetVolumeClampsToTheRange) {
    mixer.minimum = 100;
    mixer.maximum = 2600;
    ASSERT_TRUE(volume.InitVolume());
    EXPECT_TRUE(volume.SetVolume(99999));
    EXPECT_EQ(mixer.value, 2600u);
    EXPECT_TRUE(volume.SetVolume(3));
    EXPECT_EQ(mixer.value, 100u);
    EXPECT_EQ(device.Commands(), (Commands{25, 1}));
}

TEST_F(VolumeControlTest, WithNoMixerDeviceTheButtonsDoNothing) {
    mixer.deviceCount = 0;
    EXPECT_TRUE(volume.OpenMixer());
    EXPECT_FALSE(volume.FindMasterVolume());
    volume.VolumeUp();
    volume.VolumeDown();
    EXPECT_FALSE(volume.SetVolume(5));
    EXPECT_EQ(mixer.opens, 0);
    EXPECT_EQ(mixer.reads + mixer.writes, 0);
    EXPECT_TRUE(device.Commands().empty());
    EXPECT_EQ(timer.restarts, 0);
    EXPECT_TRUE(volume.CloseMixer());
    EXPECT_EQ(mixer.closes, 0);
}

TEST_F(VolumeControlTest, AMixerThatWillNotOpenLeavesTheButtonsDoingNothing) {
    mixer.failOpen = true;
    EXPECT_FALSE(volume.InitVolume());
    volume.VolumeUp();
    EXPECT_EQ(mixer.writes, 0);
    EXPECT_TRUE(device.Commands().empty());
}

TEST_F(VolumeControlTest, FailedCapabilitiesLeaveTheMixerOpenAndTheControlIsStillFound) {
    mixer.failCapabilities = true;
    EXPECT_FALSE(volume.OpenMixer());
    EXPECT_TRUE(volume.FindMasterVolume());
    mixer.value = 0;
    volume.VolumeUp();
    EXPECT_EQ(device.Commands(), (Commands{1}));
    EXPECT_TRUE(volume.CloseMixer());
    EXPECT_EQ(mixer.closes, 1);
}

TEST_F(VolumeControlTest, WithoutASpeakersVolumeTheButtonsWriteNothing) {
    mixer.hasSpeakersVolume = false;
    EXPECT_FALSE(volume.InitVolume());
    volume.VolumeUp();
    volume.VolumeDown();
    EXPECT_EQ(mixer.reads + mixer.writes, 0);
    EXPECT_TRUE(device.Commands().empty());
    EXPECT_EQ(timer.restarts, 0);
}

TEST_F(VolumeControlTest, ARangeWithNoRoomWritesNothing) {
    mixer.minimum = 500;
    mixer.maximum = 500;
    EXPECT_TRUE(volume.InitVolume());
    volume.VolumeUp();
    EXPECT_EQ(mixer.writes, 0);
    EXPECT_TRUE(device.Commands().empty());
}

TEST_F(VolumeControlTest, ANarrowRangeMovesOneUnitPerPress) {
    mixer.maximum = 10;
    mixer.value = 0;
    ASSERT_TRUE(volume.InitVolume());
    for (int i = 0; i < 11; ++i) volume.VolumeUp();
    EXPECT_EQ(mixer.value, 10u);
    const Commands levels = device.Commands();
    ASSERT_EQ(levels.size(), 11u);
    EXPECT_EQ(levels.front(), 2u);
    EXPECT_EQ(levels[9], 25u);
    EXPECT_EQ(levels.back(), 25u);
}

TEST_F(VolumeControlTest, TheTimerExpiryKillsTheTimerAndSends130) {
    ASSERT_TRUE(volume.InitVolume());
    mixer.value = 0;
    volume.VolumeUp();
    volume.VolumeUp();
    volume.OnTimerExpired();
    EXPECT_EQ(device.Commands(), (Commands{1, 2, 130}));
    EXPECT_EQ(timer.restarts, 2);
    EXPECT_EQ(timer.kills, 1);
    EXPECT_FALSE(timer.armed);
}

TEST_F(VolumeControlTest, CloseMixerClosesOnceAndTheButtonsStop) {
    ASSERT_TRUE(volume.InitVolume());
    EXPECT_TRUE(volume.CloseMixer());
    EXPECT_TRUE(volume.CloseMixer());
    EXPECT_EQ(mixer.closes, 1);
    volume.VolumeUp();
    EXPECT_EQ(mixer.writes, 0);
    EXPECT_TRUE(device.Commands().empty());
}

TEST_F(VolumeControlTest, AFailedCloseIsReportedAndTheMixerCountsAsClosed) {
    ASSERT_TRUE(volume.InitVolume());
    mixer.failClose = true;
    EXPECT_FALSE(volume.CloseMixer());
    EXPECT_FALSE(volume.State().open);
    EXPECT_TRUE(volume.CloseMixer());
    EXPECT_EQ(mixer.closes, 1);
}

}  // namespace
}  // namespace qp
