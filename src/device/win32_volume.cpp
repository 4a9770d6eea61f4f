#include "device/win32_volume.h"

#include "device/win32_device_port.h"
#include "device/win32_mixer.h"

namespace qp {
namespace {

struct VolumeParts {
    Win32DevicePort device;
    Win32Mixer mixer;
    WindowVolumeTimer timer;
    VolumeControl control{mixer, timer, device};
};

VolumeParts& Parts() {
    static VolumeParts* const parts = new VolumeParts;
    return *parts;
}

}  // namespace

VolumeControl& TheVolume() { return Parts().control; }

bool InitVolume(HWND window) {
    VolumeParts& parts = Parts();
    parts.mixer.SetCallbackWindow(window);
    parts.timer.SetWindow(window);
    return parts.control.InitVolume();
}

void OnArmVolumeTimer() { Parts().timer.ArmOnWindowThread(); }

void OnVolumeTimer() { Parts().control.OnTimerExpired(); }

bool CloseMixer() { return Parts().control.CloseMixer(); }

}  // namespace qp
