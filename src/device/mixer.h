#pragma once
// The sound mixer as the volume control uses it: device 0, its speakers volume.
#include <cstdint>

namespace qp {

// The speakers volume control as the mixer reports it.
struct MixerVolumeControl {
    uint32_t minimum = 0;
    uint32_t maximum = 0;
    uint32_t controlId = 0;
};

class Mixer {
public:
    virtual ~Mixer() = default;
    virtual uint32_t DeviceCount() = 0;
    // Opens mixer device 0. True when it is open.
    virtual bool Open() = 0;
    // Reads the open mixer's capabilities. A failure leaves the mixer open.
    virtual bool ReadCapabilities() = 0;
    // The volume control of the speakers destination line.
    virtual bool FindSpeakersVolume(MixerVolumeControl& control) = 0;
    // One value for all channels.
    virtual bool ReadValue(uint32_t controlId, uint32_t& value) = 0;
    virtual bool WriteValue(uint32_t controlId, uint32_t value) = 0;
    // Closes the mixer; it counts as closed afterwards whatever the result.
    virtual bool Close() = 0;
};

}  // namespace qp
