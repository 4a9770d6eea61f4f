#pragma once
// Mixer device 0 through winmm; its change notices go to the button bar window, which
// ignores them (every step reads the value afresh).
#include <windows.h>
#include <mmsystem.h>

#include <atomic>

#include "device/mixer.h"

namespace qp {

class Win32Mixer : public Mixer {
public:
    Win32Mixer() = default;
    ~Win32Mixer() override { Close(); }
    Win32Mixer(const Win32Mixer&) = delete;
    Win32Mixer& operator=(const Win32Mixer&) = delete;

    // The window that mixerOpen names as its callback; set before Open.
    void SetCallbackWindow(HWND window) { window_ = window; }

    uint32_t DeviceCount() override;
    bool Open() override;
    bool ReadCapabilities() override;
    bool FindSpeakersVolume(MixerVolumeControl& control) override;
    bool ReadValue(uint32_t controlId, uint32_t& value) override;
    bool WriteValue(uint32_t controlId, uint32_t value) override;
    bool Close() override;

private:
    HMIXEROBJ Object() const { return reinterpret_cast<HMIXEROBJ>(handle_); }

    std::atomic<HWND> window_{nullptr};
    HMIXER handle_ = nullptr;
    MIXERCAPSA capabilities_{};
};

}  // namespace qp
