#pragma once
// The flags the mail worker shares with the window, the report and shutdown, and the
// orders in which they change together. The worker reads them without a lock between
// two stores of one change, so each change stores its flags in the one order that
// leaves nothing wrong to see in between.
#include <atomic>
#include <cstdint>

namespace qp {

struct MailPollFlags {
    std::atomic<int32_t>& StopWorkers;
    std::atomic<int32_t>& PollNow;
    std::atomic<int32_t>& PollBusy;
    std::atomic<int32_t>& ResuspendPending;
};

// The timer woke the machine. PollNow comes first: a worker pass that saw
// ResuspendPending without it would put the machine back to sleep without a check.
template <class Flags>
void RequestWakePoll(Flags&& flags) {
    flags.PollNow = 1;
    flags.ResuspendPending = 1;
}

// Something other than the timer woke the machine. ResuspendPending goes first: a pass
// in between then sees at most an ordinary request for a check.
template <class Flags>
void CancelWakePoll(Flags&& flags) {
    flags.ResuspendPending = 0;
    flags.PollNow = 0;
}

// A check has been reported. PollNow goes first: a pass that saw PollBusy cleared and
// PollNow still set would take the request as not yet served and start a second check.
// The worker reads PollBusy before PollNow, so once it sees PollBusy cleared it sees
// PollNow cleared too.
template <class Flags>
void EndCheck(Flags&& flags) {
    flags.PollNow = 0;
    flags.PollBusy = 0;
}

}  // namespace qp
