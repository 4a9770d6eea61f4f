#pragma once
// What the window and the two workers share: created at start-up, alive until the
// process ends (never destroyed, so a late worker or mail report finds it intact).
// Each value names who creates or writes it; everyone else only reads it, or sets it
// where the comment says.
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "win32/unique_handle.h"

namespace qp {

// Named "QPDMailPollingEvent": wakes the mail worker and marks the running instance.
// Created by the application's start-up before the window; the window's start-up and
// the mail worker signal it, the mail worker waits on it.
extern UniqueHandle& MailPollEvent;
// Unnamed, auto-reset; wakes the machine for a mail check while it sleeps. Created by
// the window's start-up; the mail worker arms it and waits on it.
extern UniqueHandle& SuspendWakeTimer;

// Set once, 0 to 1, by the window's shutdown (through the mail worker's gate); both
// workers end when they see it.
extern std::atomic<int32_t> StopWorkers;
// A wake by the timer is waiting for its check before the machine suspends again.
// Cleared by the window's start-up; set and cleared by the mail worker.
extern std::atomic<int32_t> ResuspendPending;

// Shared with the new-mail blinking: 1 in BlinkShown means the tray icon shows the
// notification (written by the mail report); the user's acknowledgement (the window)
// sets BlinkStop to 1, the next report of new mail back to 0.
extern std::atomic<int32_t> BlinkShown;
extern std::atomic<int32_t> BlinkStop;

// A poll is wanted even with periodic polling off (set by the window's restamp command
// and by the mail worker after a wake); a check has started and not yet been reported
// (set by the mail worker). The mail report clears both.
extern std::atomic<int32_t> PollNow;
extern std::atomic<int32_t> PollBusy;

// Control 1003, set by the window's start-up; the workers write status texts into it.
extern std::atomic<HWND> StatusStrip;
// Written once each by start-up (the window's, the application's) and only read after.
extern RECT ClientRectAtStart;
extern OSVERSIONINFOA OsVersion;

}  // namespace qp
