#pragma once
// The power side of suspend-time polling: the privilege to suspend the machine, the
// calls that put it back to sleep, and SuspendWakeTimer.
#include <windows.h>

#include "mail/mail_poll_ports.h"
#include "mail/suspend_wake.h"

namespace qp {

// Enables SeShutdownPrivilege in the process token; a failure is silent (the later
// SetSystemPowerState then fails without a message).
void EnableShutdownPrivilege();

// Posted to the button bar when a wake by the timer ends without sleep.
constexpr UINT kMachineStaysAwakeMessage = WM_APP + 0x52;

class Win32PowerPort : public PowerPort {
public:
    void WaitForInputIdle() override;
    bool SetSystemPowerState(bool suspend) override;
    void StaysAwake() override;
};

class Win32WakeTimer : public WakeTimerPort {
public:
    void Arm(int64_t dueTime) override;
    bool Fired(uint32_t waitMs) override;
};

}  // namespace qp
