#pragma once
// The mail library's report of a check, as the user sees it: the status strip, the
// mail LED, the balloon, the sound and the blinking tray icon.
#include <cstdint>

#include <vrxmail/mail_request.h>

namespace qp {

class DevicePort;

// The device whose mail LED the reports switch; given once at start-up, before the
// first check can start.
void UseDeviceForMailReports(DevicePort& device);

// Called by the mail library, on a thread of its own, once for every check started.
void VRXMAIL_CDECL MailCheckCallback(int32_t newCount, int32_t resultCode);

}  // namespace qp
