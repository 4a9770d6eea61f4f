#include "mail/mail_poll_loop.h"

#include <utility>

#include "device/device_codes.h"

namespace qp {

namespace {

// The period is whole minutes; a stored value below one minute would make the worker
// spin, and one above the longest period the settings allow would overflow.
constexpr int32_t kShortestPeriodMinutes = 1;
constexpr int32_t kLongestPeriodMinutes = 32767;

// Replies to the power query.
constexpr uint32_t kLastSuspendReply = 3;
constexpr uint32_t kHibernateReply = 4;

}  // namespace

uint32_t MailPollLoop::PeriodMs(int32_t minutes) {
    if (minutes < kShortestPeriodMinutes) minutes = kShortestPeriodMinutes;
    if (minutes > kLongestPeriodMinutes) minutes = kLongestPeriodMinutes;
    return static_cast<uint32_t>(minutes) * 60000u;
}

int MailPollLoop::Run() {
    while (Pass()) {
    }
    return 0;
}

bool MailPollLoop::Pass() {
    // After a wake by the timer the worker does not wait: it re-tests until the
    // report has come, then puts the machine back to sleep.
    bool signalled = true;
    if (flags_.ResuspendPending == 0)
        signalled = services_.event.Wait(retry_.WaitMs(PeriodMs(settings_.Copy().MailPollTime)));
    else
        services_.clock.Pause(kRetestPauseMs);
    if (flags_.StopWorkers != 0) return false;
    if (services_.requests.TakeResume()) retry_.Open(services_.clock.NowMs());
    // No re-suspend while a check is out: the suspend would cut it short and its
    // report would land in the next wake. PollBusy is read before PollNow, the reverse
    // of the report's order, so a check seen as over has its request seen as served
    // and a wake's reported check is never followed by a second one.
    if (flags_.PollBusy == 1) return true;
    if (flags_.ResuspendPending == 1 && flags_.PollNow == 0) {
        Resuspend();
        if (flags_.StopWorkers != 0) return false;
    }

    Settings settings = settings_.Copy();
    if (settings.MailPollEn == 0 && flags_.PollNow == 0) return true;
    if (RetryHoldsBack(signalled)) return true;
    if (!services_.library.HasGetNewMail()) {
        services_.status.Show(kNoGetNewMailText);
        GiveUpPoll();
        return true;
    }
    return StartCheck(std::move(settings));
}

// The flag is taken only right before the power call, and the stop looked at then:
// a user who comes back, or an Exit, during the idle wait or the power query keeps
// the machine awake.
void MailPollLoop::Resuspend() {
    services_.power.WaitForInputIdle();
    const uint32_t reply = services_.device.SendCommand(kPowerQuery);
    int32_t pending = 1;
    if (!flags_.ResuspendPending.compare_exchange_strong(pending, 0)) return;
    if (flags_.StopWorkers != 0) return;
    bool slept = false;
    if (reply >= 1 && reply <= kLastSuspendReply)
        slept = services_.power.SetSystemPowerState(true);
    else if (reply == kHibernateReply)
        slept = services_.power.SetSystemPowerState(false);
    // A machine that slept tells of its next wake itself, with a power broadcast.
    if (!slept) services_.power.StaysAwake();
}

bool MailPollLoop::StartCheck(Settings settings) {
    host_ = std::move(settings.MailHost);
    user_ = std::move(settings.MailUser);
    password_ = std::move(settings.MailPwd);
    since_ = std::move(settings.LastNewTimeStamp);
    request_ = {settings.ServerType, host_.c_str(), user_.c_str(), password_.c_str(),
                since_.c_str(), 0, callback_};

    order_.CheckStarting();
    // Read before the start: the report may come before GetNewMail has returned.
    const uint32_t reports = services_.requests.Reports();
    int32_t result = -1;
    const bool tried = gate_.StartUnlessStopped([&] {
        flags_.PollBusy = 1;
        services_.requests.TakeAll();
        result = services_.library.GetNewMail(&request_);
    });
    if (!tried) return false;
    if (result == 0) {
        if (retry_.IsOpen()) retry_.CheckStarted(reports);
        order_.Announce(services_.status, kStartText);
        return true;
    }
    // Nothing was started, so no report will come to clear the flags.
    flags_.PollBusy = 0;
    GiveUpPoll();
    return true;
}

bool MailPollLoop::RetryHoldsBack(bool signalled) {
    if (signalled || !retry_.IsOpen()) return false;
    return !retry_.Due(services_.clock.NowMs(), services_.requests.Reports(),
                       services_.requests.LastResult());
}

void MailPollLoop::GiveUpPoll() {
    if (flags_.ResuspendPending == 1) flags_.PollNow = 0;
}

}  // namespace qp
