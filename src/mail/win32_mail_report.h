#pragma once
// The mail library's report of a check, as the user sees it: the status strip, the
// mail LED, the balloon, the sound and the blinking tray icon.
#include <cstdint>

namespace qp {

class DevicePort;

// The device whose mail LED the reports switch; given once at start-up, before the
// first check can start.
void UseDeviceForMailReports(DevicePort& device);

// Called by the mail library, on a thread of its own, once for every check started.
void MailCheckCallback(int32_t newCount, int32_t resultCode);

}  // namespace qp
