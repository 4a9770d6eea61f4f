#pragma once
// A DevicePort with a queue of pending button codes and a log of the commands sent.
// Thread-safe, so a test can drive it from several threads.
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "device/device_port.h"

namespace qp::test {

class FakeDevicePort : public DevicePort {
public:
    bool IsOpen() const override { return open; }
    uint32_t ReadButtonCode() override {
        std::lock_guard<std::mutex> hold(lock_);
        ++reads_;
        if (pending_.empty()) return 0;
        uint32_t code = pending_.front();
        pending_.pop_front();
        return code;
    }
    uint32_t SendCommand(uint32_t command) override {
        std::lock_guard<std::mutex> hold(lock_);
        commands_.push_back(command);
        return command == 128 ? powerReply : 0;
    }

    void Press(uint32_t code) {
        std::lock_guard<std::mutex> hold(lock_);
        pending_.push_back(code);
    }
    std::vector<uint32_t> Commands() const {
        std::lock_guard<std::mutex> hold(lock_);
        return commands_;
    }
    int Reads() const {
        std::lock_guard<std::mutex> hold(lock_);
        return reads_;
    }

    bool open = true;
    uint32_t powerReply = 0;

private:
    mutable std::mutex lock_;
    std::deque<uint32_t> pending_;
    std::vector<uint32_t> commands_;
    int reads_ = 0;
};

}  // namespace qp::test
