#pragma once
// The button bar window's reactions to power broadcasts: the wake timer is armed on
// the way into suspend, and a resume it caused asks the worker for a poll after which
// the machine goes back to sleep.
#include <cstdint>

#include "mail/mail_poll_loop.h"
#include "mail/mail_poll_ports.h"
#include "mail/mail_watch_control.h"
#include "settings/settings.h"

namespace qp {

// Power broadcast event codes.
constexpr uint32_t kQuerySuspend = 0;
constexpr uint32_t kSuspend = 4;            // the machine is going to sleep now
constexpr uint32_t kResumeSuspend = 7;      // the user woke the machine
constexpr uint32_t kResumeAutomatic = 18;

// SuspendWakeTimer.
class WakeTimerPort {
public:
    virtual ~WakeTimerPort() = default;
    // One shot, due after dueTime (negative: relative, in 100 ns units), waking the
    // machine.
    virtual void Arm(int64_t dueTime) = 0;
    // Whether the timer fires within waitMs.
    virtual bool Fired(uint32_t waitMs) = 0;
};

// SusMailPollTime minutes as a relative due time, in 64 bits.
int64_t WakeDueTime(int32_t minutes);

constexpr uint32_t kWakeTimerTestMs = 100;

// Returns what the broadcast means to the mailbox watch.
PowerChange OnPowerEvent(uint32_t event, const Settings& settings, WakeTimerPort& timer,
                         PollEvent& pollEvent, MailPollFlags flags);

}  // namespace qp
