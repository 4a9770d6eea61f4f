#pragma once
// Fakes of the mail worker's seams: MailPollEvent, the clock, the mail library, the
// power calls and the status strip. Thread-safe, so a test can run the worker on a
// thread of its own.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "mail/mail_poll_ports.h"
#include "mail/suspend_wake.h"

namespace qp::test {

// Auto-reset like the real event. With timesOut set a wait returns at once, as if its
// period had passed; otherwise it blocks until a signal.
class FakePollEvent : public PollEvent {
public:
    bool Wait(uint32_t timeoutMs) override {
        std::unique_lock<std::mutex> hold(lock_);
        waits_.push_back(timeoutMs);
        changed_.wait(hold, [this] { return signalled_ || timesOut; });
        return std::exchange(signalled_, false);
    }
    void Signal() override {
        std::lock_guard<std::mutex> hold(lock_);
        signalled_ = true;
        ++signals_;
        changed_.notify_all();
    }
    std::vector<uint32_t> Waits() const {
        std::lock_guard<std::mutex> hold(lock_);
        return waits_;
    }
    int Signals() const {
        std::lock_guard<std::mutex> hold(lock_);
        return signals_;
    }
    bool Pending() const {
        std::lock_guard<std::mutex> hold(lock_);
        return signalled_;
    }

    std::atomic<bool> timesOut{false};

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    bool signalled_ = false;
    int signals_ = 0;
    std::vector<uint32_t> waits_;
};

class FakePollClock : public PollClock {
public:
    void Pause(uint32_t ms) override {
        lastPauseMs = ms;
        ++pauses;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    uint64_t NowMs() override { return nowMs; }
    std::atomic<int> pauses{0};
    std::atomic<uint64_t> nowMs{0};
    std::atomic<uint32_t> lastPauseMs{0};
};

// Keeps a copy of every request's texts; answers startResult, or runs onStart.
class FakeMailLibrary : public MailLibraryPort {
public:
    struct Call {
        int32_t serverType;
        std::string host, user, password, since;
        int32_t reserved;
        vrxmail::MailCallback callback;
    };

    bool HasGetNewMail() const override { return present; }
    int32_t GetNewMail(vrxmail::MailRequest* request) override {
        {
            std::lock_guard<std::mutex> hold(lock_);
            calls_.push_back({request->serverType, request->host, request->user,
                              request->password, request->sinceStamp, request->reserved,
                              request->callback});
        }
        if (onStart) onStart();
        return startResult;
    }
    std::vector<Call> Calls() const {
        std::lock_guard<std::mutex> hold(lock_);
        return calls_;
    }
    size_t CallCount() const { return Calls().size(); }

    std::atomic<bool> present{true};
    std::atomic<int32_t> startResult{0};
    std::function<void()> onStart;  // set before the worker runs

private:
    mutable std::mutex lock_;
    std::vector<Call> calls_;
};

class FakePower : public PowerPort {
public:
    enum Kind { IdleWait, Suspend, Hibernate };
    void WaitForInputIdle() override {
        Record(IdleWait);
        if (onIdleWait) onIdleWait();
    }
    bool SetSystemPowerState(bool suspend) override {
        Record(suspend ? Suspend : Hibernate);
        if (onPowerState) onPowerState();
        return !refuses;
    }
    void StaysAwake() override { ++staysAwake; }
    std::vector<Kind> Calls() const {
        std::lock_guard<std::mutex> hold(lock_);
        return calls_;
    }

    std::atomic<bool> refuses{false};
    std::atomic<int> staysAwake{0};
    std::function<void()> onIdleWait;    // set before the worker runs
    std::function<void()> onPowerState;  // set before the worker runs

private:
    void Record(Kind kind) {
        std::lock_guard<std::mutex> hold(lock_);
        calls_.push_back(kind);
    }
    mutable std::mutex lock_;
    std::vector<Kind> calls_;
};

class FakeStatusStrip : public StatusStripPort {
public:
    void Show(const std::string& text) override {
        std::lock_guard<std::mutex> hold(lock_);
        texts_.push_back(text);
    }
    std::vector<std::string> Texts() const {
        std::lock_guard<std::mutex> hold(lock_);
        return texts_;
    }
    std::string Last() const {
        std::lock_guard<std::mutex> hold(lock_);
        return texts_.empty() ? std::string() : texts_.back();
    }

private:
    mutable std::mutex lock_;
    std::vector<std::string> texts_;
};

class FakeWakeTimer : public WakeTimerPort {
public:
    void Arm(int64_t dueTime) override { armed.push_back(dueTime); }
    bool Fired(uint32_t waitMs) override {
        testedMs.push_back(waitMs);
        return fires;
    }
    std::vector<int64_t> armed;
    std::vector<uint32_t> testedMs;
    bool fires = false;
};

}  // namespace qp::test
