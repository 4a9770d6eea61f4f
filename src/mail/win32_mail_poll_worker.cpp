#include "mail/win32_mail_poll_worker.h"

#include <optional>

#include "mail/mail_poll_loop.h"
#include "mail/mail_status_order.h"
#include "mail/win32_mail_library.h"
#include "mail/win32_mail_report.h"
#include "mail/win32_power.h"
#include "mail/win32_status_strip.h"
#include "settings/settings.h"
#include "shared/process_state.h"
#include "win32/thread_wait.h"
#include "win32/unique_handle.h"
#include "win32/wait_cursor.h"

namespace qp {

bool Win32PollEvent::Wait(uint32_t timeoutMs) {
    return WaitForSingleObject(MailPollEvent.get(), timeoutMs) == WAIT_OBJECT_0;
}

void Win32PollEvent::Signal() { SetEvent(MailPollEvent.get()); }

MailPollFlags TheMailPollFlags() { return {StopWorkers, PollNow, PollBusy, ResuspendPending}; }

CheckRequests& TheCheckRequests() {
    static CheckRequests* const requests = new CheckRequests;
    return *requests;
}

namespace {

// Used by the worker's thread alone. GetTickCount (GetTickCount64 needs a later Windows)
// wraps after 49.7 days; counting the wraps seen keeps the value from going back, which
// is all the retries after a resume need.
class SleepClock : public PollClock {
public:
    void Pause(uint32_t ms) override { Sleep(ms); }
    uint64_t NowMs() override {
        const DWORD now = GetTickCount();
        if (now < last_) wraps_ += uint64_t{1} << 32;
        last_ = now;
        return wraps_ | now;
    }

private:
    DWORD last_ = 0;
    uint64_t wraps_ = 0;
};

// The worker's texts come with the wait cursor while they are written.
class WorkerStatusStrip : public Win32StatusStrip {
public:
    void Show(const std::string& text) override {
        WaitCursor wait;
        Win32StatusStrip::Show(text);
    }
};

class MailPollWorker {
public:
    bool Start(DevicePort& device) {
        if (thread_) return true;
        UseDeviceForMailReports(device);
        loop_.emplace(TheSettings(), TheMailPollFlags(),
                      MailPollServices{event_, clock_, library_, device, power_, status_,
                                       TheCheckRequests()}, gate_,
                      TheMailStatusOrder(), &MailCheckCallback);
        thread_.reset(CreateThread(nullptr, 0, &MailPollWorker::Main, this, 0, nullptr));
        return static_cast<bool>(thread_);
    }

    void StopAndWake() {
        gate_.Stop();
        event_.Signal();
    }

    bool Stop(DWORD timeoutMs) {
        if (!thread_) return true;
        if (!WaitWhileAnsweringSentMessages(thread_.get(), timeoutMs)) return false;
        thread_.reset();
        return true;
    }

private:
    static DWORD WINAPI Main(void* self) { return static_cast<MailPollWorker*>(self)->loop_->Run(); }

    Win32PollEvent event_;
    SleepClock clock_;
    Win32MailLibrary library_;
    Win32PowerPort power_;
    WorkerStatusStrip status_;
    MailCheckGate gate_{StopWorkers};
    std::optional<MailPollLoop> loop_;
    UniqueHandle thread_;
};

// Never destroyed: a worker that outlived the bounded wait at shutdown still uses it.
MailPollWorker& TheWorker() {
    static MailPollWorker* const worker = new MailPollWorker;
    return *worker;
}

}  // namespace

bool StartMailPollWorker(DevicePort& device) { return TheWorker().Start(device); }
void StopWorkersAndWake() { TheWorker().StopAndWake(); }
bool StopMailPollWorker(DWORD timeoutMs) { return TheWorker().Stop(timeoutMs); }

}  // namespace qp
