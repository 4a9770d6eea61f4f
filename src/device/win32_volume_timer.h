#pragma once
// VolumeTimer as window timer 1 of the button bar, 5000 ms. A window's timers can be
// set and killed only on the window's own thread, so a restart asked for elsewhere
// (the hot-key worker) is posted to the window as kArmVolumeTimerMessage, and the
// window's thread arms the timer when that message arrives.
#include <windows.h>

#include <atomic>

#include "device/volume_timer.h"

namespace qp {

// Private message of the button bar window: arm VolumeTimer now.
constexpr UINT kArmVolumeTimerMessage = WM_APP + 0x51;
constexpr UINT_PTR kVolumeTimerId = 1;
constexpr UINT kVolumeTimerPeriodMs = 5000;

class WindowVolumeTimer : public VolumeTimer {
public:
    void SetWindow(HWND window) { window_ = window; }

    // Any thread: posts kArmVolumeTimerMessage to the window.
    void Restart() override;
    // Window's thread: kills the running timer, if any.
    void Kill() override;
    // Window's thread, on kArmVolumeTimerMessage: kills the running timer and sets it
    // again, so the 5 seconds count from the last change.
    void ArmOnWindowThread();

private:
    std::atomic<HWND> window_{nullptr};
    UINT_PTR timerId_ = 0;  // what SetTimer returned; touched only on the window's thread
};

}  // namespace qp
