#pragma once
// Values shared by the whole process: created at start-up, alive until the process ends.
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "app/unique_handle.h"

namespace qp {

// Named "QPDMailPollingEvent": wakes the mail worker and marks the running instance.
extern UniqueHandle& MailPollEvent;
// Unnamed, auto-reset; wakes the machine for a mail check while it sleeps.
extern UniqueHandle& SuspendWakeTimer;

// Set once, 0 to 1, when the window is destroyed; both workers end when they see it.
extern std::atomic<int32_t> StopWorkers;
extern std::atomic<int32_t> ResuspendPending;

// Shared with the new-mail blinking: 1 in BlinkShown means the tray icon shows the
// notification; the user's acknowledgement sets BlinkStop to 1.
extern std::atomic<int32_t> BlinkShown;
extern std::atomic<int32_t> BlinkStop;

// A poll is wanted even with periodic polling off; a check has started and not yet
// been reported.
extern std::atomic<int32_t> PollNow;
extern std::atomic<int32_t> PollBusy;

// Control 1003; the workers write status texts into it.
extern std::atomic<HWND> StatusStrip;
extern RECT ClientRectAtStart;
extern OSVERSIONINFOA OsVersion;

}  // namespace qp
