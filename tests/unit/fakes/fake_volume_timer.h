#pragma once
// A VolumeTimer that only counts what was asked of it.
#include <atomic>

#include "device/volume_timer.h"

namespace qp::test {

class FakeVolumeTimer : public VolumeTimer {
public:
    void Restart() override {
        ++restarts;
        armed = true;
    }
    void Kill() override {
        ++kills;
        armed = false;
    }

    std::atomic<int> restarts{0}, kills{0};
    std::atomic<bool> armed{false};
};

}  // namespace qp::test
