#include "device/hotkey_actions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "device/button_dispatch.h"
#include "fakes/fake_device_port.h"
#include "fakes/fake_launcher.h"
#include "fakes/fake_mixer.h"
#include "fakes/fake_volume_timer.h"

namespace qp {
namespace {

using test::FakeDevicePort;
using test::FakeLauncher;
using test::FakeMixer;
using test::FakeVolumeTimer;
using Launches = std::vector<std::string>;

class HotkeyActionsTest : public ::testing::Test {
protected:
    void SetSlots(std::array<std::string, 4> files, std::string param = "") {
        settings.Modify([&](Settings& s) {
            s.ProgramFile = files;
            s.Param = param;
        });
    }
    void Press(uint32_t code) {
        device.Press(code);
        PollHardwareButtons(device, actions);
    }

    SettingsStore settings;
    FakeLauncher launcher;
    FakeMixer mixer;
    FakeVolumeTimer timer;
    FakeDevicePort device;
    VolumeControl volume{mixer, timer, device};
    HotkeyActions actions{settings, launcher, volume};
};

TEST_F(HotkeyActionsTest, MediaButtonWithSlot0EmptyStartsOnlyThePlayer) {
    SetSlots({"", "C:\\one.exe", "C:\\two.exe", "C:\\three.exe"}, "/play");
    Press(129);
    EXPECT_EQ(launcher.Launches(), (Launches{"player /play"}));
}

TEST_F(HotkeyActionsTest, MediaButtonWithSlot0StartsItHiddenThenThePlayer) {
    SetSlots({"C:\\zero.exe", "", "", ""});
    Press(129);
    EXPECT_EQ(launcher.Launches(), (Launches{"hidden C:\\zero.exe", "player "}));
}

TEST_F(HotkeyActionsTest, Code132StartsSlot3Hidden) {
    SetSlots({"C:\\zero.exe", "C:\\one.exe", "C:\\two.exe", "C:\\three.exe"});
    Press(132);
    EXPECT_EQ(launcher.Launches(), (Launches{"hidden C:\\three.exe"}));
}

TEST_F(HotkeyActionsTest, Code132WithSlot3EmptyDoesNothing) {
    SetSlots({"C:\\zero.exe", "C:\\one.exe", "C:\\two.exe", ""});
    Press(132);
    EXPECT_TRUE(launcher.Launches().empty());
}

TEST_F(HotkeyActionsTest, NoCodeStartsSlots1Or2) {
    SetSlots({"", "C:\\one.exe", "C:\\two.exe", ""});
    for (uint32_t code = 0; code < 300; ++code) Press(code);
    for (const std::string& launch : launcher.Launches())
        EXPECT_EQ(launch.rfind("player", 0), 0u) << launch;
}

TEST_F(HotkeyActionsTest, ASlotOutsideTheFourLaunchesNothing) {
    SetSlots({"C:\\zero.exe", "C:\\one.exe", "C:\\two.exe", "C:\\three.exe"});
    actions.LaunchSlotHidden(-1);
    actions.LaunchSlotHidden(4);
    EXPECT_TRUE(launcher.Launches().empty());
}

TEST_F(HotkeyActionsTest, TheSlotIsReadAtThePressNotBefore) {
    SetSlots({"", "", "", "C:\\old.exe"});
    Press(132);
    SetSlots({"", "", "", "C:\\new.exe"});
    Press(132);
    EXPECT_EQ(launcher.Launches(), (Launches{"hidden C:\\old.exe", "hidden C:\\new.exe"}));
}

TEST_F(HotkeyActionsTest, VolumeButtonsStepTheVolumeControl) {
    volume.InitVolume();
    mixer.value = 0;
    Press(130);
    EXPECT_EQ(mixer.value, 2621u);
    Press(131);
    EXPECT_EQ(mixer.value, 0u);
    EXPECT_EQ(device.Commands(), (std::vector<uint32_t>{1, 0}));
    EXPECT_TRUE(launcher.Launches().empty());
}

// The window replaces slot paths while the worker launches them: every launch must see
// one whole path, old or new, never a mix.
TEST_F(HotkeyActionsTest, PathsReplacedDuringPressesAreSeenWhole) {
    const std::string a(300, 'a');
    const std::string b(200, 'b');
    SetSlots({"", "", "", a});
    std::atomic<bool> done{false};
    std::thread window([&] {
        for (int i = 0; i < 2000; ++i) SetSlots({"", "", "", (i % 2) ? a : b});
        done = true;
    });
    int presses = 0;
    while (!done || presses < 50) {
        Press(132);
        ++presses;
    }
    window.join();
    const Launches launches = launcher.Launches();
    ASSERT_EQ(launches.size(), static_cast<size_t>(presses));
    for (const std::string& launch : launches)
        EXPECT_TRUE(launch == "hidden " + a || launch == "hidden " + b) << launch.size();
}

}  // namespace
}  // namespace qp
