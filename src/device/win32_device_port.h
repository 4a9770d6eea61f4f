#pragma once
// The device channel behind the DevicePort seam.
#include "device/device_port.h"
#include "device/win32_device_channel.h"

namespace qp {

class Win32DevicePort : public DevicePort {
public:
    bool IsOpen() const override { return DeviceIsOpen(); }
    uint32_t ReadButtonCode() override { return qp::ReadButtonCode(); }
    uint32_t SendCommand(uint32_t command) override { return SendDeviceCommand(command); }
};

// The process's port for the parts that take one; never destroyed, so that a worker
// that outlives the window at shutdown can still use it.
inline DevicePort& TheDevicePort() {
    static DevicePort* const port = new Win32DevicePort;
    return *port;
}

}  // namespace qp
