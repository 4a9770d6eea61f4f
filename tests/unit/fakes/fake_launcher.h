#pragma once
// A Launcher that records each launch as one line: "hidden PATH" or "player PARAMS".
#include <mutex>
#include <string>
#include <vector>

#include "device/launcher.h"

namespace qp::test {

class FakeLauncher : public Launcher {
public:
    void LaunchHidden(const std::string& path) override { Record("hidden " + path); }
    void LaunchMediaPlayer(const std::string& parameters) override { Record("player " + parameters); }

    std::vector<std::string> Launches() const {
        std::lock_guard<std::mutex> hold(lock_);
        return launches_;
    }

private:
    void Record(std::string line) {
        std::lock_guard<std::mutex> hold(lock_);
        launches_.push_back(std::move(line));
    }
    mutable std::mutex lock_;
    std::vector<std::string> launches_;
};

}  // namespace qp::test
