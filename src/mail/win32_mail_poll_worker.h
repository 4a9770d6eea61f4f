#pragma once
// MailPollWorker: the thread that starts a mail check every MailPollTime minutes while
// periodic polling is on, and at once whenever MailPollEvent is signalled with PollNow
// set.
#include <windows.h>

namespace qp {

// Call once at the end of start-up, after the mail library is loaded.
bool StartMailPollWorker();
// Call at shutdown after StopWorkers is set and MailPollEvent signalled; waits at
// most timeoutMs. True when the worker has ended (or never ran).
bool StopMailPollWorker(DWORD timeoutMs = 5000);

}  // namespace qp
