#pragma once
// The master volume: found once on mixer device 0, stepped by the volume buttons, each
// new level reported to the device, and the device told 5 seconds after the last
// change that the volume has settled.
//
// Threads: the steps run on the hot-key worker; InitVolume, the timer expiry and
// CloseMixer on the window's thread. One lock serialises every operation, so a step
// never meets a closing mixer or a timer being killed halfway.
//
// When the buttons do nothing: with no mixer device, a mixer that could not be opened,
// a closed mixer, a speakers volume that was not found, or a control whose range has
// no room (maximum <= minimum). Then no value is written, no level is reported and the
// timer is left alone. A control narrower than 25 units moves one unit per press and
// reports its place in the range as the level (see VolumeRange).
#include <cstdint>
#include <mutex>

#include "device/device_port.h"
#include "device/mixer.h"
#include "device/volume_range.h"
#include "device/volume_timer.h"

namespace qp {

class VolumeControl {
public:
    VolumeControl(Mixer& mixer, VolumeTimer& timer, DevicePort& device)
        : mixer_(mixer), timer_(timer), device_(device) {}
    VolumeControl(const VolumeControl&) = delete;
    VolumeControl& operator=(const VolumeControl&) = delete;

    // OpenMixer, then FindMasterVolume whatever the open gave; the result of the find.
    bool InitVolume();
    // True when the mixer opened, or when there is no mixer device at all.
    bool OpenMixer();
    bool FindMasterVolume();
    // The control's value now; false (and value untouched) when it cannot be read.
    bool GetVolume(uint32_t& value);
    // Writes value clamped to the range; on success restarts VolumeTimer and sends the
    // level to the device. A failed write does neither.
    bool SetVolume(uint32_t value);
    void VolumeUp();
    void VolumeDown();
    // VolumeTimer's expiry: kills the timer and sends 130.
    void OnTimerExpired();
    // True when no mixer was open or it closed. The mixer counts as closed afterwards.
    bool CloseMixer();

    struct Snapshot {
        bool open;
        bool controlFound;
        uint32_t deviceCount;
        VolumeRange range;
        uint32_t controlId;
        uint32_t current;
    };
    Snapshot State() const;

private:
    bool GetVolumeLocked(uint32_t& value);
    bool SetVolumeLocked(uint32_t value);
    bool CanStep() const { return open_ && controlFound_ && range_.Usable(); }

    Mixer& mixer_;
    VolumeTimer& timer_;
    DevicePort& device_;

    mutable std::mutex lock_;
    bool open_ = false;
    bool controlFound_ = false;
    uint32_t deviceCount_ = 0;
    VolumeRange range_;
    uint32_t controlId_ = 0;
    uint32_t current_ = 0;  // the last value read
};

}  // namespace qp
