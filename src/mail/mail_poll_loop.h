#pragma once
// The decisions of MailPollWorker: when to start a mail check, and when to put the
// machine back to sleep after a wake-up by the wake timer.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include <vrxmail/mail_request.h>

#include "device/device_port.h"
#include "mail/check_requests.h"
#include "mail/mail_poll_flags.h"
#include "mail/mail_poll_ports.h"
#include "mail/mail_status_order.h"
#include "mail/resume_retry.h"
#include "settings/settings.h"

namespace qp {

// Shutdown sets StopWorkers under the lock that the worker holds from its last test
// of the flag until GetNewMail has returned: a check either started before the stop
// (and is there for GetMailAbort) or never starts.
class MailCheckGate {
public:
    explicit MailCheckGate(std::atomic<int32_t>& stopWorkers) : stopWorkers_(stopWorkers) {}
    void Stop() {
        std::lock_guard<std::mutex> hold(lock_);
        stopWorkers_ = 1;
    }
    // Runs start unless the stop has been set; false when it has.
    template <class Start>
    bool StartUnlessStopped(Start start) {
        std::lock_guard<std::mutex> hold(lock_);
        if (stopWorkers_ != 0) return false;
        start();
        return true;
    }

private:
    std::mutex lock_;
    std::atomic<int32_t>& stopWorkers_;
};

struct MailPollServices {
    PollEvent& event;
    PollClock& clock;
    MailLibraryPort& library;
    DevicePort& device;
    PowerPort& power;
    StatusStripPort& status;
    // The watch's and the resume's requests, and how the last check was reported.
    CheckRequests& requests;
};

class MailPollLoop {
public:
    static constexpr const char* kStartText =
        "Start to logon the server and get mails, please wait...";
    static constexpr const char* kNoGetNewMailText = "[GetNewMail(Error)]: GetNewMail is NULL";
    // Between the tests while a wake-up poll is outstanding.
    static constexpr uint32_t kRetestPauseMs = 10;

    MailPollLoop(const SettingsStore& settings, MailPollFlags flags, MailPollServices services,
                 MailCheckGate& gate, MailStatusOrder& order, vrxmail::MailCallback callback)
        : settings_(settings), flags_(flags), services_(services), gate_(gate), order_(order),
          callback_(callback) {}

    // Runs until StopWorkers is seen; returns the thread's exit code, 0.
    int Run();
    // One pass of the loop; false when the worker is to end.
    bool Pass();

    // MailPollTime minutes in milliseconds, held to 1..32767 minutes.
    static uint32_t PeriodMs(int32_t minutes);

private:
    void Resuspend();
    bool StartCheck(Settings settings);
    // A check that cannot start during a wake by the timer ends that wake.
    void GiveUpPoll();
    // While the retries after a resume run, a pass that was not woken starts a check
    // only when the retry is due.
    bool RetryHoldsBack(bool signalled);

    const SettingsStore& settings_;
    MailPollFlags flags_;
    MailPollServices services_;
    MailCheckGate& gate_;
    MailStatusOrder& order_;
    const vrxmail::MailCallback callback_;
    ResumeRetry retry_;
    // The texts the library reads, replaced only while no check is outstanding.
    vrxmail::MailRequest request_{};
    std::string host_, user_, password_, since_;
};

}  // namespace qp
