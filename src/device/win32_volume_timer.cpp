#include "device/win32_volume_timer.h"

namespace qp {

void WindowVolumeTimer::Restart() {
    PostMessageA(window_.load(), kArmVolumeTimerMessage, 0, 0);
}

void WindowVolumeTimer::Kill() {
    if (timerId_ != 0) KillTimer(window_.load(), timerId_);
    timerId_ = 0;
}

void WindowVolumeTimer::ArmOnWindowThread() {
    HWND window = window_.load();
    if (timerId_ != 0) KillTimer(window, timerId_);
    timerId_ = SetTimer(window, kVolumeTimerId, kVolumeTimerPeriodMs, nullptr);
}

}  // namespace qp
