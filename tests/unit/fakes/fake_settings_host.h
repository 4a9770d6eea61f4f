#pragma once
// A SettingsHost that records what a Load asked of it. ApplyLock takes a copy of
// the store at the moment it is called, so tests can see what was committed by then.
#include <functional>
#include <string>
#include <vector>

#include "settings/settings_transfer.h"

namespace qp::test {

class FakeSettingsHost : public SettingsHost {
public:
    explicit FakeSettingsHost(const SettingsStore& store) : store_(store) {}

    void ApplyLock() override {
        lockCalls.push_back(store_.Copy());
        if (duringLock) duringLock();
    }
    std::string CurrentTimeStamp() override {
        ++stampCalls;
        return stamp;
    }

    std::string stamp = "2024/05/06 07:08";  // what CurrentTimeStamp answers
    std::vector<Settings> lockCalls;  // the store as ApplyLock saw it, once per call
    int stampCalls = 0;
    // Runs inside ApplyLock, as the window's handlers may while its message box is up.
    std::function<void()> duringLock;

private:
    const SettingsStore& store_;
};

}  // namespace qp::test
