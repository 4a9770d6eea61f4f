#pragma once
#include <windows.h>

namespace qp {

// Waits for handle at most timeoutMs on the user-interface thread. A worker may be
// sending this thread's windows a message (a status text, the shell's DDE) at that
// moment, so sent messages are answered meanwhile instead of both threads waiting on
// each other until the time-out. True when the handle was signalled.
bool WaitWhileAnsweringSentMessages(HANDLE handle, DWORD timeoutMs);

}  // namespace qp
