#pragma once
// MailPollWorker: the thread that starts a mail check every MailPollTime minutes while
// periodic polling is on, at once whenever MailPollEvent is signalled with PollNow set,
// and puts the machine back to sleep after a wake-up by the wake timer.
#include <windows.h>

#include "device/device_port.h"
#include "mail/mail_poll_loop.h"
#include "mail/mail_poll_ports.h"

namespace qp {

// MailPollEvent through the PollEvent seam.
class Win32PollEvent : public PollEvent {
public:
    bool Wait(uint32_t timeoutMs) override;
    void Signal() override;
};

// The process's StopWorkers, PollNow, PollBusy and ResuspendPending.
MailPollFlags TheMailPollFlags();
// The checks asked for by the watch and by resumes. Never destroyed: the watch and the
// reports may still use it while the process ends.
CheckRequests& TheCheckRequests();

// Call once at the end of start-up, after the mail library is loaded. The worker and the
// reports of its checks reach the device through `device`, which must outlive them.
bool StartMailPollWorker(DevicePort& device);
// The first step of shutdown for the workers: sets StopWorkers under the lock the mail
// worker holds while it starts a check, so that no check starts after this returns and
// one started before it is there for GetMailAbort; then wakes the worker.
void StopWorkersAndWake();
// Call at shutdown after GetMailAbort; waits at most timeoutMs. True when the worker
// has ended (or never ran).
bool StopMailPollWorker(DWORD timeoutMs = 5000);

}  // namespace qp
