// The hot-key worker steps the volume while the window's thread handles the timer and
// closes the mixer. Built under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "device/device_codes.h"
#include "device/volume_control.h"
#include "fakes/fake_device_port.h"
#include "fakes/fake_mixer.h"
#include "fakes/fake_volume_timer.h"

namespace qp {
namespace {

using test::FakeDevicePort;
using test::FakeMixer;
using test::FakeVolumeTimer;

TEST(VolumeControlConcurrencyTest, StepsTimerAndCloseNeverOverlap) {
    FakeMixer mixer;
    FakeVolumeTimer timer;
    FakeDevicePort device;
    VolumeControl volume(mixer, timer, device);
    ASSERT_TRUE(volume.InitVolume());

    std::atomic<bool> started{false};
    std::atomic<int> steps{0};
    std::thread worker([&] {
        for (int i = 0; i < 20000; ++i) {
            (i % 3) ? volume.VolumeUp() : volume.VolumeDown();
            steps = i + 1;
            started = true;
        }
    });
    while (!started) std::this_thread::yield();
    for (int i = 0; i < 200; ++i) volume.OnTimerExpired();
    while (steps < 500) std::this_thread::yield();
    EXPECT_TRUE(volume.CloseMixer());
    worker.join();

    EXPECT_EQ(mixer.closes, 1);
    EXPECT_EQ(mixer.callsWhileClosedOrWrongId, 0);
    int levels = 0, ends = 0;
    for (uint32_t command : device.Commands()) {
        if (command == kEndNotice) ++ends;
        else if (command <= kTopVolumeLevel) ++levels;
        else ADD_FAILURE() << "unexpected command " << command;
    }
    EXPECT_EQ(ends, 200);
    EXPECT_EQ(levels, mixer.writes.load());
    EXPECT_EQ(timer.restarts, levels);
}

}  // namespace
}  // namespace qp
