#pragma once
// HotkeyWorker: the thread that asks the device for a pressed button every 250 ms and
// runs the button's action (slot launch, media player, volume step) on itself.
#include <windows.h>

namespace qp {

// Starts the worker. Call once, at the end of the window's start-up, after InitVolume.
// False when the thread could not be created (then the buttons do nothing).
bool StartHotkeyWorker();

// Asks the worker to end and waits for it at most timeoutMs: a poll already running
// finishes its action first. True when the worker has ended (or never ran). Call at
// WM_DESTROY before CloseMixer and before the window object goes away.
bool StopHotkeyWorker(DWORD timeoutMs = 5000);

}  // namespace qp
