#pragma once
// The hardware buttons' dispatch table and the poll that feeds it.
#include <cstdint>

#include "device/button_actions.h"
#include "device/device_port.h"

namespace qp {

// Runs the actions of one button code: 129 slot 0 hidden then the media player, 130
// volume up, 131 volume down, 132 slot 3 hidden; every other code does nothing.
// Returns whether the code has actions.
bool DispatchButtonCode(uint32_t code, ButtonActions& actions);

// One read of the device and the dispatch of what it gave. Does not read a closed
// device. No memory of earlier codes: a code read twice acts twice.
void PollHardwareButtons(DevicePort& device, ButtonActions& actions);

}  // namespace qp
