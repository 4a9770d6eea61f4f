#pragma once
// Checks asked for besides the period and PollNow: by the mailbox watch when mail has
// come (or may have come while it was away), and after the machine resumes to stay
// awake. Requests that come while a check is out lead to one more check after it, not
// one each. The report tells the worker how the last check ended, for the retries after
// a resume.
#include <atomic>
#include <cstdint>

#include "mail/mail_poll_ports.h"

namespace qp {

class CheckRequests {
public:
    // Any thread. The worker's next pass starts a check, or the report of the one that
    // is out wakes it for another.
    void Ask(PollEvent& event) {
        pending_ = 1;
        event.Signal();
    }
    // The user-interface thread, on a resume that keeps the machine awake: a check at
    // once, and the retries of one that cannot reach the server.
    void AskAfterResume(PollEvent& event) {
        resumed_ = 1;
        Ask(event);
    }

    // The worker, right before it starts a check: the check serves every request made
    // until now.
    void TakeAll() { pending_ = 0; }
    bool TakeResume() { return resumed_.exchange(0) != 0; }

    // The report, before it ends the check: the result is there before PollBusy is 0.
    void Reported(int32_t resultCode) {
        lastResult_ = resultCode;
        reports_.fetch_add(1);
    }
    // The report, once the check has ended.
    void WakeIfPending(PollEvent& event) {
        if (pending_ != 0) event.Signal();
    }

    uint32_t Reports() const { return reports_; }
    int32_t LastResult() const { return lastResult_; }

private:
    std::atomic<int32_t> pending_{0};
    std::atomic<int32_t> resumed_{0};
    std::atomic<int32_t> lastResult_{0};
    std::atomic<uint32_t> reports_{0};
};

}  // namespace qp
