#include "mail/suspend_wake.h"

namespace qp {

int64_t WakeDueTime(int32_t minutes) { return static_cast<int64_t>(minutes) * -600000000LL; }

PowerChange OnPowerEvent(uint32_t event, const Settings& settings, WakeTimerPort& timer,
                         PollEvent& pollEvent, MailPollFlags flags) {
    switch (event) {
    case kQuerySuspend:
        // Armed at the query, not at the suspend: a refused suspend leaves it armed.
        if (settings.SusMailPollEn == 1) timer.Arm(WakeDueTime(settings.SusMailPollTime));
        return PowerChange::None;
    case kSuspend:
        return PowerChange::Suspending;
    case kResumeAutomatic:
        if (timer.Fired(kWakeTimerTestMs)) {
            RequestWakePoll(flags);
            pollEvent.Signal();
            return PowerChange::TimerWake;
        }
        CancelWakePoll(flags);
        return PowerChange::ResumedAwake;
    case kResumeSuspend:
        // The machine stays awake; a poll already asked for still runs.
        flags.ResuspendPending = 0;
        return PowerChange::ResumedAwake;
    default:
        return PowerChange::None;
    }
}

}  // namespace qp
