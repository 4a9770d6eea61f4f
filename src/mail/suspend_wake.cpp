#include "mail/suspend_wake.h"

namespace qp {

int64_t WakeDueTime(int32_t minutes) { return static_cast<int64_t>(minutes) * -600000000LL; }

void OnPowerEvent(uint32_t event, const Settings& settings, WakeTimerPort& timer,
                  PollEvent& pollEvent, MailPollFlags flags) {
    switch (event) {
    case kQuerySuspend:
        // Armed at the query, not at the suspend: a refused suspend leaves it armed.
        if (settings.SusMailPollEn == 1) timer.Arm(WakeDueTime(settings.SusMailPollTime));
        break;
    case kResumeAutomatic:
        if (timer.Fired(kWakeTimerTestMs)) {
            RequestWakePoll(flags);
            pollEvent.Signal();
        } else {
            CancelWakePoll(flags);
        }
        break;
    case kResumeSuspend:
        // The machine stays awake; a poll already asked for still runs.
        flags.ResuspendPending = 0;
        break;
    default:
        break;
    }
}

}  // namespace qp
