#pragma once
// DeviceChannel: the process's one handle to the TZK0001 device, and its two I/O
// controls. Opened at start-up on the window's thread, before any worker starts; used
// by every thread, one call at a time, each with buffers of its own. A driver that was
// stopped and started again is reached through a new handle.
#include <windows.h>

#include <cstdint>

namespace qp {

// Opens "\\.\TZK0001" for reading and writing, shared, synchronous. True when open.
bool OpenDevice();
bool DeviceIsOpen();

// When the device is not open: "Open driver TZK0001 fail !" owned by owner, and
// false. The caller then ends start-up (exit status 1).
bool CheckDeviceOpen(HWND owner);

// The oldest pending button code; 0 when none is pending or the call fails.
uint32_t ReadButtonCode();

// Sends a command and gives the device's answer (0 when the call fails). On a device
// that is not open it tells the user and sends nothing. Callable from any thread.
uint32_t SendDeviceCommand(uint32_t command);

}  // namespace qp
