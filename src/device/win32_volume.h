#pragma once
// The process's volume control on mixer device 0, for the button bar window.
//
// Call sites, all on the window's thread except TheVolume's users:
//   start-up, after the device is open:  InitVolume(window), then SendDeviceCommand(129)
//   kArmVolumeTimerMessage:              OnArmVolumeTimer()
//   WM_TIMER:                            OnVolumeTimer()
//   WM_DESTROY, after the hot-key worker has stopped:  CloseMixer()
#include <windows.h>

#include "device/volume_control.h"
#include "device/win32_volume_timer.h"

namespace qp {

// Opens the mixer (its notices to window) and finds the speakers volume. The result
// (control found) needs no check: without a control the volume buttons do nothing.
bool InitVolume(HWND window);
void OnArmVolumeTimer();
// VolumeTimer's expiry: kills the timer and sends 130 to the device.
void OnVolumeTimer();
// True when no mixer was open or it closed.
bool CloseMixer();

// The control the hot-key worker steps. Never destroyed, so a worker still running
// while the process ends finds it intact.
VolumeControl& TheVolume();

}  // namespace qp
