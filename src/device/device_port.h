#pragma once
// The device channel as the button and volume logic see it.
#include <cstdint>

namespace qp {

class DevicePort {
public:
    virtual ~DevicePort() = default;
    virtual bool IsOpen() const = 0;
    // The oldest pending button code, or 0 (also when the call fails).
    virtual uint32_t ReadButtonCode() = 0;
    // Sends a command and gives the device's 4-byte answer (0 when the call fails).
    virtual uint32_t SendCommand(uint32_t command) = 0;
};

}  // namespace qp
